#include "output/OutputWriter.h"

#include "Parallel.h"
#include "output/LogReport.h"
#include "output/OutputTexts.h"

#include <algorithm>
#include <array>
#include <system_error>

namespace quarvel {
namespace {

// Records whose output lines one thread makes at a time.
constexpr std::size_t kRecordsPerSlice = 16384;

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

// The bytes of a value as written: its own translation, then Windows-1250 to ISO-8859-2; and which
// bytes leave a value blank once translated.
struct OutputMaps {
    ByteMap fromRaw{};
    ByteMap fromFix{};
    std::array<bool, 256> blankFromRaw{};
    std::array<bool, 256> blankFromFix{};
    explicit OutputMaps(const LoadedFile& file) {
        const ByteMap& toIso = ConversionMap(WINDOWS_EE, ISO_LATIN2);
        for (int b = 0; b < 256; ++b) {
            fromRaw[b] = toIso[file.rawToValue()[b]];
            fromFix[b] = toIso[file.fixToValue()[b]];
            blankFromRaw[b] = file.rawToValue()[b] <= 0x20;
            blankFromFix[b] = file.fixToValue()[b] <= 0x20;
        }
    }
};

void appendLine(const LoadedFile& file, std::size_t r, const OutputMaps& maps, std::string& out) {
    std::array<ValueBytes, kMaxFieldCount> values{};
    std::size_t total = 0;
    file.forEachValue(r, [&](std::size_t j, const ValueBytes& v) {
        values[j] = v;
        total += v.bytes.size() + 2;
    });
    const std::size_t count = file.fieldCount(r);
    const auto fromRaw = [&](const ValueBytes& v) { return v.map == &file.rawToValue(); };

    const WrittenPositions limits = positionsFor(file.kind);
    std::size_t lastFilled = 0; // the last optional value that is not blank; 0 when none is
    for (std::size_t p = std::min(limits.lastOptional + 1, count); p > limits.lastFixed + 1; --p) {
        const ValueBytes& v = values[p - 1];
        const auto& blank = fromRaw(v) ? maps.blankFromRaw : maps.blankFromFix;
        if (!std::all_of(v.bytes.begin(), v.bytes.end(), [&](char c) { return blank[static_cast<std::uint8_t>(c)]; })) {
            lastFilled = p - 1;
            break;
        }
    }

    std::size_t at = out.size();
    out.resize(at + total);
    char* data = out.data();
    for (std::size_t p = 0; p < count; ++p) {
        const bool fixed = p <= limits.lastFixed;
        if (fixed || p <= lastFilled) {
            const ValueBytes& v = values[p];
            if (v.bytes.empty()) {
                data[at++] = ' ';
            } else {
                const ByteMap& map = fromRaw(v) ? maps.fromRaw : maps.fromFix;
                for (char c : v.bytes) data[at++] = static_cast<char>(map[static_cast<std::uint8_t>(c)]);
            }
        }
        if (fixed || p < lastFilled) data[at++] = '|';
    }
    out.resize(at);
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
            // The lines of a window of records are made side by side in slices, then written in order.
            const std::size_t window = kRecordsPerSlice * Slices::cores();
            std::array<std::string, Slices::kMaxSlices> text;
            for (std::size_t start = 0; start < file.records.size(); start += window) {
                const Slices slices(std::min(window, file.records.size() - start), kRecordsPerSlice);
                RunSlices(slices, [&](std::size_t k, std::size_t begin, std::size_t end) {
                    text[k].clear();
                    for (std::size_t r = start + begin; r < start + end; ++r) {
                        if (!file.records[r].isValid()) continue;
                        appendLine(file, r, maps, text[k]);
                        text[k] += "\r\n";
                    }
                });
                for (std::size_t k = 0; k < slices.count(); ++k) out.write(text[k]);
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
