#include "RejectedLines.h"

#include "IoTexts.h"
#include "Utf16Source.h"
#include "OutputTexts.h"
#include "OutputWriter.h"

#include <memory>

namespace quarvel {
namespace {

// Splits the input into its lines as the reader does (a line ends at a line feed; a 0x1A at the start of
// a line, after carriage returns, ends the file; a last line of carriage returns only is none), and hands
// on the bytes of the wanted ones whole, their line ends included.
class LineCopier {
public:
    LineCopier(const LoadedFile& file, const SkippedRecords& skipped, FileOutput& out)
        : m_records(file.records().size()), m_skipped(skipped), m_out(out) {}

    void add(std::string_view bytes) {
        while (!bytes.empty() && !m_ended) {
            if (m_atStart) {
                const std::size_t first = bytes.find_first_not_of('\r');
                if (first != std::string_view::npos && bytes[first] == '\x1A') {
                    m_ended = true; // the carriage returns before the mark belong to no line
                    return;
                }
                if (first != std::string_view::npos) m_atStart = false;
            }
            const std::size_t lf = bytes.find('\n');
            const std::string_view piece = bytes.substr(0, lf == std::string_view::npos ? bytes.size() : lf + 1);
            if (wanted()) m_out.write(piece);
            m_lastByte = piece.back();
            bytes.remove_prefix(piece.size());
            if (lf != std::string_view::npos) endLine();
        }
    }

    /// The end of the input: a last line without line feed gets CR LF (or LF after its carriage return).
    void finish() {
        if (m_ended || m_atStart) return; // nothing, or carriage returns only: no line
        if (wanted()) m_out.write(m_lastByte == '\r' ? "\n" : "\r\n");
        endLine();
    }

    /// The lines the reader finds in what was added.
    std::uint64_t lines() const { return m_line - 1; }

private:
    bool wanted() const {
        if (m_line == 1) return true; // the header
        const std::uint64_t record = m_line - 2;
        return record < m_records && record < m_skipped.size() && m_skipped[record];
    }
    void endLine() {
        ++m_line;
        m_atStart = true;
    }

    std::uint64_t m_records;
    const SkippedRecords& m_skipped;
    FileOutput& m_out;
    std::uint64_t m_line = 1; ///< the number of the line being read
    bool m_atStart = true;    ///< no byte but carriage returns read of the line yet
    bool m_ended = false;     ///< an end mark ended the file
    char m_lastByte = 0;
};

[[noreturn]] void inputChanged(const LoadedFile& file) {
    throw ProducerFailure(kChangedWhileRead, texts::kInputChangedSinceLoad + pathForMessage(file.fileName) + "\r" +
                                                 texts::kRejectedNotWritten);
}

[[noreturn]] void cannotRead(const LoadedFile& file, int error) {
    throw ProducerFailure(error, texts::kCannotReadInput + pathForMessage(file.fileName) + "\r" + texts::kReasonPrefix +
                                     describeSystemError(error) + "\r" + texts::kRejectedNotWritten);
}

} // namespace

SkippedRecords currentlySkipped(const LoadedFile& file) {
    SkippedRecords skipped(file.records().size());
    file.records().forEachLine(0, file.records().size(),
                               [&skipped](std::size_t i, const Record& record) { skipped[i] = !record.isValid(); });
    return skipped;
}

Producer rejectedLinesProducer(const LoadedFile& file, const SkippedRecords& skipped, const SourceOpener& open) {
    return [&file, &skipped, &open](FileOutput& out) {
        OpenedSource opened = openInputText(open, file.fileName);
        if (!opened.source) cannotRead(file, opened.error);
        ByteSource& source = *opened.source;
        const auto sameAsLoaded = [&] {
            const std::optional<platform::FileStamp> now = source.stamp();
            return !file.inputStamp || (now && *now == *file.inputStamp);
        };
        if (!sameAsLoaded()) inputChanged(file);
        LineCopier copier(file, skipped, out);
        constexpr std::size_t kBlock = std::size_t{1} << 20;
        const std::unique_ptr<char[]> block(new char[kBlock]);
        for (std::size_t got; (got = source.read(block.get(), kBlock)) > 0;)
            copier.add({block.get(), got});
        if (source.error() != 0) cannotRead(file, source.error());
        copier.finish();
        // The header and a line per record: the file the records were read from, read to its end unchanged.
        if (!sameAsLoaded() || copier.lines() != file.records().size() + 1) inputChanged(file);
    };
}

WriteResult writeRejectedLines(const LoadedFile& file, const SkippedRecords& skipped,
                              const std::filesystem::path& target, const SourceOpener& open,
                              const OutputOpener& openOutput) {
    return writeFileAtomically(
        target, rejectedLinesProducer(file, skipped, open),
        {{file.fileName, texts::kInputFileRole}, {outputFileName(file.fileName), texts::kOutputFileRole}}, openOutput);
}

} // namespace quarvel
