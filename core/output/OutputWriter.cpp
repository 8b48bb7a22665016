#include "output/OutputWriter.h"

#include "output/LogReport.h"
#include "output/OutputTexts.h"

#include <algorithm>
#include <system_error>

namespace quarvel {
namespace {

// The last fixed (always written) and the last optional position of each kind.
struct WrittenPositions {
    std::size_t lastFixed;
    std::size_t lastOptional;
};

WrittenPositions positionsFor(FileKind kind) {
    return kind == FileKind::Contractors ? WrittenPositions{8, 12} : WrittenPositions{5, 10};
}

bool isBlank(std::string_view bytes) {
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) <= 0x20; });
}

// Position of the last optional value that is not blank, or 0 when there is none. Only a test of
// blankness is needed, and translation never turns a byte above 0x20 into one below or back.
std::size_t lastFilledOptional(const LoadedFile& file, std::size_t r) {
    const WrittenPositions limits = positionsFor(file.kind);
    const std::size_t count = file.fieldCount(r);
    for (std::size_t p = std::min(limits.lastOptional + 1, count); p > limits.lastFixed + 1; --p) {
        if (!isBlank(file.value(r, p - 1))) return p - 1;
    }
    return 0;
}

// Windows-1250 to ISO-8859-2, applied after the value's own translation.
struct OutputMaps {
    ByteMap fromRaw{};
    ByteMap fromFix{};
    explicit OutputMaps(const LoadedFile& file) {
        const ByteMap& toIso = ConversionMap(WINDOWS_EE, ISO_LATIN2);
        for (int b = 0; b < 256; ++b) {
            fromRaw[b] = toIso[file.rawToValue()[b]];
            fromFix[b] = toIso[file.fixToValue()[b]];
        }
    }
};

void appendLine(const LoadedFile& file, std::size_t r, const OutputMaps& maps, std::string& out) {
    const WrittenPositions limits = positionsFor(file.kind);
    const std::size_t lastFilled = lastFilledOptional(file, r);
    const std::size_t count = file.fieldCount(r);
    for (std::size_t p = 0; p < count; ++p) {
        const bool fixed = p <= limits.lastFixed;
        if (fixed || p <= lastFilled) {
            const ValueBytes value = file.valueBytes(r, p);
            if (value.bytes.empty()) {
                out += ' ';
            } else {
                const ByteMap& map = value.map == &file.rawToValue() ? maps.fromRaw : maps.fromFix;
                for (char c : value.bytes) out += static_cast<char>(map[static_cast<std::uint8_t>(c)]);
            }
        }
        if (fixed || p < lastFilled) out += '|';
    }
}

} // namespace

std::filesystem::path OutputFileName(const std::filesystem::path& input) {
    std::string name = input.filename().string();
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return input.parent_path() / (name + texts::kOutputSuffix);
}

bool IsFieldWritten(const LoadedFile& file, std::size_t r, std::size_t p) {
    const WrittenPositions limits = positionsFor(file.kind);
    if (p <= limits.lastFixed) return true;
    if (p > limits.lastOptional) return false;
    return p <= lastFilledOptional(file, r);
}

bool IsSeparatorWritten(const LoadedFile& file, std::size_t r, std::size_t p) {
    const WrittenPositions limits = positionsFor(file.kind);
    if (p <= limits.lastFixed) return true;
    return p < lastFilledOptional(file, r);
}

std::string OutputHeader(FileKind kind) {
    return (kind == FileKind::Contractors ? texts::kHeaderContractors : texts::kHeaderOrders) +
           std::string(CodePageNames[ISO_LATIN2]);
}

std::string OutputLine(const LoadedFile& file, std::size_t r) {
    std::string line;
    appendLine(file, r, OutputMaps(file), line);
    return line;
}

WriteResult WriteOutputFile(const LoadedFile& file, const std::filesystem::path& target, const WriteFaults& faults) {
    const OutputMaps maps(file);
    return WriteFileAtomically(
        target,
        [&](FileOutput& out) {
            out.write(OutputHeader(file.kind) + "\r\n");
            std::string line;
            for (std::size_t r = 0; r < file.records.size(); ++r) {
                if (!file.records[r].isValid()) continue;
                line.clear();
                appendLine(file, r, maps, line);
                line += "\r\n";
                out.write(line);
            }
        },
        faults);
}

WriteResult SaveValidRecords(const LoadedFile& file, const WriteFaults& faults) {
    const std::filesystem::path target = OutputFileName(file.fileName);
    std::error_code ec;
    // The name always differs from the input's, but a link can still make it the same file.
    if (std::filesystem::equivalent(target, file.fileName, ec)) {
        return {false, EEXIST, texts::kOutputIsInput + PathForMessage(target)};
    }
    return WriteOutputFile(file, target, faults);
}

WriteResult bZapiszTylkoPrawidloweClick(Session& session) {
    const std::filesystem::path target = OutputFileName(session.file.fileName);
    session.ui.setBusy(true);
    WriteResult result = SaveValidRecords(session.file, session.writeFaults);
    session.ui.setBusy(false);
    if (!result.ok) {
        session.ui.showMessage(result.message);
        return result;
    }
    BuildLogReport(session);
    session.ui.showMessage(texts::kSaved + "\r" + PathForMessage(target));
    return result;
}

} // namespace quarvel
