#pragma once

#include "CodePages.h"
#include "WindowState.h"
#include "Workspace.h"

namespace quarvel {

/// Fills the code-page list with the names of the table's rows, in table order, then "UTF-8".
inline void listCodePages(const CodePageTable& table, ComboBoxState& list) {
    list.items.clear();
    for (const CodePageRow& row : table) list.items.emplace_back(nameOf(row.id));
    // Last, so that the eight keep their item indexes.
    list.items.emplace_back(nameOf(CodePage::Utf8));
}

/// Everything the window's commands work on: the engine's workspace, the window state, and the user
/// interface. One per program run; the main window owns it.
struct Session : Workspace {
    explicit Session(UserInterface& userInterface, const Clock& clockToUse = SystemClock::instance())
        : Workspace(userInterface, clockToUse), ui(userInterface) {
        listCodePages(standardCodePages(), state.codePageList);
    }

    WindowState state;
    UserInterface& ui;
};

} // namespace quarvel
