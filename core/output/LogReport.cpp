#include "output/LogReport.h"

#include "output/OutputTexts.h"

namespace quarvel {

std::vector<std::string> LogReportLines(const LoadedFile& file) {
    std::vector<std::string> lines = {
        texts::kLogStatistics,
        std::string(18, '-'),
        texts::kLogAllRecords + std::to_string(file.records.size()),
        texts::kLogSkipped + std::to_string(file.invalidCount),
        texts::kLogWritten + std::to_string(file.validCount),
        std::string(93, '~'),
        "",
        texts::kLogDetails,
        "",
    };
    const TTabStruc& layout = LayoutFor(file.kind);
    bool anyBlock = false;
    for (std::size_t i = 0; i < file.records.size(); ++i) {
        const TRecOfFile& record = file.records[i];
        if (record.isValid()) continue;
        anyBlock = true;
        lines.push_back(texts::kLogErrorsForLine + std::to_string(LoadedFile::lineNumber(i)));
        if (record.lineErrorBits != 0) {
            lines.push_back(texts::kLogLineErrors);
            std::size_t k = 0;
            for (const std::string& message : file.lineErrors(i)) lines.push_back(std::to_string(++k) + ". " + message);
        }
        if (record.hasFieldErrors) {
            lines.push_back(texts::kLogFieldErrors);
            for (std::size_t p = 0; p < record.fieldCount && p < layout.size(); ++p) {
                for (const std::string& message : file.fieldErrors(i, p)) lines.push_back(layout[p].name + ": " + message);
            }
            lines.emplace_back();
        }
        lines.emplace_back();
        lines.push_back(std::string(65, '-'));
    }
    if (!anyBlock) lines.push_back(texts::kLogNoErrors);
    lines.emplace_back();
    lines.push_back(texts::kLogEnd);
    return lines;
}

void BuildLogReport(Session& session) {
    session.state.RichEditLOG.lines = LogReportLines(session.file);
    session.state.bPokazLog.enabled = true;
}

WriteResult SaveLogFile(const std::vector<std::string>& lines, const std::filesystem::path& target,
                        const WriteFaults& faults) {
    return WriteFileAtomically(
        target,
        [&lines](FileOutput& out) {
            for (const std::string& line : lines) {
                out.write(line);
                out.write("\r\n");
            }
        },
        faults);
}

} // namespace quarvel
