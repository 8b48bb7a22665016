#pragma once

#include "Session.h"

#include <string>

namespace quarvel {

/// Which records the grid shows; the item index of the display-filter radio group.
enum class RecordFilter : int { All = 0, InvalidOnly = 1, ValidOnly = 2, WithNotes = 3 };

/// Whether the filter shows the record: all, only the invalid or only the valid ones.
bool filterAdmits(RecordFilter filter, const Record& record, bool hasNotes = false);

/// Whether the last run of the checks noted anything on record i.
bool hasNotes(const LoadedFile& file, std::size_t i);

/// Columns "Linia", "Status" and one per layout field, with their widths; leaves the header row only.
void setUpGridColumns(Session& session);
/// Rebuilds the rows from the records and the current filter, shows or hides the grid, counts the rows
/// and refreshes the selection.
void fillGrid(Session& session);
/// Makes the first field of the first row the current cell and shows its details (none without rows).
void resetSelection(Session& session);
/// The user selected a cell: fills the details memo and the original-value box, and makes a field cell
/// of a shown record the current cell.
void selectCell(Session& session, int column, int row);

/// Rows of the grid, the header row included.
int gridRowCount(const WindowState& state);
/// Columns of the grid, the two fixed ones included.
int gridColumnCount(const WindowState& state);
/// Record shown in grid row `row`, or -1 for the header row and rows without a record.
long recordOfRow(const Session& session, int row);
/// Field shown in grid column `column`; negative for the two fixed columns.
int fieldOfColumn(int column);

/// Width of the column of a field of at most `maxLength` characters.
int fieldColumnWidth(std::int32_t maxLength);

/// Text of a cell (Windows-1250): headers, line numbers and values; the status column has none.
std::string cellText(const Session& session, int column, int row);

enum class CellKind { Header, LineNumber, Status, Field };
enum class Glyph : int { None = -1, ValidTick = 0, Cross = 1, UnchangedTick = 2, Changed = 3, Note = 4 };

inline constexpr Rgb kCellPlain{0xFF, 0xFF, 0xFF};
inline constexpr Rgb kCellOptional{0xD8, 0xD8, 0xD8};
inline constexpr Rgb kCellChanged{0xFF, 0xFF, 0x84};
inline constexpr Rgb kCellInvalid{0xFF, 0xBF, 0xBF};

/// How a cell is painted. Header and line-number cells keep the grid's own fixed-cell look.
struct CellAppearance {
    CellKind kind = CellKind::Header;
    Rgb background = kCellPlain; ///< field cells
    bool blackFrame = false;     ///< field cells: the selected cell has a black frame, others a white one
    Glyph left = Glyph::None;    ///< status cells
    Glyph right = Glyph::None;
};

/// How the cell in `column`, `row` is painted: its kind, background, frame and status glyphs.
CellAppearance getCellAppearance(const Session& session, int column, int row);

/// What a cell says to a screen reader and in its tooltip (Windows-1250): a field's state with its
/// messages ("nieprawidłowe: Nieprawidłowy numer NRB"), the meaning of a record's status signs; empty
/// for headers and line numbers.
std::string cellDescription(const Session& session, int column, int row);

/// The long name of the code page at `index` of the list, empty for none.
std::string codePageLongName(int index);

/// A value read together with its caption ("Ilość danych prawidłowych: 3"), blanks around the value
/// dropped; the value alone where there is no caption.
std::string spokenValue(const std::string& caption, const std::string& value);

/// Top-left corners of the two 10x10 status glyphs in a cell.
struct GlyphPlacement {
    int leftX = 0;
    int rightX = 0;
    int y = 0;
};
GlyphPlacement glyphPositions(int left, int top, int width, int height);

} // namespace quarvel
