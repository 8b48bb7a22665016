#pragma once

#include "ByteSource.h"
#include "CodePages.h"
#include "Parallel.h"
#include "Utf8.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

namespace quarvel {

class LineScanner;

/// Where a 0x1A at the start of a line ended a file, and what followed it there.
struct EndMark {
    std::uint64_t offset = 0;     ///< the mark's position from the start of the file
    std::uint64_t bytesAfter = 0; ///< bytes after the mark, to the end of the file
    bool dataAfter = false;       ///< some byte after the mark is neither 0x1A, CR nor LF

    /// Takes in bytes that follow the mark.
    void addBytesAfter(std::string_view bytes);
};

/// Counts, per code page, the bytes of the file that are its Polish letters, leaving out the last byte of
/// every line; the largest count names the file's code page. Beside the counts it judges whether the
/// lines are well-formed UTF-8 holding a Polish letter, which makes the file UTF-8.
class CodePageCounter {
public:
    /// Adds bytes of the current line.
    void add(std::string_view bytes);
    /// Ends the current line: its last byte is not counted.
    void endLine();
    /// Adds whole lines, each ending with a line feed but perhaps the last, as add() and endLine() would
    /// line by line. False when an end mark at the start of a line ended the file: nothing after it counts.
    bool addLines(std::string_view lines);
    /// Adds every line `lines` has left, in blocks of whole lines where it can. When an end mark at the
    /// start of a line ends the file, reads on to the end to tell what follows the mark.
    std::optional<EndMark> addAll(LineScanner& lines);
    std::array<std::uint64_t, kSingleByteCodePageCount> counts() const;
    /// Per code page, the sum of the weights (kLetterWeights) of the counted bytes as its letters.
    std::array<std::uint64_t, kSingleByteCodePageCount> weights() const;
    /// The single-byte code page with the largest count. A tie goes to `preferred` when the header names a
    /// code page (`preferred`) and it is among the largest, else to the smaller id; when the header
    /// names none, to the largest weight, and equal weights to the smaller id. All zero
    /// gives MAZOVIA (or `preferred`).
    CodePage result(std::optional<CodePage> preferred = std::nullopt) const;
    /// The code pages that share the largest count, in id order, when the header names none (no
    /// `preferred`) and they read the counted bytes differently (converted to Windows-1250, the texts differ): the
    /// tie rule chose among them by likelihood alone. Empty otherwise.
    std::vector<CodePage> tiedReadingsApart(std::optional<CodePage> preferred = std::nullopt) const;
    /// What the lines say of UTF-8.
    const Utf8Judge& utf8() const { return m_utf8; }

private:
    /// addLines, telling where in `lines` the end mark lies.
    std::optional<std::size_t> addLinesUpToMark(std::string_view lines);

    std::array<std::uint64_t, 256> m_histogram{}; ///< exact for the bytes from 0x80 up, which alone can be letters
    int m_lastByte = -1;
    Utf8Judge m_utf8;
};

/// The code page of a file: UTF-8 when it starts with EF BB BF (`startsWithMark`), or when its lines are
/// well-formed UTF-8 and hold a Polish letter, or are well-formed and the header names UTF-8
/// (`declared`); otherwise the single-byte code page of the counts.
CodePage codePageOfCounts(const CodePageCounter& counter, bool startsWithMark, std::optional<CodePage> declared);

/// A code page found, or the system's error code when the file could not be read; with what the reading
/// saw of the file, so that the load can tell whether the file changed meanwhile.
struct Identification {
    CodePage codePage = CodePage::Mazovia;
    /// The single-byte code pages a tie of the counts chose among, when the header names none and they
    /// read the file's letters differently (CodePageCounter::tiedReadingsApart); the user is to be told.
    std::vector<CodePage> tiedCodePages;
    int error = 0;
    std::uint64_t bytesRead = 0;
    std::uint64_t fileBytesRead = 0; ///< the bytes of the file behind them (more for a decoded UTF-16 file)
    std::optional<EndMark> endMark;
    std::optional<platform::FileStamp> stampBefore; ///< the file as it was opened
    std::optional<platform::FileStamp> stampAfter;  ///< the file once read to its end
};

/// Identifies the code page of the whole stream, read with the input file's line rules in blocks of
/// `blockSize` bytes; a tie among the largest counts goes to `declared` (the code page the header names,
/// if it names one).
Identification identifyCodePage(ByteSource& source, std::optional<CodePage> declared = std::nullopt,
                                std::size_t blockSize = std::size_t{1} << 20);

/// Opens the named file a second time, independently of the reader, and identifies its code page.
Identification identifyCodePage(const std::filesystem::path& file, const SourceOpener& open = openFileSource,
                                std::optional<CodePage> declared = std::nullopt);

/// The identification of an opened source, running on a thread of its own while the caller reads the
/// same file; a small file, or one on a machine that cannot start the thread, is identified when the
/// result is asked for. Destroying it waits for the end.
class BackgroundIdentification {
public:
    BackgroundIdentification() = default;
    BackgroundIdentification(const BackgroundIdentification&) = delete;
    BackgroundIdentification& operator=(const BackgroundIdentification&) = delete;

    /// Starts identifying `source`; at most once.
    void start(std::unique_ptr<ByteSource> source, std::optional<CodePage> declared = std::nullopt, std::size_t blockSize = std::size_t{1} << 20);
    bool started() const { return m_result.started(); }
    /// Waits for the identification and returns it; only once.
    Identification result() { return m_result.get(); }

private:
    // Declared first, destroyed last: the thread that reads the source has ended by then.
    std::unique_ptr<ByteSource> m_source;
    BackgroundResult<Identification> m_result;
};

} // namespace quarvel
