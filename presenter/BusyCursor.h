#pragma once

#include "WindowState.h"

namespace quarvel {

/// Marks the program busy for the lifetime of the object, so that no early return or exception can
/// leave the busy cursor on.
class BusyCursor {
public:
    explicit BusyCursor(UserInterface& ui) : m_ui(ui) { m_ui.setBusy(true); }
    ~BusyCursor() { m_ui.setBusy(false); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

private:
    UserInterface& m_ui;
};

} // namespace quarvel
