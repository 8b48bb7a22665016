#include "RecordGrid.h"

#include "Notes.h"
#include "Validation.h"
#include "BusyCursor.h"
#include "ViewTexts.h"

#include <algorithm>
#include <limits>

// A record read from a line without data has no values at all. The grid still lists it (it is invalid),
// with its line number and the cross; its field cells show no text on the light pink of a faulty field,
// and selecting one of them shows its line errors and leaves the original-value box empty and disabled.
// The field columns come from the layout of the file kind, so a file whose first data line is empty
// still gets all of them. Nothing here reads a value of a field the record does not have.

namespace quarvel {
namespace {

constexpr int kFixedColumnWidth = 50;
constexpr int kMinFieldColumnWidth = 120;
constexpr int kFirstFieldColumn = 2;

RecordFilter currentFilter(const WindowState& state) {
    return static_cast<RecordFilter>(state.recordFilter.selected);
}

// The number of rows a filter will admit, from the counts of the last validation; only a hint.
std::size_t expectedRows(const LoadedFile& file, RecordFilter filter) {
    const auto count = [&file](std::int32_t n) {
        return std::min(file.records().size(), static_cast<std::size_t>(std::max(n, 0)));
    };
    switch (filter) {
    case RecordFilter::InvalidOnly:
        return count(file.invalidCount);
    case RecordFilter::ValidOnly:
        return count(file.validCount);
    case RecordFilter::WithNotes:
        return file.notes.size();
    case RecordFilter::All:
        break;
    }
    return file.records().size();
}

bool hasField(const LoadedFile& file, std::size_t i, int j) {
    return j >= 0 && static_cast<std::size_t>(j) < file.fieldCount(i);
}

bool valueChanged(const LoadedFile& file, std::size_t i, std::size_t j) {
    return file.valueChanged(file.records()[i], j);
}

void addLineErrors(const LoadedFile& file, std::size_t i, std::vector<std::string>& lines) {
    const std::vector<std::string> messages = file.lineErrors(i);
    if (messages.empty()) return;
    lines.push_back(texts::kDetailsLineErrors);
    for (std::size_t k = 0; k < messages.size(); ++k)
        lines.push_back(std::to_string(k + 1) + ". " + messages[k]);
}

void addFieldErrors(const LoadedFile& file, std::size_t i, std::vector<std::string>& lines) {
    if (!file.records()[i].hasFieldErrors) return;
    lines.push_back(texts::kDetailsFieldErrors);
    const Layout& layout = layoutFor(file.kind);
    const std::size_t count = std::min(file.fieldCount(i), layout.size());
    for (std::size_t f = 0; f < count; ++f) {
        const std::vector<std::string> messages = fieldErrors(file, i, f);
        for (std::size_t k = 0; k < messages.size(); ++k) {
            lines.push_back(std::to_string(k + 1) + ". " + layout[f].name + ": " + messages[k]);
        }
    }
}

// The notes on record i, under its errors: what to look at though the record is valid.
void addNotes(const LoadedFile& file, std::size_t i, std::vector<std::string>& lines) {
    auto at = std::lower_bound(file.notes.begin(), file.notes.end(), i,
                               [](const RecordNote& note, std::size_t record) { return note.record < record; });
    if (at == file.notes.end() || at->record != i) return;
    lines.push_back(texts::kDetailsNotes);
    for (int k = 1; at != file.notes.end() && at->record == i; ++at, ++k)
        lines.push_back(std::to_string(k) + ". " + noteText(*at));
}

} // namespace

bool hasNotes(const LoadedFile& file, std::size_t i) {
    const auto at = std::lower_bound(file.notes.begin(), file.notes.end(), i,
                                     [](const RecordNote& note, std::size_t record) { return note.record < record; });
    return at != file.notes.end() && at->record == i;
}

bool filterAdmits(RecordFilter filter, const Record& record, bool hasNotes) {
    switch (filter) {
    case RecordFilter::WithNotes:
        return hasNotes;
    case RecordFilter::InvalidOnly:
        return !record.isValid();
    case RecordFilter::ValidOnly:
        return record.isValid();
    case RecordFilter::All:
        break;
    }
    return true;
}

void setUpGridColumns(Session& session) {
    GridState& grid = session.state.grid;
    grid.columns.clear();
    grid.columns.push_back({texts::kColumnLine, kFixedColumnWidth});
    grid.columns.push_back({texts::kColumnStatus, kFixedColumnWidth});
    for (const FieldDef& field : layoutFor(session.file.kind)) {
        grid.columns.push_back({field.name, fieldColumnWidth(field.maxLength)});
    }
    grid.rows.clear();
    grid.currentRow = 0;
    grid.currentColumn = 0;
}

void fillGrid(Session& session) {
    const LoadedFile& file = session.file;
    GridState& grid = session.state.grid;
    if (file.records().empty()) {
        grid.visible = false;
        resetSelection(session);
        return;
    }
    BusyCursor busy(session.ui);
    const RecordFilter filter = currentFilter(session.state);
    // The rows hold record indices only, so listing a million records copies no value.
    grid.rows.clear();
    grid.rows.reserve(expectedRows(file, filter));
    if (filter == RecordFilter::WithNotes) {
        // The notes are in record order: their records, once each, are the rows.
        for (const RecordNote& note : file.notes) {
            if (grid.rows.empty() || grid.rows.back() != note.record) grid.rows.push_back(note.record);
        }
    } else {
        file.records().forEachLine(0, file.records().size(), [&](std::size_t i, const Record& record) {
            if (filterAdmits(filter, record)) grid.rows.push_back(i);
        });
    }
    grid.visible = !grid.rows.empty();
    if (grid.rows.empty()) {
        grid.currentRow = 0;
        grid.currentColumn = 0;
    }
    session.state.shownCountLabel.text = std::to_string(grid.rows.size());
    resetSelection(session);
}

void resetSelection(Session& session) {
    WindowState& state = session.state;
    // Nothing of an earlier file or run may stay in the details: they show the current cell or nothing.
    state.detailsMemo.lines.clear();
    state.originalValueEdit.text.clear();
    state.originalValueEdit.enabled = false;
    if (state.grid.rows.empty()) return;
    selectCell(session, kFirstFieldColumn, 1);
}

void selectCell(Session& session, int column, int row) {
    WindowState& state = session.state;
    state.detailsMemo.lines.clear();
    GridState& grid = state.grid;
    const long r = recordOfRow(session, row);
    if (column < kFirstFieldColumn || column >= gridColumnCount(state) || r < 0) return;
    grid.currentRow = row;
    grid.currentColumn = column;

    const LoadedFile& file = session.file;
    const auto i = static_cast<std::size_t>(r);
    const int j = fieldOfColumn(column);
    EditState& edit = state.originalValueEdit;
    if (hasField(file, i, j) && valueChanged(file, i, static_cast<std::size_t>(j))) {
        edit.text = file.originalValue(i, static_cast<std::size_t>(j)).str();
        edit.background = kWhite;
        edit.enabled = true;
    } else {
        edit.text.clear();
        edit.enabled = false;
    }
    addLineErrors(file, i, state.detailsMemo.lines);
    addFieldErrors(file, i, state.detailsMemo.lines);
    addNotes(file, i, state.detailsMemo.lines);
}

int gridRowCount(const WindowState& state) {
    return static_cast<int>(std::min<std::size_t>(state.grid.rows.size() + 1,
                                                  static_cast<std::size_t>(std::numeric_limits<int>::max())));
}

int gridColumnCount(const WindowState& state) {
    return static_cast<int>(state.grid.columns.size());
}

long recordOfRow(const Session& session, int row) {
    const std::vector<std::size_t>& rows = session.state.grid.rows;
    if (row < 1 || static_cast<std::size_t>(row) > rows.size()) return -1;
    const std::size_t i = rows[static_cast<std::size_t>(row) - 1];
    // After a load that ended without records the hidden grid still lists the rows of the earlier file;
    // they no longer name a record.
    if (i >= session.file.records().size()) return -1;
    return static_cast<long>(i);
}

int fieldOfColumn(int column) {
    return column - kFirstFieldColumn;
}

int fieldColumnWidth(std::int32_t maxLength) {
    // round(maxLength * 7.2) in integers: 72 * maxLength is even, so it never ends in exactly half.
    const std::int64_t tenths = std::int64_t{72} * maxLength;
    const std::int64_t rounded = tenths >= 0 ? (tenths + 5) / 10 : (tenths - 5) / 10;
    const std::int64_t width = std::max<std::int64_t>(rounded, kMinFieldColumnWidth);
    return static_cast<int>(std::min<std::int64_t>(width, std::numeric_limits<int>::max()));
}

std::string cellText(const Session& session, int column, int row) {
    const GridState& grid = session.state.grid;
    if (column < 0 || static_cast<std::size_t>(column) >= grid.columns.size()) return {};
    if (row == 0) return grid.columns[static_cast<std::size_t>(column)].header;
    const long r = recordOfRow(session, row);
    if (r < 0) return {};
    const auto i = static_cast<std::size_t>(r);
    if (column == 0) return std::to_string(LoadedFile::lineNumber(i));
    const int j = fieldOfColumn(column);
    if (!hasField(session.file, i, j)) return {};
    return session.file.value(i, static_cast<std::size_t>(j)).str();
}

CellAppearance getCellAppearance(const Session& session, int column, int row) {
    CellAppearance look;
    const long r = recordOfRow(session, row);
    if (r < 0 || column < 0 || column >= gridColumnCount(session.state)) return look;
    const auto i = static_cast<std::size_t>(r);
    const Record& record = session.file.records()[i];
    if (column == 0) {
        look.kind = CellKind::LineNumber;
        return look;
    }
    if (column == 1) {
        look.kind = CellKind::Status;
        if (!record.isValid()) {
            look.left = Glyph::Cross;
        } else {
            // A valid record the checks noted something on gets the note's sign in the valid tick's place.
            look.left = hasNotes(session.file, i) ? Glyph::Note : Glyph::ValidTick;
            look.right = record.changed ? Glyph::Changed : Glyph::UnchangedTick;
        }
        return look;
    }

    look.kind = CellKind::Field;
    const GridState& grid = session.state.grid;
    look.blackFrame = grid.currentRow == row && grid.currentColumn == column;
    const int j = fieldOfColumn(column);
    if (!hasField(session.file, i, j)) {
        // Only a line without data lacks fields, and such a line is always faulty.
        look.background = kCellInvalid;
        return look;
    }
    const auto field = static_cast<std::size_t>(j);
    const Layout& layout = layoutFor(session.file.kind);
    look.background = kCellPlain;
    if (field < layout.size() && !layout[field].required) look.background = kCellOptional;
    if (valueChanged(session.file, i, field)) look.background = kCellChanged;
    if (!record.fieldValid(field)) look.background = kCellInvalid;
    return look;
}

GlyphPlacement glyphPositions(int left, int top, int width, int height) {
    const int middle = left + width / 2;
    return GlyphPlacement{middle - width / 4 - 5, middle + width / 4 - 5, top + height / 2 - 5};
}

std::string cellDescription(const Session& session, int column, int row) {
    const CellAppearance look = getCellAppearance(session, column, row);
    const long r = recordOfRow(session, row);
    if (r < 0) return {};
    if (look.kind == CellKind::Status) {
        if (look.left == Glyph::Cross) return texts::kStatusInvalid;
        return look.right == Glyph::Changed ? texts::kStatusChanged : texts::kStatusUnchanged;
    }
    if (look.kind != CellKind::Field) return {};
    const LoadedFile& file = session.file;
    const auto i = static_cast<std::size_t>(r);
    const int j = fieldOfColumn(column);
    // A line without data has no fields: its cells carry the line's errors.
    const std::vector<std::string> messages =
        hasField(file, i, j) ? fieldErrors(file, i, static_cast<std::size_t>(j)) : file.lineErrors(i);
    std::string text = look.background == kCellInvalid   ? texts::kCellInvalid
                       : look.background == kCellChanged ? texts::kCellChanged
                                                         : texts::kCellValid;
    for (std::size_t k = 0; k < messages.size(); ++k) text += (k == 0 ? ": " : "; ") + messages[k];
    return text;
}

std::string codePageLongName(int index) {
    if (index < 0 || static_cast<std::size_t>(index) >= texts::kCodePageLongNames.size()) return {};
    return texts::kCodePageLongNames[static_cast<std::size_t>(index)];
}

std::string spokenValue(const std::string& caption, const std::string& value) {
    const std::size_t first = value.find_first_not_of(" \t");
    const std::size_t last = value.find_last_not_of(" \t");
    const std::string trimmed = first == std::string::npos ? std::string() : value.substr(first, last - first + 1);
    if (caption.empty()) return trimmed;
    return caption + " " + trimmed;
}

} // namespace quarvel
