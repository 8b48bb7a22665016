#include "load/InputReader.h"

#include "load/LoadTexts.h"

#include "Parallel.h"
#include "Typy/AsciiWords.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <deque>
#include <future>
#include <memory>
#include <utility>

namespace quarvel {
namespace {

constexpr std::size_t kMaxFieldBytes = 250;
// A block shorter than this is built on the reading thread: starting a thread would cost more.
constexpr std::size_t kMinBytesPerThread = std::size_t{1} << 16;

bool isStrippable(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

// Counts the "|" of non-empty `bytes` past a record's last field into `separators`, and tells whether
// bytes follow the last of them.
void countSurplus(std::string_view bytes, std::uint64_t& separators, bool& bytesSinceSeparator) {
    const std::size_t last = bytes.rfind('|');
    if (last == std::string_view::npos) {
        bytesSinceSeparator = true;
        return;
    }
    separators += static_cast<std::uint64_t>(std::count(bytes.begin(), bytes.end(), '|'));
    bytesSinceSeparator = last + 1 < bytes.size();
}

// Where records are built: the loaded file itself, or a block's own records on another thread.
template <class Records> struct RecordStore {
    Records& records;
    std::vector<char>& rawBytes;
};
template <class Records> RecordStore(Records&, std::vector<char>&) -> RecordStore<Records>;

// Builds one record from the pieces of a data line as they arrive, keeping only what the record needs:
// the first F fields, each cut to 250 bytes, and the number of "|" seen.
template <class Records> class RecordBuilder {
public:
    RecordBuilder(RecordStore<Records> store, std::size_t fieldCount) : m_store(store), m_fieldCount(fieldCount) {
        m_record.rawOffset = store.rawBytes.size();
        m_pieceStart = store.rawBytes.size();
    }

    void operator()(std::string_view bytes) {
        while (!bytes.empty()) {
            if (m_piece >= m_fieldCount) {
                // Surplus pieces only count.
                countSurplus(bytes, m_separators, m_bytesSinceSeparator);
                return;
            }
            const std::size_t bar = bytes.find('|');
            const std::string_view part = bytes.substr(0, bar);
            keep(part);
            if (!part.empty()) m_bytesSinceSeparator = true;
            if (bar == std::string_view::npos) return;
            ++m_separators;
            closePiece();
            m_bytesSinceSeparator = false;
            bytes.remove_prefix(bar + 1);
        }
    }

    /// Appends the finished record to the store.
    void finish() {
        const std::uint64_t pieces = m_separators + (m_bytesSinceSeparator ? 1 : 0);
        if (pieces == 0) {
            m_store.rawBytes.resize(m_record.rawOffset);
            m_record.lineErrorBits |= kNoData;
        } else {
            if (m_piece < m_fieldCount && m_bytesSinceSeparator) closePiece();
            m_record.fieldCount = static_cast<std::uint8_t>(m_fieldCount);
            if (pieces > m_fieldCount) m_record.lineErrorBits |= kTooManyFields;
        }
        m_store.records.push_back(m_record);
    }

private:
    void keep(std::string_view part) {
        const std::size_t room = kMaxFieldBytes - m_kept;
        const std::size_t n = std::min(room, part.size());
        m_store.rawBytes.insert(m_store.rawBytes.end(), part.begin(), part.begin() + static_cast<std::ptrdiff_t>(n));
        m_kept += n;
    }

    // Ends the current piece: strips it in place and stores its length.
    void closePiece() {
        std::vector<char>& raw = m_store.rawBytes;
        while (raw.size() > m_pieceStart && isStrippable(raw.back())) raw.pop_back();
        const auto begin = raw.begin() + static_cast<std::ptrdiff_t>(m_pieceStart);
        const auto first = std::find_if_not(begin, raw.end(), isStrippable);
        raw.erase(begin, first);
        if (raw.size() == m_pieceStart) raw.push_back(' ');
        m_record.rawLength[m_piece] = static_cast<std::uint8_t>(raw.size() - m_pieceStart);
        // Told now, while the bytes are at hand, so that the checks need not read them again.
        if (AllPrintableAscii(raw.data() + m_pieceStart, raw.size() - m_pieceStart)) {
            m_record.asciiMask = static_cast<std::uint16_t>(m_record.asciiMask | (1U << m_piece));
        }
        ++m_piece;
        m_pieceStart = raw.size();
        m_kept = 0;
    }

    RecordStore<Records> m_store;
    TRecOfFile m_record;
    std::size_t m_fieldCount;
    std::size_t m_piece = 0;
    std::size_t m_pieceStart;
    std::size_t m_kept = 0;
    std::uint64_t m_separators = 0;
    bool m_bytesSinceSeparator = false;
};

// Reads the next line of `input` and appends its record to `store`; false when there was no further line.
template <class Records> bool readRecord(RecordStore<Records> store, LineScanner& input, std::size_t fieldCount) {
    const std::size_t start = store.rawBytes.size();
    RecordBuilder<Records> builder(store, fieldCount);
    if (!input.readLine(builder)) {
        store.rawBytes.resize(start); // bytes of a line cut short by a read failure
        return false;
    }
    builder.finish();
    return true;
}

// Bytes past the end of a block, and past the raw values built from it, that the word-wise copy of a
// short field may read and write.
constexpr std::size_t kWordSlack = 16;

// `word` with its bytes from `count` on (in memory order) replaced by spaces.
std::uint64_t firstBytesThenSpaces(std::uint64_t word, std::size_t count) {
    static_assert(std::endian::native == std::endian::little, "bytes are taken from the low end of a word");
    const std::uint64_t kept = count >= 8 ? ~std::uint64_t{0} : (std::uint64_t{1} << (8 * count)) - 1;
    return (word & kept) | (0x2020202020202020U & ~kept);
}

// The first "|" in [begin, end), or nullptr. Fields are short: a word at a time spares the start of a
// general search; up to 7 bytes past `end` are read (the block's slack).
const char* findSeparator(const char* begin, const char* end) {
    for (const char* at = begin; at < end; at += 8) {
        const std::uint64_t bars = MarkBytesEqualTo(LoadEightBytes(at), '|');
        if (bars != 0) {
            const char* bar = at + LowestMarkedByte(bars);
            return bar < end ? bar : nullptr;
        }
    }
    return nullptr;
}

// Stores the bytes [begin, end) of a field as RecordBuilder stores a piece: the first 250 of them,
// stripped, or a single space when none is left; returns the end of what was written at `out`. Up to
// kWordSlack bytes after `end` are read, and after what is written overwritten.
// Inlined: it runs for every field, and a call costs about as much as a short field.
[[gnu::always_inline]] inline char* storeField(const char* begin, const char* end, TRecOfFile& record, std::size_t j,
                                               char* out) {
    if (static_cast<std::size_t>(end - begin) > kMaxFieldBytes) end = begin + kMaxFieldBytes;
    while (begin < end && isStrippable(*begin)) ++begin;
    while (end > begin && isStrippable(end[-1])) --end;
    auto n = static_cast<std::size_t>(end - begin);
    bool ascii = true;
    if (n == 0) {
        *out = ' ';
        n = 1;
    } else if (n <= 2 * sizeof(std::uint64_t)) {
        // Most fields are short: two words are copied whatever follows the field, and only the field's
        // own bytes are judged.
        const std::uint64_t first = LoadEightBytes(begin);
        const std::uint64_t second = LoadEightBytes(begin + 8);
        std::memcpy(out, &first, sizeof first);
        std::memcpy(out + 8, &second, sizeof second);
        ascii = !AnyByteOutsidePrintableAscii(firstBytesThenSpaces(first, n)) &&
                (n <= 8 || !AnyByteOutsidePrintableAscii(firstBytesThenSpaces(second, n - 8)));
    } else {
        // Judged from the source: reading the copy back would wait for the copy's stores to land.
        ascii = AllPrintableAscii(begin, n);
        std::memcpy(out, begin, n);
    }
    record.rawLength[j] = static_cast<std::uint8_t>(n);
    if (ascii) record.asciiMask = static_cast<std::uint16_t>(record.asciiMask | (1U << j));
    return out + n;
}

// Builds the record of the line [begin, end), which holds no line feed, carriage return or 0x1A, as
// RecordBuilder builds it from the same bytes; its raw values are written at `out`, whose offset from
// `rawStart` the record keeps. Returns the end of what was written. The raw values are never longer
// than the line: a field becomes at most its bytes, or one space standing for its separator.
char* buildPlainLine(const char* begin, const char* end, std::size_t fieldCount, TRecOfFile& record,
                     const char* rawStart, char* out) {
    record.rawOffset = static_cast<std::uint64_t>(out - rawStart);
    std::uint64_t separators = 0;
    std::size_t piece = 0;
    for (; piece < fieldCount; ++piece) {
        const char* bar = findSeparator(begin, end);
        if (bar == nullptr) break;
        out = storeField(begin, bar, record, piece, out);
        ++separators;
        begin = bar + 1;
    }
    const std::string_view rest(begin, static_cast<std::size_t>(end - begin));
    bool bytesAfterLastSeparator = false;
    if (!rest.empty() && piece < fieldCount) {
        out = storeField(rest.data(), end, record, piece, out);
        bytesAfterLastSeparator = true;
    } else if (!rest.empty()) {
        // Surplus pieces only count.
        countSurplus(rest, separators, bytesAfterLastSeparator);
    }
    const std::uint64_t pieces = separators + (bytesAfterLastSeparator ? 1 : 0);
    if (pieces == 0) {
        record.lineErrorBits |= kNoData;
    } else {
        record.fieldCount = static_cast<std::uint8_t>(fieldCount);
        if (pieces > fieldCount) record.lineErrorBits |= kTooManyFields;
    }
    return out;
}

// Whole lines of the file and the records built from them, with raw offsets from the block's start.
struct LineBlock {
    explicit LineBlock(std::size_t capacity) : bytes(new char[capacity + kWordSlack]()) {
        // A record needs at least its line feed; a typical line is far longer than 64 bytes.
        records.reserve(capacity / 64 + 16);
        rawBytes.reserve(capacity + kWordSlack);
    }

    void build(std::size_t fieldCount) {
        records.clear();
        const std::string_view text(bytes.get(), length);
        if (text.find('\x1A') == std::string_view::npos) {
            buildWithoutEndMark(text, fieldCount);
            return;
        }
        rawBytes.clear();
        LineScanner lines(text);
        // The records never outgrow their room: a block of very short lines is built only in part.
        const std::size_t room = records.capacity();
        while (records.size() < room && readRecord(RecordStore{records, rawBytes}, lines, fieldCount)) {
        }
        rawUsed = rawBytes.size();
        endsFile = lines.endMarkSeen();
        rest = lines.unread();
    }

    // The lines of a block without end mark, as LineScanner splits them: most are built straight from
    // the block's bytes, and the few holding a carriage return other than at their end by RecordBuilder.
    void buildWithoutEndMark(std::string_view text, std::size_t fieldCount) {
        endsFile = false;
        // The raw values are never longer than the lines. The room is kept from block to block, so it
        // is cleared only once.
        const std::size_t room = text.size() + kWordSlack;
        if (rawBytes.size() < room) rawBytes.resize(room);
        char* out = rawBytes.data();
        const char* line = text.data();
        const char* const end = line + text.size();
        const bool mayHoldCr = text.find('\r') != std::string_view::npos;
        const std::size_t recordRoom = records.capacity();
        while (line < end && records.size() < recordRoom) {
            const auto* lf = static_cast<const char*>(std::memchr(line, '\n', static_cast<std::size_t>(end - line)));
            const char* next = lf != nullptr ? lf + 1 : end;
            const char* lineEnd = lf != nullptr ? lf : end;
            if (mayHoldCr) {
                while (lineEnd > line && lineEnd[-1] == '\r') --lineEnd;
                if (lf == nullptr && lineEnd == line) break; // a last line of carriage returns only is none
                if (std::memchr(line, '\r', static_cast<std::size_t>(lineEnd - line)) != nullptr) {
                    out = buildWithCarriageReturns({line, static_cast<std::size_t>(next - line)}, fieldCount, out, room);
                    line = next;
                    continue;
                }
            }
            out = buildPlainLine(line, lineEnd, fieldCount, records.emplace_back(), rawBytes.data(), out);
            line = next;
        }
        rawUsed = static_cast<std::size_t>(out - rawBytes.data());
        rest = std::string_view(line, static_cast<std::size_t>(end - line));
    }

    // Builds one line by RecordBuilder after the raw values up to `out`; returns their new end.
    char* buildWithCarriageReturns(std::string_view line, std::size_t fieldCount, char* out, std::size_t room) {
        rawBytes.resize(static_cast<std::size_t>(out - rawBytes.data()));
        LineScanner one(line);
        readRecord(RecordStore{records, rawBytes}, one, fieldCount);
        const std::size_t built = rawBytes.size();
        rawBytes.resize(room);
        return rawBytes.data() + built;
    }

    std::unique_ptr<char[]> bytes; ///< room for the block's bytes and kWordSlack more
    std::size_t length = 0;
    std::vector<TRecOfFile> records;
    std::vector<char> rawBytes; ///< the records' raw values in the first rawUsed bytes
    std::size_t rawUsed = 0;
    bool endsFile = false; ///< a 0x1A at a line start: the lines after it are not part of the file
    std::string_view rest;  ///< lines left unbuilt for want of room
};

// Runs `fn` beside the caller for a block worth a thread of its own; else when its result is asked for.
template <class Fn> std::future<void> runFor(const LineBlock& block, Fn fn) {
    return block.length >= kMinBytesPerThread ? RunBeside(std::move(fn)) : std::async(std::launch::deferred, std::move(fn));
}

// Joins a built block to the file. Most of the time goes to the system's first touch of the new memory;
// the copies stay on the reading thread, as the cores are already busy building the blocks after it.
void appendBlock(LoadedFile& file, const LineBlock& block) {
    file.records.append(block.records, file.rawBytes.size());
    file.rawBytes.insert(file.rawBytes.end(), block.rawBytes.begin(), block.rawBytes.begin() + static_cast<std::ptrdiff_t>(block.rawUsed));
}

void showKind(WindowState& state, FileKind kind) {
    PanelState& panel = state.PanelRodzajWczytanegoZbioru;
    panel.textColour = kWhite;
    switch (kind) {
    case FileKind::None:
        panel.text = texts::kKindNone;
        panel.background = kRed;
        break;
    case FileKind::Contractors:
        panel.text = texts::kKindContractors;
        panel.background = kGreen;
        break;
    case FileKind::Orders:
        panel.text = texts::kKindOrders;
        panel.background = kBlue;
        break;
    }
}

} // namespace

std::string ReadFailureMessage(const std::filesystem::path& file, int error) {
    return texts::kCannotReadFile + PathForMessage(file) + "\r" + texts::kReasonPrefix + DescribeSystemError(error) +
           "\r" + texts::kLoadAborted;
}

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), upperAscii);
    return out;
}

std::vector<std::string> SplitText(std::string_view text, std::string_view separator) {
    std::vector<std::string> pieces;
    if (separator.empty()) {
        if (!text.empty()) pieces.emplace_back(text);
        return pieces;
    }
    std::size_t pos = 0;
    for (;;) {
        const std::size_t hit = text.find(separator, pos);
        if (hit == std::string_view::npos) break;
        pieces.emplace_back(text.substr(pos, hit - pos));
        pos = hit + separator.size();
    }
    if (pos < text.size()) pieces.emplace_back(text.substr(pos));
    return pieces;
}

HeaderScanner::Finder::Finder(std::vector<std::string_view> patterns)
    : m_patterns(std::move(patterns)), m_found(m_patterns.size(), false) {
    for (std::string_view p : m_patterns) m_keep = std::max(m_keep, p.size() - 1);
}

void HeaderScanner::Finder::feed(std::string_view bytes) {
    // The window holds the end of the earlier bytes, so a pattern split between two pieces is found too.
    m_window.append(UpperAscii(bytes));
    for (std::size_t k = 0; k < m_patterns.size(); ++k) {
        if (!m_found[k] && m_window.find(m_patterns[k]) != std::string::npos) m_found[k] = true;
    }
    if (m_window.size() > m_keep) m_window.erase(0, m_window.size() - m_keep);
}

HeaderScanner::HeaderScanner()
    : m_keywords({"KONTRAHENCI", "ZLECENIA"}), m_names({CodePageNames.begin(), CodePageNames.end()}) {}

void HeaderScanner::operator()(std::string_view bytes) {
    m_keywords.feed(bytes);
    // The code page is named in the second "|"-separated piece. Stripping the line's ends first, as the
    // format says, cannot change what that piece contains: no name holds a byte up to 0x20.
    while (!bytes.empty() && m_separators < 2) {
        const std::size_t bar = bytes.find('|');
        if (m_separators == 1) m_names.feed(bytes.substr(0, bar));
        if (bar == std::string_view::npos) return;
        ++m_separators;
        bytes.remove_prefix(bar + 1);
    }
}

HeaderInfo HeaderScanner::result() const {
    HeaderInfo info;
    if (m_keywords.found(0)) info.kind = FileKind::Contractors;
    if (m_keywords.found(1)) info.kind = FileKind::Orders;
    for (int p = 0; p < kCodePageCount; ++p) {
        if (m_names.found(static_cast<std::size_t>(p))) info.declaredCodePage = p;
    }
    return info;
}

bool OdczytajNaglowek(Session& session, LineScanner& input, BackgroundIdentification& identification) {
    LoadedFile& file = session.file;
    WindowState& state = session.state;
    file.loadMessages.clear();
    file.kind = FileKind::None;
    file.codePageDeclared = false;

    HeaderScanner header;
    const bool hasLine = input.readLine(header);
    if (input.error() != 0) {
        showKind(state, file.kind);
        session.ui.showMessage(MessageKind::Error, ReadFailureMessage(file.fileName, input.error()));
        return false;
    }
    if (hasLine) {
        const HeaderInfo info = header.result();
        if (info.kind != FileKind::None) {
            file.kind = info.kind;
            if (info.declaredCodePage >= 0) file.declaredCodePage = info.declaredCodePage;
            file.codePageDeclared = info.declaredCodePage >= 0;
            state.ComboBoxStrona.textColour = kWhite;
            // The identification reads the file a second time, beside the reading of the records.
            OpenedSource second = session.openInput(file.fileName);
            if (!second.source) {
                showKind(state, file.kind);
                session.ui.showMessage(MessageKind::Error, ReadFailureMessage(file.fileName, second.error));
                return false;
            }
            identification.start(std::move(second.source), info.declaredCodePage, session.readBlockSize);
        } else {
            file.loadMessages.push_back(texts::kNoHeaderKeyword);
        }
    }
    showKind(state, file.kind);
    if (!file.loadMessages.empty()) {
        std::string message;
        for (const std::string& m : file.loadMessages) message += m + "\r";
        message += texts::kLoadAborted;
        session.ui.showMessage(MessageKind::Warning, message);
        return false;
    }
    return true;
}

bool ApplyIdentification(Session& session, const Identification& found) {
    LoadedFile& file = session.file;
    WindowState& state = session.state;
    if (found.error != 0) {
        session.ui.showMessage(MessageKind::Error, ReadFailureMessage(file.fileName, found.error));
        return false;
    }
    file.identifiedCodePage = found.codePage;
    state.ComboBoxStrona.background = file.identifiedCodePage == file.declaredCodePage ? kGreen : kRed;
    state.ComboBoxStrona.selected = file.identifiedCodePage;
    return true;
}

bool OdczytajNaglowek(Session& session, LineScanner& input) {
    BackgroundIdentification identification;
    return OdczytajNaglowek(session, input, identification) &&
           (!identification.started() || ApplyIdentification(session, identification.result()));
}

bool OdczytajWiersz(Session& session, LineScanner& input) {
    LoadedFile& file = session.file;
    return readRecord(RecordStore{file.records, file.rawBytes}, input, FieldCountFor(file.kind));
}

ReadEnd ReadRecords(Session& session, LineScanner& input) {
    LoadedFile& file = session.file;
    const auto tooManyLines = [&file] { return file.records.size() > file.maxLines; };
    const std::size_t fieldCount = FieldCountFor(file.kind);
    // Blocks being built, oldest first, and built ones kept for their room.
    std::deque<std::pair<std::unique_ptr<LineBlock>, std::future<void>>> building;
    std::vector<std::unique_ptr<LineBlock>> spare;
    bool ended = false; // an end mark in a block ended the file
    const auto takeOldest = [&] {
        auto [block, built] = std::move(building.front());
        building.pop_front();
        built.get();
        if (!ended) {
            appendBlock(file, *block);
            ended = block->endsFile;
        }
        if (!ended && !block->rest.empty()) {
            // Far more lines than bytes would make a block's records larger than the file's: such lines are
            // built here, into the file's own records.
            LineScanner rest(block->rest);
            while (readRecord(RecordStore{file.records, file.rawBytes}, rest, fieldCount)) {
            }
            ended = rest.endMarkSeen();
        }
        spare.push_back(std::move(block));
    };
    // While some blocks are built on other threads, the next one is read.
    const std::size_t maxBuilding = Slices::cores();
    while (!ended && !tooManyLines()) {
        std::unique_ptr<LineBlock> block;
        if (spare.empty()) {
            block = std::make_unique<LineBlock>(input.blockSize());
        } else {
            block = std::move(spare.back());
            spare.pop_back();
        }
        block->length = input.readWholeLines(block->bytes.get());
        if (block->length == 0) {
            // A line longer than a block, or the end: read here, after the records of the blocks before it.
            spare.push_back(std::move(block));
            while (!building.empty()) takeOldest();
            if (ended || tooManyLines() || !OdczytajWiersz(session, input)) break;
            ended = input.endMarkSeen();
            continue;
        }
        LineBlock& toBuild = *block;
        std::future<void> built = runFor(toBuild, [&toBuild, fieldCount] { toBuild.build(fieldCount); });
        building.emplace_back(std::move(block), std::move(built));
        while (building.size() > maxBuilding) takeOldest();
    }
    while (!building.empty()) takeOldest();
    if (tooManyLines()) return {kTooManyLines, false};
    ended = ended || input.endMarkSeen();
    // A file ended by its end mark was read without failure, whatever a read beyond the mark met.
    return {ended ? 0 : input.error(), ended};
}

} // namespace quarvel
