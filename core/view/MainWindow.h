#pragma once

#include "Session.h"

#include <filesystem>
#include <vector>

namespace quarvel {

/// The open command: asks for a file, loads it, and shows the number of records and the file name.
void bOtworzPlikClick(Session& session);

/// The open command's steps after its dialog, for a file chosen there or given by another road.
void OpenChosenFile(Session& session, const std::filesystem::path& chosen);

/// Files given to the program outside its dialog (named at start, dropped on the window): one is opened
/// as the open command opens a chosen file, more than one is refused with a message, none does nothing.
void OpenGivenFiles(Session& session, const std::vector<std::filesystem::path>& files);

/// The trim option was switched (its new state is in the window state): correct, validate, refill.
void cbPrzytnijPolaClick(Session& session);
/// The replace option was switched: correct, validate, refill.
void cbZamienNiedozwoloneZnakiClick(Session& session);
/// The user chose another code page: correct, validate, refill, and show the marker while the choice
/// differs from the identified code page.
void ComboBoxStronaChange(Session& session);
/// The user chose another display filter: refill the grid.
void RadioGroupRodzajDanychClick(Session& session);

/// Correction, validation and the grid refill, in that order.
void RerunCorrection(Session& session);

inline constexpr int kCompactClientHeight = 180;
inline constexpr int kDetailsClientHeight = 606;

/// Where the window goes when the details are shown or hidden.
struct DetailsLayout {
    int clientHeight = kCompactClientHeight;
    int top = 0; ///< top edge on the screen: screen height / 2 - client height / 2
    bool detailsVisible = false;
};

/// The geometry part of showing or hiding the details; the window applies it (leaving a maximised
/// state first and restoring it afterwards).
DetailsLayout PokazUkryjSzczegoly(const WindowState& state, int screenHeight);

} // namespace quarvel
