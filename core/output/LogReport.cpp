#include "LogReport.h"

#include "Validation.h"
#include "ChunkWriter.h"
#include "OutputTexts.h"
#include "OutputWriter.h"
#include "RejectedLines.h"

#include <algorithm>
#include <charconv>

namespace quarvel {
namespace {

// Builds each line of the report in one reused buffer and hands it to `emit(std::string_view)` without
// its line end, so the report of a large file never needs to be held whole.
template <class Emit> class LogLines {
public:
    LogLines(const LoadedFile& file, Emit& emit) : m_file(file), m_emit(emit) {}

    void all() {
        head();
        tail(blocks(0, file().records().size()));
    }

    /// The statistics, up to the first block.
    void head() {
        line(texts::kLogStatistics);
        line(std::string(18, '-'));
        line(texts::kLogAllRecords, file().records().size());
        line(texts::kLogSkipped, file().invalidCount);
        line(texts::kLogWritten, file().validCount);
        line(std::string(93, '~'));
        line("");
        line(texts::kLogDetails);
        line("");
    }

    /// The blocks of the skipped records among [begin, end); whether there was any.
    bool blocks(std::size_t begin, std::size_t end) {
        bool any = false;
        file().records().forEachLine(begin, end, [&](std::size_t i, const Record& record) {
            if (record.isValid()) return;
            any = true;
            block(i, record);
        });
        return any;
    }

    /// What follows the blocks; `anyBlock` tells whether there was one.
    void tail(bool anyBlock) {
        if (!anyBlock) line(texts::kLogNoErrors);
        line("");
        line(texts::kLogEnd);
    }

private:
    const LoadedFile& file() const { return m_file; }

    // The messages of one skipped record.
    void block(std::size_t i, const Record& record) {
        line(texts::kLogErrorsForLine, LoadedFile::lineNumber(i));
        if (record.lineErrorBits != 0) {
            line(texts::kLogLineErrors);
            std::size_t k = 0;
            for (const std::string& message : file().lineErrors(i)) {
                m_line.clear();
                appendNumber(++k);
                m_line += ". ";
                m_line += message;
                m_emit(std::string_view(m_line));
            }
        }
        if (record.hasFieldErrors) {
            line(texts::kLogFieldErrors);
            const Layout& layout = layoutFor(file().kind);
            for (std::size_t p = 0; p < record.fieldCount && p < layout.size(); ++p) {
                if (record.fieldErrorBits[p] == 0) continue;
                for (const std::string& message : fieldErrors(file(), i, p)) {
                    m_line.assign(layout[p].name);
                    m_line += ": ";
                    m_line += message;
                    m_emit(std::string_view(m_line));
                }
            }
            line("");
        }
        line("");
        line(std::string_view(kRule));
    }

    void line(std::string_view text) { m_emit(text); }

    template <class Number> void line(std::string_view text, Number n) {
        m_line.assign(text);
        appendNumber(n);
        m_emit(std::string_view(m_line));
    }

    template <class Number> void appendNumber(Number n) {
        char digits[24];
        const auto end = std::to_chars(std::begin(digits), std::end(digits), n).ptr;
        m_line.append(digits, end);
    }

    static constexpr std::string_view kRule = "-----------------------------------------------------------------";
    static_assert(kRule.size() == 65);

    const LoadedFile& m_file;
    Emit& m_emit;
    std::string m_line;
};

// Records whose blocks one thread makes at a time.
constexpr std::size_t kRecordsPerChunk = 8192;

template <class Emit> LogLines<Emit> logLines(const LoadedFile& file, Emit& emit) {
    return LogLines<Emit>(file, emit);
}

// Collects output into blocks, so the file is written in a few large pieces.
class BlockWriter {
public:
    explicit BlockWriter(FileOutput& out) : m_out(out) { m_block.reserve(kBlock + 1024); }

    void line(std::string_view text) {
        m_block.append(text);
        m_block += "\r\n";
        if (m_block.size() >= kBlock) flush();
    }

    void flush() {
        m_out.write(m_block);
        m_block.clear();
    }

private:
    static constexpr std::size_t kBlock = std::size_t{1} << 16;
    FileOutput& m_out;
    std::string m_block;
};

} // namespace

std::vector<std::string> logReportLines(const LoadedFile& file) {
    std::vector<std::string> lines;
    auto keep = [&lines](std::string_view line) { lines.emplace_back(line); };
    logLines(file, keep).all();
    return lines;
}

std::vector<ProtectedFile> filesOfReport(const LoadedFile& file) {
    return {{file.fileName, texts::kInputFileRole}, {outputFileName(file.fileName), texts::kOutputFileRole}};
}

void forEachLogLine(const LoadedFile& file, const std::function<void(std::string_view)>& emit) {
    logLines(file, emit).all();
}

WriteResult saveLogFile(const std::vector<std::string>& lines, const std::filesystem::path& target,
                        const std::vector<ProtectedFile>& untouchable, const OutputOpener& open) {
    return writeFileAtomically(
        target,
        [&lines](FileOutput& out) {
            BlockWriter writer(out);
            for (const std::string& line : lines)
                writer.line(line);
            writer.flush();
        },
        untouchable, open);
}

Producer logReportProducer(const LoadedFile& file) {
    return [&file](FileOutput& out) {
        BlockWriter writer(out);
        auto toWriter = [&writer](std::string_view line) { writer.line(line); };
        logLines(file, toWriter).head();
        writer.flush();
        // The blocks of the skipped records, made side by side, in record order.
        const RecordList& records = file.records();
        writeInChunks(out, records.size(), kRecordsPerChunk, [&file](std::size_t begin, std::size_t end, LineBuffer& text) {
            auto toText = [&text](std::string_view line) { text.appendLine(line); };
            logLines(file, toText).blocks(begin, end);
        });
        const std::vector<Record>& withData = records.withData();
        const bool anyBlock = records.linesWithoutData() > 0 ||
                              std::any_of(withData.begin(), withData.end(), [](const Record& r) { return !r.isValid(); });
        logLines(file, toWriter).tail(anyBlock);
        writer.flush();
    };
}

WriteResult saveLogReport(const LoadedFile& file, const std::filesystem::path& target, const OutputOpener& open) {
    return writeFileAtomically(target, logReportProducer(file), {}, open);
}

} // namespace quarvel
