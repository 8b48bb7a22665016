#include "CodePageIdentification.h"

#include "AsciiWords.h"
#include "LineScanner.h"

#include <algorithm>

namespace quarvel {

void CodePageCounter::add(std::string_view bytes) {
    if (bytes.empty()) return;
    for (char c : bytes) ++m_histogram[static_cast<std::uint8_t>(c)];
    m_lastByte = static_cast<std::uint8_t>(bytes.back());
    m_utf8.add(bytes);
}

void EndMark::addBytesAfter(std::string_view bytes) {
    bytesAfter += bytes.size();
    if (!dataAfter) dataAfter = bytes.find_first_not_of("\x1A\r\n") != std::string_view::npos;
}

bool CodePageCounter::addLines(std::string_view lines) {
    return !addLinesUpToMark(lines);
}

std::optional<std::size_t> CodePageCounter::addLinesUpToMark(std::string_view lines) {
    if (lines.find('\x1A') != std::string_view::npos) {
        // End marks are rare: their rules are the line reader's.
        LineScanner scanner(lines);
        while (scanner.readLine([this](std::string_view bytes) { add(bytes); })) endLine();
        if (scanner.endMarkSeen()) return static_cast<std::size_t>(scanner.endMarkOffset());
        return std::nullopt;
    }
    // Carriage returns and line feeds are the judge's own concern: it passes over the former and ends a
    // line at the latter. A single-byte file is ill-formed at its first letter, and judged no further.
    m_utf8.add(lines);
    // Only bytes from 0x80 up can be letters: eight bytes below it at a time are passed over, the others
    // counted into four tables side by side, which spares the wait of adding to one entry twice in a row.
    // Counting some bytes below 0x80 too does no harm. Then the last byte of each line is taken back.
    std::array<std::array<std::uint32_t, 256>, 4> tables{};
    for (std::size_t done = 0; done < lines.size();) {
        // Short enough that no entry of a table overflows.
        const std::size_t n = std::min<std::size_t>(lines.size() - done, std::size_t{1} << 30);
        const char* bytes = lines.data() + done;
        std::size_t k = 0;
        for (; k + 8 <= n; k += 8) {
            if (!anyByteFromHighHalf(loadEightBytes(bytes + k))) continue;
            for (std::size_t b = 0; b < 8; ++b) ++tables[b & 3][static_cast<std::uint8_t>(bytes[k + b])];
        }
        for (; k < n; ++k) ++tables[0][static_cast<std::uint8_t>(bytes[k])];
        for (std::size_t b = 0x80; b < 256; ++b) m_histogram[b] += tables[0][b] + tables[1][b] + tables[2][b] + tables[3][b];
        tables = {};
        done += n;
    }
    for (std::size_t start = 0; start < lines.size();) {
        std::size_t end = lines.find('\n', start);
        if (end == std::string_view::npos) end = lines.size();
        std::size_t last = end;
        while (last > start && lines[last - 1] == '\r') --last;
        if (last > start && static_cast<std::uint8_t>(lines[last - 1]) >= 0x80) {
            --m_histogram[static_cast<std::uint8_t>(lines[last - 1])];
        }
        start = end + 1;
    }
    return std::nullopt;
}

std::optional<EndMark> CodePageCounter::addAll(LineScanner& lines) {
    std::unique_ptr<char[]> block(new char[lines.blockSize()]);
    const auto addAfterMark = [](EndMark& mark) { return [&mark](std::string_view bytes) { mark.addBytesAfter(bytes); }; };
    for (;;) {
        const std::size_t length = lines.readWholeLines(block.get());
        if (length > 0) {
            const std::uint64_t blockStart = lines.offset() - length;
            if (const std::optional<std::size_t> at = addLinesUpToMark({block.get(), length})) {
                EndMark mark{blockStart + *at};
                mark.addBytesAfter({block.get() + *at + 1, length - *at - 1});
                lines.readRest(addAfterMark(mark));
                return mark;
            }
            continue;
        }
        // A line longer than a block, or the end.
        if (!lines.readLine([this](std::string_view bytes) { add(bytes); })) {
            if (!lines.endMarkSeen()) return std::nullopt;
            EndMark mark{lines.endMarkOffset()};
            lines.readRest(addAfterMark(mark));
            return mark;
        }
        endLine();
    }
}

void CodePageCounter::endLine() {
    if (m_lastByte >= 0) --m_histogram[static_cast<std::size_t>(m_lastByte)];
    m_lastByte = -1;
    m_utf8.endLine();
}

std::array<std::uint64_t, kSingleByteCodePageCount> CodePageCounter::counts() const {
    std::array<std::uint64_t, kSingleByteCodePageCount> counts{};
    for (std::size_t k = 0; k < kSingleByteCodePageCount; ++k) {
        for (std::uint8_t letter : lettersOf(codePageAt(k))) counts[k] += m_histogram[letter];
    }
    return counts;
}

std::array<std::uint64_t, kSingleByteCodePageCount> CodePageCounter::weights() const {
    std::array<std::uint64_t, kSingleByteCodePageCount> sums{};
    for (std::size_t p = 0; p < kSingleByteCodePageCount; ++p) {
        const PolishLetters& letters = lettersOf(codePageAt(p));
        for (int k = 0; k < kPolishLetterCount; ++k) sums[p] += kLetterWeights[k] * m_histogram[letters[k]];
    }
    return sums;
}

CodePage CodePageCounter::result(std::optional<CodePage> preferred) const {
    const auto counts = this->counts();
    std::size_t best = 0;
    for (std::size_t p = 1; p < kSingleByteCodePageCount; ++p) {
        if (counts[p] > counts[best]) best = p;
    }
    // A file's letters often fit several code pages alike (CYFROMAT and DHN always); the one its header
    // names is then the one meant.
    if (preferred) {
        return isSingleByte(*preferred) && counts[indexOf(*preferred)] == counts[best] ? *preferred : codePageAt(best);
    }
    // Without a name, the smaller id alone read a CP852 "Pająk" as MAZOVIA's "PajŃk": a wrong page still
    // maps every byte to some Polish letter, so nothing downstream notices. The reading made of the
    // commoner letters is far likelier the one meant.
    const auto weights = this->weights();
    for (std::size_t p = best + 1; p < kSingleByteCodePageCount; ++p) {
        if (counts[p] == counts[best] && weights[p] > weights[best]) best = p;
    }
    return codePageAt(best);
}

std::vector<CodePage> CodePageCounter::tiedReadingsApart(std::optional<CodePage> preferred) const {
    std::vector<CodePage> tied;
    if (preferred) return tied;
    const auto counts = this->counts();
    const std::uint64_t largest = *std::max_element(counts.begin(), counts.end());
    for (std::size_t p = 0; p < kSingleByteCodePageCount; ++p) {
        if (counts[p] == largest) tied.push_back(codePageAt(p));
    }
    // The conversion maps byte by byte, so two readings of the counted bytes differ exactly when some byte
    // that occurs is translated differently; the histogram tells which occur.
    const auto apart = [this](CodePage a, CodePage b) {
        const ByteMap& fromA = conversionMap(a, CodePage::WindowsEe);
        const ByteMap& fromB = conversionMap(b, CodePage::WindowsEe);
        for (std::size_t byte = 0x80; byte < 256; ++byte) {
            if (m_histogram[byte] != 0 && fromA[byte] != fromB[byte]) return true;
        }
        return false;
    };
    const bool anyApart = std::any_of(tied.begin() + 1, tied.end(), [&](CodePage p) { return apart(tied.front(), p); });
    if (!anyApart) tied.clear();
    return tied;
}

CodePage codePageOfCounts(const CodePageCounter& counter, bool startsWithMark, std::optional<CodePage> declared) {
    // A single-byte file with Polish letters is never well-formed UTF-8 holding them in practice: its
    // letters stand alone where UTF-8 needs a lead byte followed by continuation bytes. A file without any
    // letter is well-formed only when it is ASCII, which every code page reads alike: the header's name
    // then decides, as it decides a tie of the counts.
    const Utf8Judge& utf8 = counter.utf8();
    if (startsWithMark || (utf8.wellFormed() && (utf8.sawPolishLetter() || declared == CodePage::Utf8))) return CodePage::Utf8;
    return counter.result(declared);
}

namespace {

// Hands on the bytes of a source and keeps its first three, for the mark of a UTF-8 file.
class FirstBytes final : public ByteSource {
public:
    explicit FirstBytes(ByteSource& source) : m_source(source) {}
    std::size_t read(char* buffer, std::size_t n) override {
        const std::size_t got = m_source.read(buffer, n);
        if (m_first.size() < kUtf8Mark.size()) m_first.append(buffer, std::min(got, kUtf8Mark.size() - m_first.size()));
        return got;
    }
    int error() const override { return m_source.error(); }
    std::optional<platform::FileStamp> stamp() const override { return m_source.stamp(); }
    std::optional<std::uint64_t> fileBytesRead() const override { return m_source.fileBytesRead(); }
    bool startsWithUtf8Mark() const { return m_first == kUtf8Mark; }

private:
    ByteSource& m_source;
    std::string m_first;
};

} // namespace

Identification identifyCodePage(ByteSource& source, std::optional<CodePage> declared, std::size_t blockSize) {
    Identification found;
    found.stampBefore = source.stamp();
    CodePageCounter counter;
    FirstBytes reading(source);
    LineScanner scanner(reading, blockSize);
    found.endMark = counter.addAll(scanner);
    found.error = scanner.error();
    found.bytesRead = scanner.bytesRead();
    found.fileBytesRead = source.fileBytesRead().value_or(found.bytesRead);
    found.stampAfter = source.stamp();
    if (found.error == 0) {
        found.codePage = codePageOfCounts(counter, reading.startsWithUtf8Mark(), declared);
        if (found.codePage != CodePage::Utf8) found.tiedCodePages = counter.tiedReadingsApart(declared);
    }
    return found;
}

Identification identifyCodePage(const std::filesystem::path& file, const SourceOpener& open, std::optional<CodePage> declared) {
    OpenedSource opened = open(file);
    if (!opened.source) {
        Identification failed;
        failed.error = opened.error;
        return failed;
    }
    return identifyCodePage(*opened.source, declared);
}

void BackgroundIdentification::start(std::unique_ptr<ByteSource> source, std::optional<CodePage> declared, std::size_t blockSize) {
    // Reading a small file once more costs less than starting a thread for it.
    constexpr std::uint64_t kMinBytesForAThread = std::uint64_t{1} << 16;
    m_source = std::move(source);
    const std::optional<platform::FileStamp> stamp = m_source->stamp();
    m_result.start(
        [&reading = *m_source, declared, blockSize] { return identifyCodePage(reading, declared, blockSize); },
        !(stamp && stamp->size < kMinBytesForAThread));
}

} // namespace quarvel
