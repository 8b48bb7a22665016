#pragma once

#include "Workspace.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quarvel {

/// A colour given as RGB values.
struct Rgb {
    std::uint8_t r = 0;
    std::uint8_t g = 0;
    std::uint8_t b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kBlack{0, 0, 0};
inline constexpr Rgb kWhite{255, 255, 255};
inline constexpr Rgb kRed{255, 0, 0};
inline constexpr Rgb kGreen{0, 128, 0};
inline constexpr Rgb kBlue{0, 0, 255};
inline constexpr Rgb kNavy{0, 0, 128};

// The control states below are what the logic reads and writes of each control of the windows.
// Every text in them is Windows-1250, as the tool's own texts and the loaded values are; the windows
// decode them for display.

struct ButtonState {
    bool enabled = true;
};

struct CheckBoxState {
    bool checked = false;
};

struct LabelState {
    std::string text;
    std::optional<Rgb> textColour; ///< empty: the window's text colour
    bool visible = true;
};

struct PanelState {
    std::string text;
    std::optional<Rgb> background; ///< empty: the window's background colour
    Rgb textColour = kBlack;
};

struct ComboBoxState {
    std::vector<std::string> items;
    int selected = -1; ///< -1: no item selected
    Rgb background = kWhite;
    Rgb textColour = kBlack;
};

struct ShapeState {
    bool visible = false;
};

struct RadioGroupState {
    int selected = 0;
};

struct GridColumn {
    std::string header;
    int width = 0;
};

/// The record grid: its columns and, per data row, the index of the record it shows.
struct GridState {
    bool visible = false;
    std::vector<GridColumn> columns;
    std::vector<std::size_t> rows; ///< record index per data row (grid row = position + 1)
    int currentRow = 0;            ///< grid row of the selected cell (0: none)
    int currentColumn = 0;
};

struct MemoState {
    std::vector<std::string> lines;
};

struct EditState {
    std::string text;
    bool enabled = true;
    Rgb background = kWhite;
};

/// The progress row at the bottom of the main window, while a command works away from the window's thread.
struct ProgressState {
    bool working = false;     ///< a command works: the commands that would interfere with it are off
    bool visible = false;     ///< the row shows: the work has lasted long enough to be noticed
    std::string stage;        ///< what the work is doing ("Wczytywanie…")
    int percent = -1;         ///< how far it has come, 0 to 100; -1 when that is not known
    bool cancellable = false; ///< "Anuluj" (and Esc) gives the work up
};

/// The named control properties through which the logic and the windows meet; one instance per program run.
struct WindowState {
    // Settings the user changes.
    CheckBoxState trimFields{true};
    CheckBoxState replaceControl{false};
    CheckBoxState checkNrbDigits{false}; ///< "Sprawdzaj cyfry kontrolne numerów NRB"
    CheckBoxState checkNipDigits{false}; ///< "Sprawdzaj cyfry kontrolne numerów NIP"
    ComboBoxState codePageList;
    RadioGroupState recordFilter{1};
    CheckBoxState showDetails{false};

    // Results the logic writes.
    LabelState fileNameLabel{"[BRAK]", std::nullopt, true};
    PanelState kindPanel{"BRAK", std::nullopt, kBlack};
    ShapeState otherCodePageMarker{false};
    LabelState allCountLabel{"0", std::nullopt, true};
    LabelState validCountLabel{"0", std::nullopt, true};
    LabelState invalidCountLabel{"0", kBlack, true};
    LabelState validTotalLabel{"0", kNavy, true};
    ButtonState saveButton{false};
    ButtonState showLogButton{false};
    ButtonState accountTotalsButton{false}; ///< opens the totals per debited account
    GridState grid;
    LabelState shownCountLabel{"0", kNavy, true};
    MemoState detailsMemo;
    EditState originalValueEdit;
    MemoState logText; ///< the log window's text
    ProgressState progress;
};

/// One entry of a file dialog's filter list.
struct FileFilter {
    std::string description; ///< Windows-1250
    std::string pattern;     ///< for example "*.txt"
};

/// The operations of the user interface that the presenter calls besides showing messages; the windows
/// implement them.
class UserInterface : public MessageSink {
public:
    /// Marks the program as working (true) and back (false).
    virtual void setBusy(bool busy) = 0;
    /// Asks for an existing file, starting in `startFolder` (empty: wherever the platform starts);
    /// nothing when the user cancels.
    virtual std::optional<std::filesystem::path> chooseFileToOpen(const std::vector<FileFilter>& filters,
                                                                  const std::filesystem::path& startFolder) = 0;
};

} // namespace quarvel
