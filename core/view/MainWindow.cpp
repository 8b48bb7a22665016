#include "view/MainWindow.h"

#include "check/Correction.h"
#include "check/Validation.h"
#include "load/LoadDriver.h"
#include "load/LoadTexts.h"
#include "view/BusyCursor.h"
#include "view/RecordGrid.h"
#include "view/ViewTexts.h"

#include <new>
#include <system_error>

namespace quarvel {

void bOtworzPlikClick(Session& session) {
    const std::vector<FileFilter> filters = {{texts::kOpenFilterTxt, "*.txt"}, {texts::kOpenFilterAll, "*.*"}};
    const std::optional<std::filesystem::path> chosen = session.ui.chooseFileToOpen(filters);
    if (chosen) OpenChosenFile(session, *chosen);
}

void OpenChosenFile(Session& session, const std::filesystem::path& chosen) {
    BusyCursor busy(session.ui);
    WindowState& state = session.state;
    state.LabelStatAll.text = "0";
    state.LabelStatOK.text = "0";
    state.LabelStatZle.text = "0";
    session.file.fileName = chosen;
    const LoadOutcome outcome = WczytajDane(session, chosen);
    // Whatever the outcome: a vanished file leaves the earlier records, and their number is shown.
    state.LabelStatAll.text = std::to_string(session.file.records.size());
    state.LabelNazwaPliku.text = PathForMessage(chosen.filename());
    if (outcome == LoadOutcome::Loaded && session.file.unreadTail) {
        session.ui.showMessage(UnreadTailMessage(chosen, *session.file.unreadTail));
    }
}

void OpenGivenFiles(Session& session, const std::vector<std::filesystem::path>& files) {
    if (files.empty()) return;
    if (files.size() > 1) {
        session.ui.showMessage(texts::kOnlyOneFile);
        return;
    }
    // The dialog always answers with a whole path; a name given relative to the working folder is made
    // whole the same way, so that the output lands beside the input and the messages name it fully.
    std::error_code ec;
    const std::filesystem::path whole = std::filesystem::absolute(files.front(), ec);
    OpenChosenFile(session, ec ? files.front() : whole);
}

void cbPrzytnijPolaClick(Session& session) {
    RerunCorrection(session);
}

void cbZamienNiedozwoloneZnakiClick(Session& session) {
    RerunCorrection(session);
}

void ComboBoxStronaChange(Session& session) {
    RerunCorrection(session);
    const int selected = session.state.ComboBoxStrona.selected;
    // With no item selected the correction uses the identified code page, so nothing differs from it.
    session.state.ShapeInnaStronaKodowaWPliku.visible = selected >= 0 && selected != session.file.identifiedCodePage;
}

void RadioGroupRodzajDanychClick(Session& session) {
    WypelnijStringGridWczytane(session);
}

void RerunCorrection(Session& session) {
    try {
        // Correction always starts again from the raw values, so re-runs never build on one another.
        RunCorrectionPass(session);
        ValidateAllRecords(session);
        WypelnijStringGridWczytane(session);
    } catch (const std::bad_alloc&) {
        // Records half corrected cannot be shown or saved: the file is dropped, as after a failed load.
        WindowState& state = session.state;
        state.StringGridWczytane.visible = false;
        state.StringGridWczytane.rows.clear();
        session.file.clearRecords();
        session.file.validCount = 0;
        session.file.invalidCount = 0;
        state.bZapiszTylkoPrawidlowe.enabled = false;
        state.LabelStatOK.text = "0";
        state.LabelStatZle.text = "0";
        state.LabelStatAll.text = "0";
        session.ui.showMessage(texts::kOutOfMemoryRerun + PathForMessage(session.file.fileName) + "\r" +
                               texts::kLoadAborted);
    }
}

DetailsLayout PokazUkryjSzczegoly(const WindowState& state, int screenHeight) {
    DetailsLayout layout;
    layout.detailsVisible = state.cbPokazSzczegoly.checked;
    layout.clientHeight = layout.detailsVisible ? kDetailsClientHeight : kCompactClientHeight;
    layout.top = screenHeight / 2 - layout.clientHeight / 2;
    return layout;
}

} // namespace quarvel
