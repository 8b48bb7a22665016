#pragma once

#include "QtUserInterface.h"

#include "Clock.h"
#include "Session.h"

#include <QWidget>

#include <filesystem>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;

namespace quarvel {

class RecordGridModel;
class RecordGridView;
class TFormLOG;

/// The main window. It owns the session (the loaded file and the window state) and renders the window
/// state; every handler writes the user's change into the state, runs the logic and renders again.
/// Closing it ends the program.
class TFormGlow final : public QWidget {
    Q_OBJECT

public:
    explicit TFormGlow(const Clock& clock = SystemClock::instance(), QWidget* parent = nullptr);
    ~TFormGlow() override;
    TFormGlow(const TFormGlow&) = delete;
    TFormGlow& operator=(const TFormGlow&) = delete;

    Session& session() { return m_session; }
    QtUserInterface& userInterface() { return m_ui; }
    /// The log window that "Pokaż plik &LOG" shows; it is created after this window.
    void setLogWindow(TFormLOG* log) { m_log = log; }

    // The handlers, named after their control and event. Each reads the user's settings from the window
    // state, where the controls have already put them.
    void bOtworzPlikClick();
    void bZapiszTylkoPrawidloweClick();
    void bPokazLogClick();
    void cbPrzytnijPolaClick();
    void cbZamienNiedozwoloneZnakiClick();
    void ComboBoxStronaChange();
    void cbPokazSzczegolyClick();
    void RadioGroupRodzajDanychClick();
    /// Grid coordinates: row 0 is the header row, columns 0 and 1 the fixed ones.
    void StringGridWczytaneSelectCell(int column, int row);

    /// Opens files given outside the open command's dialog (named at start, dropped on the window) as that
    /// command opens the file chosen in it; more than one is refused with a message.
    void openFiles(const std::vector<std::filesystem::path>& files);

    /// Shows every control as the window state has it. Changes made here trigger no handler.
    void render();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void FormCreate();
    void PokazUkryjSzczegoly();
    QWidget* buildTopStrip();
    QWidget* buildDetails();
    void connectControls();
    /// Renders after a command that may have rebuilt the grid.
    void renderAfterRefill();
    void renderDetails();

    QtUserInterface m_ui;
    Session m_session;
    TFormLOG* m_log = nullptr;
    RecordGridModel* m_model = nullptr;

    QPushButton* m_bOtworzPlik = nullptr;
    QPushButton* m_bZapiszTylkoPrawidlowe = nullptr;
    QPushButton* m_bPokazLog = nullptr;
    QLabel* m_labelNazwaPliku = nullptr;
    QLabel* m_panelRodzajWczytanegoZbioru = nullptr;
    QComboBox* m_comboBoxStrona = nullptr;
    QWidget* m_shapeInnaStronaKodowaWPliku = nullptr;
    QCheckBox* m_cbPrzytnijPola = nullptr;
    QCheckBox* m_cbZamienNiedozwoloneZnaki = nullptr;
    QLabel* m_labelStatAll = nullptr;
    QLabel* m_labelStatOK = nullptr;
    QLabel* m_labelStatZle = nullptr;
    QLabel* m_labelStatOKKwota = nullptr;
    QCheckBox* m_cbPokazSzczegoly = nullptr;

    QFrame* m_panelSzczegoly = nullptr;
    QButtonGroup* m_radioGroupRodzajDanych = nullptr;
    QLabel* m_labelIloscWybranychRekordow = nullptr;
    QStackedWidget* m_gridArea = nullptr;
    QLabel* m_noDataPanel = nullptr;
    RecordGridView* m_stringGridWczytane = nullptr;
    QLineEdit* m_editOryginalnaWartoscPola = nullptr;
    QPlainTextEdit* m_memoInfoPlik = nullptr;
};

} // namespace quarvel
