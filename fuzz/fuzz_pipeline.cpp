// The whole road from arbitrary bytes to what the user sees: load, then correction and validation again
// with other settings, then every value and message of every record, the output lines, the log report and
// the grid.
//
// Input: byte 0 chooses the settings of the re-run (bit 0 trim, bit 1 replace, bits 2-4 code page,
// bits 5-6 display filter, bit 7 making the output and log files), byte 1 how many bytes each read
// returns, byte 2 the day of the run, byte 3 the size of the reader's blocks, byte 4 further settings of
// the re-run (bit 0 UTF-8 instead of the code page of byte 0, bit 1 the NRB check digits); the rest is the
// file. Every result is compared with a plain re-computation from the rules of the format, the correction
// pass and the checks.

#include "FuzzSupport.h"

#include "CheckTexts.h"
#include "Correction.h"
#include "DateAmount.h"
#include "Validation.h"
#include "HeaderReader.h"
#include "Pipeline.h"
#include "LoadTexts.h"

#include "OutputWriter.h"
#include "LogReport.h"
#include "OutputTexts.h"
#include "MainWindowPresenter.h"
#include "RecordGrid.h"
#include "ViewTexts.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>

namespace quarvel::fuzz {
namespace {

constexpr std::size_t kNrbLength = 26;

struct Settings {
    CodePage codePage = CodePage::WindowsEe;
    bool trim = true;
    bool replace = false;
    bool checkNrb = false;
};

/// The values of record i in one walk over the record (value(i, j) walks it once per field).
std::vector<std::string> valuesOf(const LoadedFile& file, std::size_t i) {
    std::vector<std::string> values;
    file.forEachValue(i, [&values](std::size_t, const ValueBytes& value) {
        std::string text(value.bytes.size(), '\0');
        for (std::size_t k = 0; k < text.size(); ++k) {
            text[k] = static_cast<char>((*value.map)[static_cast<std::uint8_t>(value.bytes[k])]);
        }
        values.push_back(std::move(text));
    });
    return values;
}

bool permitted(std::uint8_t b) {
    if (b < 0x20) return false;
    if (b <= 0x7F) return true;
    return b == 0xA7 || letterIndex(CodePage::WindowsEe, b) >= 0;
}

bool blank(std::string_view text) {
    return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) <= 0x20; });
}

std::string normalizeAccount(std::string s) {
    if (s.find('-') == 8) s.erase(0, 9);
    if (s.size() > 26) s.erase(std::remove(s.begin(), s.end(), ' '), s.end());
    if (s.rfind("PL", 0) == 0) s.erase(0, 2);
    return s;
}

bool isNrb(std::string_view text) {
    return text.size() == kNrbLength && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// The check digits of the IBAN with "PL" in front, its first four characters moved to the end; the
// remainder taken nine digits at a time.
bool nrbCheckDigitsRight(const std::string& nrb) {
    std::string rest = nrb.substr(2) + "2521" + nrb.substr(0, 2);
    std::uint64_t remainder = 0;
    while (!rest.empty()) {
        remainder = std::stoull(std::to_string(remainder) + rest.substr(0, 7)) % 97;
        rest.erase(0, 7);
    }
    return remainder == 1;
}

/// The corrected values of one record and its amount, by the rules of the correction pass.
struct Corrected {
    std::vector<std::string> values;
    std::vector<std::string> originals;
    double amount = 0;
};

Corrected correct(const LoadedFile& file, std::size_t i, const Settings& settings, std::chrono::year_month_day today) {
    Corrected out;
    const std::size_t count = file.fieldCount(i);
    for (std::size_t j = 0; j < count; ++j) {
        const std::string_view raw = file.rawValue(i, j);
        out.originals.push_back(settings.codePage == CodePage::Utf8 ? ReferenceCp1250FromUtf8(raw)
                                                           : convertText(raw, settings.codePage, CodePage::WindowsEe));
    }
    out.values = out.originals;
    if (count == 0) return out;
    std::vector<std::string>& v = out.values;
    if (file.kind == FileKind::Contractors) {
        v[4] = normalizeAccount(v[4]);
    } else {
        v[2] = normalizeAccount(v[2]);
        v[3] = normalizeAccount(v[3]);
        if (v[0].size() == 8) {
            if (auto date = parseOrderDate(v[0], today.year())) {
                if (std::chrono::sys_days{*date} <= std::chrono::sys_days{today}) date = today;
                v[0] = formatOrderDate(*date);
            }
        }
        out.amount = parseAmount(v[1]).value_or(0.0);
    }
    const Layout& layout = layoutFor(file.kind);
    for (std::size_t j = 0; j < count; ++j) {
        if (settings.trim && v[j].size() > static_cast<std::size_t>(layout[j].maxLength)) v[j].resize(layout[j].maxLength);
        if (settings.replace && !v[j].empty()) {
            for (char& c : v[j]) {
                if (static_cast<unsigned char>(c) < 0x20) c = '?';
            }
        }
    }
    return out;
}

/// The messages of field j by the rules of the field and content checks.
std::vector<std::string> expectedFieldErrors(FileKind kind, std::size_t j, const std::string& value,
                                             std::chrono::year year, bool checkNrb) {
    const FieldDef& field = layoutFor(kind)[j];
    std::vector<std::string> messages;
    if (field.required && value.empty()) messages.push_back(texts::kRequiredEmpty);
    if (value.size() > static_cast<std::size_t>(field.maxLength)) {
        messages.push_back(texts::kTooLongPrefix + std::to_string(value.size()) + texts::kTooLongMaximum +
                           std::to_string(field.maxLength));
    }
    if (!std::all_of(value.begin(), value.end(), [](char c) { return permitted(static_cast<std::uint8_t>(c)); })) {
        messages.push_back(texts::kNotPermittedChars);
    }
    const bool account = kind == FileKind::Contractors ? j == 4 : (j == 2 || j == 3);
    if (account && !isNrb(value)) messages.push_back(texts::kBadNrb);
    if (account && isNrb(value) && checkNrb && !nrbCheckDigitsRight(value)) messages.push_back(texts::kBadNrbCheckDigits);
    if (kind == FileKind::Orders && j == 0 && !parseOrderDate(value, year)) messages.push_back(texts::kBadDate);
    if (kind == FileKind::Orders && j == 1 && !parseAmount(value)) messages.push_back(texts::kBadAmount);
    return messages;
}

bool sameDouble(double a, double b) {
    return (std::isnan(a) && std::isnan(b)) || a == b;
}

/// Every value, message, flag and count of the model against a re-computation.
void checkModel(const Session& session, const Settings& settings, std::chrono::year_month_day today) {
    const LoadedFile& file = session.file;
    const WindowState& state = session.state;
    const std::size_t fieldCount = fieldCountFor(file.kind);
    std::size_t valid = 0;
    double total = 0;
    for (std::size_t i = 0; i < file.records().size(); ++i) {
        const Record& record = file.records()[i];
        const std::string where = " of line " + std::to_string(i + 2);
        const std::size_t count = file.fieldCount(i);
        FUZZ_CHECK(count == 0 || count == fieldCount, "field count" + where);
        const std::vector<std::string> lineErrors = file.lineErrors(i);
        FUZZ_CHECK((count == 0) == (!lineErrors.empty() && lineErrors[0] == texts::kNoDataInLine + std::to_string(i + 2)),
                   "a line without data" + where);
        for (const std::string& m : lineErrors) FUZZ_CHECK(m.ends_with(std::to_string(i + 2)), m);

        const Corrected expected = correct(file, i, settings, today);
        bool anyFieldError = false;
        bool anyChange = false;
        for (std::size_t j = 0; j < count; ++j) {
            const std::string at = " field " + std::to_string(j) + where;
            const std::string_view raw = file.rawValue(i, j);
            FUZZ_CHECK(raw.size() <= 250, "raw length" + at);
            FUZZ_CHECK(raw.find_first_of(std::string_view("|\r\n\x1A", 4)) == std::string_view::npos, "raw byte" + at);
            FUZZ_CHECK(raw.empty() || raw == " " || (!Strippable(raw.front()) && !Strippable(raw.back())), "unstripped" + at);
            const ShortText original = file.originalValue(i, j);
            const ShortText value = file.value(i, j);
            FUZZ_CHECK(original == expected.originals[j], "original value" + at);
            FUZZ_CHECK(value.size() <= ShortText::kCapacity, "value length" + at);
            FUZZ_CHECK(value == expected.values[j], "value" + at + ": '" + value.str() + "' not '" + expected.values[j] + "'");
            if (value != original) anyChange = true;

            const std::vector<std::string> messages = fieldErrors(file, i, j);
            FUZZ_CHECK(messages == expectedFieldErrors(file.kind, j, expected.values[j], today.year(), settings.checkNrb),
                       "messages" + at);
            FUZZ_CHECK(messages.empty() == record.fieldValid(j), "verdict" + at);
            anyFieldError = anyFieldError || !messages.empty();
        }
        FUZZ_CHECK(record.hasFieldErrors == anyFieldError, "hasFieldErrors" + where);
        FUZZ_CHECK(count == 0 || record.changed == anyChange, "changed" + where);
        if (file.kind == FileKind::Orders && count > 0) FUZZ_CHECK(sameDouble(record.amount, expected.amount), "amount" + where);
        FUZZ_CHECK(record.isValid() == (lineErrors.empty() && !record.hasFieldErrors));
        if (record.isValid()) {
            // Nothing mangled passes: every byte of every value of a valid record is one the bank accepts.
            for (const std::string& value : valuesOf(file, i)) {
                FUZZ_CHECK(std::all_of(value.begin(), value.end(), [](char c) { return permitted(static_cast<std::uint8_t>(c)); }),
                           "a valid record with a byte not permitted" + where);
            }
            ++valid;
            total += record.amount;
        }
    }
    FUZZ_CHECK(static_cast<std::size_t>(file.validCount) == valid, "validCount");
    FUZZ_CHECK(static_cast<std::size_t>(file.validCount) + static_cast<std::size_t>(file.invalidCount) ==
                   file.records().size(),
               "valid + invalid != records");
    FUZZ_CHECK(sameDouble(file.validTotal, total), "validTotal");
    FUZZ_CHECK(state.validCountLabel.text == std::to_string(file.validCount));
    FUZZ_CHECK(state.invalidCountLabel.text == std::to_string(file.invalidCount));
    FUZZ_CHECK(state.saveButton.enabled == (file.validCount > 0));
    if (file.kind == FileKind::Orders) FUZZ_CHECK(state.validTotalLabel.text == formatTotal(file.validTotal));
}

/// Every value of every record, to compare two runs with the same settings.
std::string snapshot(const LoadedFile& file) {
    std::string out;
    for (std::size_t i = 0; i < file.records().size(); ++i) {
        const std::vector<std::string> values = valuesOf(file, i);
        for (std::size_t j = 0; j < file.fieldCount(i); ++j) {
            out += values[j];
            out += '\0';
            out += file.originalValue(i, j).view();
            out += '\0';
            for (const std::string& m : fieldErrors(file, i, j))
                out += m + '\0';
        }
        char amount[sizeof(double)];
        std::memcpy(amount, &file.records()[i].amount, sizeof amount);
        out.append(amount, sizeof amount);
        out += file.records()[i].isValid() ? 'V' : 'I';
        out += '\n';
    }
    return out;
}

std::string expectedOutputLine(const LoadedFile& file, std::size_t r) {
    const std::size_t lastFixed = file.kind == FileKind::Contractors ? 8 : 5;
    const std::size_t lastOptional = file.kind == FileKind::Contractors ? 12 : 10;
    const std::vector<std::string> values = valuesOf(file, r);
    std::size_t last = lastFixed;
    for (std::size_t p = lastFixed + 1; p <= lastOptional && p < values.size(); ++p) {
        if (!blank(values[p])) last = p;
    }
    std::string line;
    for (std::size_t p = 0; p <= last && p < values.size(); ++p) {
        line += convertText(blankToSpace(values[p]), CodePage::WindowsEe, CodePage::IsoLatin2);
        if (p <= lastFixed || p < last) line += '|';
    }
    return line;
}

void checkOutput(const LoadedFile& file, bool makeFile) {
    if (file.kind == FileKind::None) return;
    const std::string header = outputHeader(file.kind);
    FUZZ_CHECK(header == (file.kind == FileKind::Contractors ? "Kontrahenci|ISO_LATIN2" : "Zlecenia|ISO_LATIN2"), header);
    std::string expectedFile = header + "\r\n";
    for (std::size_t r = 0; r < file.records().size(); ++r) {
        if (!file.records()[r].isValid()) continue;
        const std::string line = outputLineOf(file, r);
        FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos, "a line end inside an output line");
        FUZZ_CHECK(line == expectedOutputLine(file, r), "output line of line " + std::to_string(r + 2) + ": " + line);
        const auto pieces = static_cast<std::size_t>(std::count(line.begin(), line.end(), '|')) + (line.ends_with('|') ? 0 : 1);
        for (std::size_t p = 0; p < file.fieldCount(r); ++p) {
            FUZZ_CHECK(isFieldWritten(file, r, p) == (p < pieces), "IsFieldWritten");
            FUZZ_CHECK(isSeparatorWritten(file, r, p) == (p + 1 < pieces || (p < pieces && line.ends_with('|'))),
                       "IsSeparatorWritten");
        }
        expectedFile += line + "\r\n";
    }
    if (!makeFile) return;
    // Made in memory: the file itself is written by the writer every file goes through.
    StringOutput made;
    outputProducer(file)(made);
    FUZZ_CHECK(made.text == expectedFile, "the output file differs from its lines");
}

std::vector<std::string> expectedLog(const LoadedFile& file) {
    std::vector<std::string> lines = {"Statystyki",
                                      std::string(18, '-'),
                                      texts::kLogAllRecords + std::to_string(file.records().size()),
                                      texts::kLogSkipped + std::to_string(file.invalidCount),
                                      texts::kLogWritten + std::to_string(file.validCount),
                                      std::string(93, '~'),
                                      "",
                                      texts::kLogDetails,
                                      ""};
    const Layout& layout = layoutFor(file.kind);
    bool any = false;
    for (std::size_t i = 0; i < file.records().size(); ++i) {
        if (file.records()[i].isValid()) continue;
        any = true;
        lines.push_back(texts::kLogErrorsForLine + std::to_string(i + 2));
        const std::vector<std::string> lineErrors = file.lineErrors(i);
        if (!lineErrors.empty()) {
            lines.push_back(texts::kLogLineErrors);
            for (std::size_t k = 0; k < lineErrors.size(); ++k) lines.push_back(std::to_string(k + 1) + ". " + lineErrors[k]);
        }
        if (file.records()[i].hasFieldErrors) {
            lines.push_back(texts::kLogFieldErrors);
            for (std::size_t p = 0; p < file.fieldCount(i); ++p) {
                for (const std::string& m : fieldErrors(file, i, p))
                    lines.push_back(layout[p].name + ": " + m);
            }
            lines.emplace_back();
        }
        lines.emplace_back();
        lines.push_back(std::string(65, '-'));
    }
    if (!any) lines.push_back(texts::kLogNoErrors);
    lines.emplace_back();
    lines.push_back("Koniec pliku LOG");
    return lines;
}

void checkLog(const LoadedFile& file) {
    const std::vector<std::string> lines = logReportLines(file);
    FUZZ_CHECK(lines.size() >= 12, "log too short");
    const auto number = [&lines](std::size_t k, const std::string& prefix) {
        FUZZ_CHECK(lines[k].rfind(prefix, 0) == 0, lines[k]);
        return std::stoull(lines[k].substr(prefix.size()));
    };
    FUZZ_CHECK(number(2, texts::kLogAllRecords) == number(3, texts::kLogSkipped) + number(4, texts::kLogWritten),
               "the first statistics number is not the sum of the other two");
    for (const std::string& line : lines) FUZZ_CHECK(line.find_first_of("\r\n") == std::string::npos, "a line end in the log");
    FUZZ_CHECK(lines == expectedLog(file), "log report");
}

void checkLogFile(const LoadedFile& file) {
    std::string expected;
    for (const std::string& line : logReportLines(file)) expected += line + "\r\n";
    StringOutput made;
    logReportProducer(file)(made);
    FUZZ_CHECK(made.text == expected, "the log file differs from the report's lines");
}

std::vector<std::string> expectedDetails(const LoadedFile& file, std::size_t i) {
    std::vector<std::string> lines;
    const std::vector<std::string> lineErrors = file.lineErrors(i);
    if (!lineErrors.empty()) {
        lines.push_back(texts::kDetailsLineErrors);
        for (std::size_t k = 0; k < lineErrors.size(); ++k) lines.push_back(std::to_string(k + 1) + ". " + lineErrors[k]);
    }
    if (file.records()[i].hasFieldErrors) {
        lines.push_back(texts::kDetailsFieldErrors);
        const Layout& layout = layoutFor(file.kind);
        for (std::size_t f = 0; f < file.fieldCount(i); ++f) {
            const std::vector<std::string> messages = fieldErrors(file, i, f);
            for (std::size_t k = 0; k < messages.size(); ++k) {
                lines.push_back(std::to_string(k + 1) + ". " + layout[f].name + ": " + messages[k]);
            }
        }
    }
    return lines;
}

void checkGrid(Session& session, Choices& choose) {
    const LoadedFile& file = session.file;
    const WindowState& state = session.state;
    const GridState& grid = state.grid;
    const auto filter = static_cast<RecordFilter>(state.recordFilter.selected);
    std::vector<std::size_t> admitted;
    for (std::size_t i = 0; i < file.records().size(); ++i) {
        if (filterAdmits(filter, file.records()[i])) admitted.push_back(i);
    }
    FUZZ_CHECK(grid.rows == admitted, "grid rows");
    FUZZ_CHECK(grid.visible == !admitted.empty(), "grid visibility");
    FUZZ_CHECK(state.shownCountLabel.text == std::to_string(admitted.size()));
    FUZZ_CHECK(gridRowCount(state) == static_cast<int>(admitted.size()) + 1);
    const Layout& layout = layoutFor(file.kind);
    FUZZ_CHECK(gridColumnCount(state) == static_cast<int>(layout.size()) + 2);
    if (!admitted.empty()) FUZZ_CHECK(state.detailsMemo.lines.empty(), "the memo after a filling");

    const int rows = gridRowCount(state);
    const int columns = gridColumnCount(state);
    // A few cells chosen by the input, and the edges around the grid.
    std::vector<std::pair<int, int>> cells = {{0, 0}, {1, 1}, {2, 1}, {columns - 1, rows - 1}, {columns, rows},
                                              {-1, -1}, {2, -5}, {1 << 30, 1}, {2, 1 << 30}};
    for (int k = 0; k < 6; ++k) cells.emplace_back(choose.byte() % (columns + 2) - 1, choose.byte() % (rows + 2) - 1);
    for (const auto& [column, row] : cells) {
        const std::string text = cellText(session, column, row);
        const CellAppearance look = getCellAppearance(session, column, row);
        const long r = recordOfRow(session, row);
        const bool inside = column >= 0 && column < columns;
        if (row == 0 && inside) {
            const std::string header = column == 0 ? "Linia" : column == 1 ? "Status" : layout[column - 2].name;
            FUZZ_CHECK(text == header, "header text");
        }
        if (r >= 0) {
            const auto i = static_cast<std::size_t>(r);
            FUZZ_CHECK(row >= 1 && row < rows && i == admitted[static_cast<std::size_t>(row) - 1], "GetIdxRow");
            const Record& record = file.records()[i];
            if (column == 0) FUZZ_CHECK(text == std::to_string(i + 2), "line number cell");
            if (column == 1) {
                FUZZ_CHECK(text.empty(), "status text");
                FUZZ_CHECK(look.kind == CellKind::Status);
                FUZZ_CHECK(look.left == (record.isValid() ? Glyph::ValidTick : Glyph::Cross), "left glyph");
                FUZZ_CHECK(look.right == (!record.isValid() ? Glyph::None : record.changed ? Glyph::Changed : Glyph::UnchangedTick),
                           "right glyph");
            }
            const int j = column - 2;
            if (column >= 2 && inside && static_cast<std::size_t>(j) < file.fieldCount(i)) {
                const auto f = static_cast<std::size_t>(j);
                FUZZ_CHECK(text == file.value(i, f).view(), "field cell text");
                FUZZ_CHECK(look.kind == CellKind::Field);
                Rgb background = layout[f].required ? kCellPlain : kCellOptional;
                if (file.value(i, f) != file.originalValue(i, f)) background = kCellChanged;
                if (!record.fieldValid(f)) background = kCellInvalid;
                FUZZ_CHECK(look.background == background, "cell colour");
            }
        } else if (row != 0) {
            FUZZ_CHECK(text.empty(), "text of a cell without a record");
        }

        selectCell(session, column, row);
        if (r >= 0 && column >= 2 && inside) {
            const auto i = static_cast<std::size_t>(r);
            FUZZ_CHECK(state.detailsMemo.lines == expectedDetails(file, i), "details memo");
            const auto f = static_cast<std::size_t>(column - 2);
            const bool differs = f < file.fieldCount(i) && file.value(i, f) != file.originalValue(i, f);
            FUZZ_CHECK(state.originalValueEdit.enabled == differs, "original-value box");
            if (differs) FUZZ_CHECK(state.originalValueEdit.text == file.originalValue(i, f).view());
        } else {
            FUZZ_CHECK(state.detailsMemo.lines.empty(), "the memo after selecting no field cell");
        }
    }
}

std::chrono::year_month_day dayFrom(std::uint8_t b) {
    using namespace std::chrono;
    static const year_month_day days[] = {year{2026} / 12 / 7, year{2000} / 1 / 1, year{1999} / 12 / 31,
                                          year{2099} / 12 / 31, year{2024} / 2 / 29, year{2100} / 3 / 1};
    return days[b % (sizeof days / sizeof days[0])];
}

} // namespace
} // namespace quarvel::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quarvel;
    using namespace quarvel::fuzz;
    Choices choose(data, size);
    const std::uint8_t settingsByte = choose.byte();
    const std::size_t chunk = BlockSizeFrom(choose.byte());
    const std::chrono::year_month_day today = dayFrom(choose.byte());
    const std::size_t block = BlockSizeFrom(choose.byte());
    const std::uint8_t moreSettings = choose.byte();
    const std::string content(choose.rest());

    const FixedClock clock{today};
    RecordingUi ui;
    Session session(ui, clock);
    session.readBlockSize = block;
    session.openInput = [&content, chunk](const std::filesystem::path&) {
        return OpenedSource{std::make_unique<MemorySource>(content, Reading(chunk)), 0};
    };
    session.file.fileName = ExistingPath();
    const LoadOutcome outcome = loadIntoWindow(session, ExistingPath());
    LoadedFile& file = session.file;
    FUZZ_CHECK(outcome == LoadOutcome::Loaded || outcome == LoadOutcome::Stopped || outcome == LoadOutcome::Empty);
    if (file.records().empty()) {
        FUZZ_CHECK(!session.state.saveButton.enabled);
        return 0;
    }

    const Settings loaded{file.identifiedCodePage, session.state.trimFields.checked, false};
    checkModel(session, loaded, today);
    const std::string first = snapshot(file);

    // The re-run with the settings of byte 0, as the options and the code-page list would start it.
    const Settings other{(moreSettings & 1) != 0 ? CodePage::Utf8 : codePageAt((settingsByte >> 2) & 7U), (settingsByte & 1) != 0,
                         (settingsByte & 2) != 0, (moreSettings & 2) != 0};
    session.state.trimFields.checked = other.trim;
    session.state.replaceControl.checked = other.replace;
    session.state.checkNrbDigits.checked = other.checkNrb;
    session.state.codePageList.selected = codePageItem(other.codePage);
    session.state.recordFilter.selected = (settingsByte >> 5) % 3;
    // As the main window does it: correct, validate, refill the grid, and mark a chosen code page that
    // differs from the identified one.
    codePageChosen(session);
    checkModel(session, other, today);
    FUZZ_CHECK(session.state.otherCodePageMarker.visible == (other.codePage != file.identifiedCodePage), "marker");
    checkGrid(session, choose);
    checkOutput(file, (settingsByte & 0x80) != 0);
    checkLog(file);
    if ((settingsByte & 0x80) != 0) checkLogFile(file);

    // Back to the settings of the load: re-runs never build on one another.
    session.state.trimFields.checked = loaded.trim;
    session.state.replaceControl.checked = false;
    session.state.checkNrbDigits.checked = false;
    session.state.codePageList.selected = codePageItem(loaded.codePage);
    rerunChecks(session, currentRunSettings(session));
    showStatistics(session.file, session.state);
    FUZZ_CHECK(snapshot(file) == first, "a re-run with the first settings gives other values");
    return 0;
}
