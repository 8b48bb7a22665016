#pragma once

// Shared pieces of the fuzz targets: the tests' in-memory byte source, read in small pieces, a user interface that only
// records messages, and a plain re-reading of the input format that the streaming reader is compared with.

#include "CodePageIdentification.h"
#include "Session.h"
#include "CodePages.h"
#include "Layout.h"
#include "Windows1250.h"
#include "AtomicFile.h"
#include "support/MemorySource.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <array>
#include <utility>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <unistd.h>

namespace quarvel::fuzz {

/// Stops the run with a message; libFuzzer reports the input as a crash.
[[noreturn]] inline void Fail(const char* what, const std::string& detail = {}) {
    std::fprintf(stderr, "\n*** invariant broken: %s %s\n", what, detail.c_str());
    std::abort();
}

#define FUZZ_CHECK(condition, ...)                                                                                     \
    do {                                                                                                               \
        if (!(condition)) ::quarvel::fuzz::Fail(#condition, ##__VA_ARGS__);                                            \
    } while (false)

/// Takes bytes off the front of the fuzzer's input to choose settings; 0 when the input is used up.
class Choices {
public:
    Choices(const std::uint8_t* data, std::size_t size) : m_rest(reinterpret_cast<const char*>(data), size) {}
    std::uint8_t byte() {
        if (m_rest.empty()) return 0;
        const auto b = static_cast<std::uint8_t>(m_rest.front());
        m_rest.remove_prefix(1);
        return b;
    }
    /// What is left: the file's content.
    std::string_view rest() const { return m_rest; }

private:
    std::string_view m_rest;
};

using test::MemoryReading;
using test::MemorySource;

/// How the targets read a file from memory: in pieces of at most `chunk` bytes, failing after `failAfter`
/// bytes, with the stamp of an unchanging file so that the load's checks of a changing file run too.
inline MemoryReading Reading(std::size_t chunk, std::size_t failAfter = MemoryReading::kAll) {
    return {.chunk = chunk, .failAfter = failAfter, .stamped = true};
}

class RecordingUi final : public UserInterface {
public:
    void showMessage(MessageKind, std::string_view text) override { messages.emplace_back(text); }
    void setBusy(bool) override {}
    std::optional<std::filesystem::path> chooseFileToOpen(const std::vector<FileFilter>&,
                                                          const std::filesystem::path&) override {
        return std::nullopt;
    }
    std::vector<std::string> messages;
};

/// An empty file that exists for the whole run: the load driver asks whether its path exists and then
/// reads through Session::openInput, which the targets point at memory.
inline const std::filesystem::path& ExistingPath() {
    // Held on the heap and never freed, so the removal at exit does not outlive it.
    static const std::filesystem::path* path = [] {
        auto* file = new std::filesystem::path(std::filesystem::temp_directory_path() /
                                               ("quarvel-fuzz-" + std::to_string(::getpid())) / "input.txt");
        std::filesystem::create_directories(file->parent_path());
        std::FILE* f = std::fopen(file->c_str(), "wb");
        if (f != nullptr) std::fclose(f);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(ExistingPath().parent_path(), ec);
        });
        return file;
    }();
    return *path;
}

// ---- The input format, read the plain way -------------------------------------------------------------

/// The file as the reader sees it: one that starts with FF FE or FE FF decoded from UTF-16 to UTF-8, its
/// mark as EF BB BF, a lone surrogate and an odd last byte as U+FFFD; any other as it is.
inline std::string ReferenceText(std::string_view data) {
    const bool little = data.starts_with(std::string_view("\xFF\xFE", 2));
    if (!little && !data.starts_with(std::string_view("\xFE\xFF", 2))) return std::string(data);
    std::vector<char32_t> units;
    for (std::size_t k = 0; k < data.size(); k += 2) {
        if (k + 1 == data.size()) {
            units.push_back(0xFFFD); // stands for itself, never part of a pair
            break;
        }
        const auto a = static_cast<unsigned char>(data[k]);
        const auto b = static_cast<unsigned char>(data[k + 1]);
        units.push_back(little ? char32_t{a} | char32_t{b} << 8 : char32_t{a} << 8 | char32_t{b});
    }
    std::vector<char32_t> points;
    for (std::size_t k = 0; k < units.size(); ++k) {
        const char32_t u = units[k];
        const bool high = u >= 0xD800 && u <= 0xDBFF;
        const bool pairs = high && k + 1 < units.size() && units[k + 1] >= 0xDC00 && units[k + 1] <= 0xDFFF;
        if (pairs) {
            points.push_back(0x10000 + ((u - 0xD800) << 10) + (units[++k] - 0xDC00));
        } else {
            points.push_back(u >= 0xD800 && u <= 0xDFFF ? 0xFFFD : u);
        }
    }
    std::string out;
    for (char32_t cp : points) {
        if (cp < 0x80) {
            out += static_cast<char>(cp);
        } else if (cp < 0x800) {
            out += static_cast<char>(0xC0 | cp >> 6);
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            out += static_cast<char>(0xE0 | cp >> 12);
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | cp >> 18);
            out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
            out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
            out += static_cast<char>(0x80 | (cp & 0x3F));
        }
    }
    return out;
}

/// The character of UTF-8 text at `k`, by the value its bits spell: its length and code point, or length 0
/// when the bytes there are no well-formed character (overlong, a surrogate, beyond U+10FFFF, cut short).
inline std::pair<std::size_t, char32_t> ReferenceUtf8At(std::string_view text, std::size_t k) {
    const auto lead = static_cast<unsigned char>(text[k]);
    const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 0x6 ? 2 : (lead >> 4) == 0xE ? 3 : (lead >> 3) == 0x1E ? 4 : 0;
    if (length == 0 || k + length > text.size()) return {0, 0};
    char32_t cp = length == 1 ? lead : lead & (0xFF >> (length + 1));
    for (std::size_t t = 1; t < length; ++t) {
        const auto b = static_cast<unsigned char>(text[k + t]);
        if ((b >> 6) != 0x2) return {0, 0};
        cp = cp << 6 | (b & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kSmallest[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return {0, 0};
    return {length, cp};
}

/// The Windows-1250 text of UTF-8 text: a character its byte, or 0x81 when the code page lacks it; 0x81
/// for every byte that starts no well-formed character.
inline std::string ReferenceCp1250FromUtf8(std::string_view text) {
    std::string out;
    for (std::size_t k = 0; k < text.size();) {
        const auto [length, cp] = ReferenceUtf8At(text, k);
        if (length == 0) {
            out += '\x81';
            ++k;
            continue;
        }
        char byte = '\x81';
        if (cp < 0x80) byte = static_cast<char>(cp);
        for (int b = 0x80; b < 0x100 && cp >= 0x80; ++b) {
            if (unicodeFromCp1250(static_cast<unsigned char>(b)) == cp) byte = static_cast<char>(b);
        }
        out += byte;
        k += length;
    }
    return out;
}

/// Whether the line is well-formed UTF-8; `letter` is set when it holds one of the 18 Polish letters.
inline bool ReferenceWellFormedUtf8(std::string_view line, bool& letter) {
    static constexpr char32_t kPolish[] = {0x104, 0x106, 0x118, 0x141, 0x143, 0xD3,  0x15A, 0x179, 0x17B,
                                           0x105, 0x107, 0x119, 0x142, 0x144, 0xF3,  0x15B, 0x17A, 0x17C};
    for (std::size_t k = 0; k < line.size();) {
        const auto [length, cp] = ReferenceUtf8At(line, k);
        if (length == 0) return false;
        if (std::find(std::begin(kPolish), std::end(kPolish), cp) != std::end(kPolish)) letter = true;
        k += length;
    }
    return true;
}

/// The lines of a file by the line rules: LF ends a line, CR is dropped, 0x1A at a line start ends the
/// file and inside a line ends that line; a last line without LF is a line unless it held only CRs.
inline std::vector<std::string> ReferenceLines(std::string_view data) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < data.size()) {
        const std::size_t lf = data.find('\n', pos);
        const std::size_t end = lf == std::string_view::npos ? data.size() : lf;
        std::string line;
        for (std::size_t k = pos; k < end; ++k) {
            if (data[k] != '\r') line += data[k];
        }
        const std::size_t mark = line.find('\x1A');
        if (mark == 0) break;
        const bool onlyCarriageReturns = line.empty();
        if (mark != std::string::npos) line.resize(mark);
        if (lf == std::string_view::npos && onlyCarriageReturns) break;
        lines.push_back(std::move(line));
        pos = end + 1;
    }
    return lines;
}

/// The "|"-separated pieces of a line by the splitting rule.
inline std::vector<std::string> ReferencePieces(std::string_view line) {
    std::vector<std::string> pieces;
    std::string current;
    for (char c : line) {
        if (c == '|') {
            pieces.push_back(current);
            current.clear();
        } else {
            current += c;
        }
    }
    if (!current.empty()) pieces.push_back(current);
    return pieces;
}

inline bool Strippable(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

inline std::string ReferenceStrip(std::string_view text) {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && Strippable(text[first])) ++first;
    while (last > first && Strippable(text[last - 1])) --last;
    return std::string(text.substr(first, last - first));
}

inline std::string ReferenceUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    return out;
}

/// One data line as the reader must store it.
struct ReferenceRecord {
    bool noData = false;
    bool tooManyFields = false;
    std::vector<std::string> raw; ///< empty for a line without data
};

inline ReferenceRecord ReferenceRead(std::string_view line, std::size_t fieldCount) {
    ReferenceRecord record;
    const std::vector<std::string> pieces = ReferencePieces(line);
    if (pieces.empty()) {
        record.noData = true;
        return record;
    }
    record.tooManyFields = pieces.size() > fieldCount;
    for (std::size_t j = 0; j < fieldCount; ++j) {
        if (j < pieces.size()) {
            std::string value = ReferenceStrip(std::string_view(pieces[j]).substr(0, 250));
            record.raw.push_back(value.empty() ? " " : value);
        } else {
            record.raw.emplace_back();
        }
    }
    return record;
}

/// What the header line says; `declared` is empty when it names no code page.
struct ReferenceHeader {
    FileKind kind = FileKind::None;
    std::optional<CodePage> declared;
};

inline ReferenceHeader ReferenceReadHeader(std::string_view line) {
    ReferenceHeader header;
    const std::string upper = ReferenceUpper(line);
    if (upper.find("KONTRAHENCI") != std::string::npos) header.kind = FileKind::Contractors;
    if (upper.find("ZLECENIA") != std::string::npos) header.kind = FileKind::Orders;
    const std::vector<std::string> pieces = ReferencePieces(ReferenceStrip(upper));
    if (pieces.size() >= 2) {
        for (const CodePage p : kCodePages) {
            if (pieces[1].find(nameOf(p)) != std::string::npos) header.declared = p;
        }
    }
    return header;
}

/// Where a 0x1A at the start of a line ends the file (carriage returns before it do not count), and
/// what follows it.
inline std::optional<EndMark> ReferenceEndMark(std::string_view data) {
    std::size_t lineStart = 0;
    while (lineStart < data.size()) {
        std::size_t first = lineStart;
        while (first < data.size() && data[first] == '\r') ++first;
        if (first < data.size() && data[first] == '\x1A') {
            EndMark mark{first};
            const std::string_view after = data.substr(first + 1);
            mark.bytesAfter = after.size();
            mark.dataAfter = after.find_first_not_of(std::string_view("\x1A\r\n", 3)) != std::string_view::npos;
            return mark;
        }
        const std::size_t lf = data.find('\n', lineStart);
        if (lf == std::string_view::npos) break;
        lineStart = lf + 1;
    }
    return std::nullopt;
}

/// An in-memory file for a producer of the output or the log.
class StringOutput final : public FileOutput {
public:
    void write(std::string_view bytes) override { text.append(bytes); }
    int flush() override { return 0; }
    std::string text;
};

/// The identification over the lines: UTF-8 for a file starting with its mark (`startsWithMark`), or
/// whose lines are all well-formed UTF-8 holding a Polish letter, or well-formed with UTF-8 declared; else
/// per single-byte code page the bytes that are its letters, the last byte of each line left out; the
/// largest count wins; a tie goes to `declared` when it is among the largest, else (a page named) to the
/// smaller id; with none named, to the largest sum of the letters' weights, then the smaller id.
inline CodePage ReferenceIdentify(const std::vector<std::string>& lines, std::optional<CodePage> declared = std::nullopt,
                                  bool startsWithMark = false) {
    bool letter = false;
    const bool wellFormed = std::all_of(lines.begin(), lines.end(),
                                        [&letter](const std::string& line) { return ReferenceWellFormedUtf8(line, letter); });
    if (startsWithMark || (wellFormed && (letter || declared == CodePage::Utf8))) return CodePage::Utf8;
    static const auto isLetter = [] {
        std::array<std::array<bool, 256>, kSingleByteCodePageCount> table{};
        for (std::size_t p = 0; p < kSingleByteCodePageCount; ++p) {
            for (int b = 0; b < 256; ++b) table[p][b] = letterIndex(codePageAt(p), static_cast<std::uint8_t>(b)) >= 0;
        }
        return table;
    }();
    std::array<std::uint64_t, kSingleByteCodePageCount> counts{};
    std::array<std::uint64_t, kSingleByteCodePageCount> weights{};
    for (std::size_t p = 0; p < kSingleByteCodePageCount; ++p) {
        for (const std::string& line : lines) {
            for (std::size_t k = 0; k + 1 < line.size(); ++k) {
                if (!isLetter[p][static_cast<std::uint8_t>(line[k])]) continue;
                ++counts[p];
                weights[p] += kLetterWeights[static_cast<std::size_t>(
                    letterIndex(codePageAt(p), static_cast<std::uint8_t>(line[k])))];
            }
        }
    }
    std::size_t best = 0;
    long long largest = -1;
    for (std::size_t p = 0; p < kSingleByteCodePageCount; ++p) {
        if (static_cast<long long>(counts[p]) > largest) {
            largest = static_cast<long long>(counts[p]);
            best = p;
        }
    }
    if (declared && isSingleByte(*declared) && counts[indexOf(*declared)] == static_cast<std::uint64_t>(largest)) {
        return *declared;
    }
    if (!declared) {
        for (std::size_t p = best + 1; p < kSingleByteCodePageCount; ++p) {
            if (counts[p] == counts[best] && weights[p] > weights[best]) best = p;
        }
    }
    return codePageAt(best);
}

/// The block sizes worth trying: tiny ones split every piece, 1 MiB is the reader's own.
inline std::size_t BlockSizeFrom(std::uint8_t b) {
    static constexpr std::size_t kSizes[] = {1, 2, 3, 4, 5, 7, 8, 11, 13, 16, 31, 64, 250, 251, 4096, std::size_t{1} << 20};
    return kSizes[b % (sizeof kSizes / sizeof kSizes[0])];
}

} // namespace quarvel::fuzz
