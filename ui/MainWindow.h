#pragma once

#include "QtUserInterface.h"

#include "Clock.h"
#include "Session.h"
#include "MainWindowPresenter.h"
#include "WindowWork.h"

#include <QPointer>
#include <QWidget>

#include <array>
#include <exception>
#include <filesystem>
#include <memory>
#include <functional>
#include <optional>
#include <vector>

class QButtonGroup;
class QCheckBox;
class QBoxLayout;
class QFrame;
class QGridLayout;
class QGroupBox;
class QSpacerItem;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QShortcut;
class QTimer;
class QSplitter;
class QStackedWidget;

namespace quarvel {

class BackgroundTask;
class CodePageList;
class RecordGridModel;
class RecordGridView;
class LogWindow;

/// What the main window works on: the session (the loaded file and the window state) with the user
/// interface it reports to. It is kept outside the window and outlives it, so that the window's widgets,
/// which read the session until they are gone, never meet a session destroyed before them.
struct WindowSession {
    explicit WindowSession(const Clock& clock = SystemClock::instance()) : session(ui, clock) {}
    QtUserInterface ui;
    Session session;
};

/// The main window. It renders the window state of its session; every handler writes the user's change
/// into the state, runs the logic and renders again. Closing it ends the program.
class MainWindow final : public QWidget {
    Q_OBJECT

public:
    explicit MainWindow(WindowSession& owner, QWidget* parent = nullptr);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    Session& session() { return m_session; }
    QtUserInterface& userInterface() { return m_ui; }
    /// The log window that "Pokaż plik &LOG" shows; it is created after this window.
    void setLogWindow(LogWindow* log) { m_log = log; }

    // The handlers, named after their control and event. Each reads the user's settings from the window
    // state, where the controls have already put them.
    void chooseAndOpenFile();
    void saveValidRecordsAndLog();
    void showLog();
    /// Shows the totals of the valid orders per debited account.
    void showAccountTotals();
    void trimFieldsToggled();
    void replaceControlToggled();
    void checkNrbDigitsToggled();
    void checkNipDigitsToggled();
    void codePageChosen();
    void showDetailsToggled();
    void filterChosen();
    /// Grid coordinates: row 0 is the header row, columns 0 and 1 the fixed ones.
    void selectCell(int column, int row);

    /// Opens files given outside the open command's dialog (named at start, dropped on the window) as that
    /// command opens the file chosen in it; more than one is refused with a message.
    void openFiles(const std::vector<std::filesystem::path>& files);

    /// Whether a command's work runs away from the window's thread; the commands that would interfere
    /// with it are off meanwhile.
    bool isWorking() const;
    /// "Anuluj" and Esc: gives up a running load, which leaves the window as it was before the command.
    void cancelWork();

    /// Shows every control as the window state has it. Changes made here trigger no handler.
    void render();

    /// The screen the window is on, and the frame the window manager gives it in its normal state.
    ScreenInfo screenInfo() const;
    /// Where the window is, or in a maximised window where it goes when restored.
    WindowPlacement normalPlacement() const;

protected:
    void changeEvent(QEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /// Runs a command's work on a thread of its own; the window stays responsive and shows its progress.
    void startWork(std::unique_ptr<WindowWork> work);
    /// The work has ended: shows what it found (nothing of a load given up), the commands back on.
    void workEnded(const std::shared_ptr<WindowWork>& work, const std::exception_ptr& failure);
    /// The progress row at the bottom of the window: over the window's contents, only while it shows.
    QWidget* buildProgressRow();
    void placeProgressRow();
    void renderProgress();
    void createControls();
    void layOutDetails();
    void applyPlacement(const WindowPlacement& placement);
    /// Notes the frame the window manager gives the window while it is in its normal state.
    void rememberNormalFrame();
    /// Places the statistics for the texts they show, in the fonts they use.
    void layOutStatistics();
    QWidget* buildTopStrip();
    QWidget* buildDetails();
    QWidget* buildRecordArea(QWidget* parent);
    QWidget* buildOriginalStrip(QWidget* parent);
    QWidget* buildInfoStrip(QWidget* parent);
    void connectControls();
    /// Runs a command that may rebuild the grid, the model told of the refill, then renders.
    void refillWith(const std::function<void(Session&)>& command);
    void renderDetails();
    /// Shares the details' height between the grid and the strips below the bar, until the user moves it.
    void splitDetails();
    /// A window shorter than its design with the details shown takes the short arrangement: tighter rows in
    /// the top strip, and the display filter with the original value and the information in a pane beside
    /// the grid, which keeps the whole height. Otherwise the design's.
    void arrangeForHeight();
    /// The display filter's items in as many columns as the filter's width gives them whole: four in a row,
    /// two rows of two, or one under the other in the pane beside the grid.
    void arrangeFilters();
    /// The width the display filter's items need in `columns` columns, frame included.
    int filterWidthIn(int columns) const;

    QtUserInterface& m_ui;
    Session& m_session;
    LogWindow* m_log = nullptr;
    RecordGridModel* m_model = nullptr;
    /// The placement a maximised window takes when it is restored; set while details are toggled in it.
    std::optional<WindowPlacement> m_pendingPlacement;
    /// The frame of the window in its normal state, as last seen (a maximised frame may lack borders).
    FrameMargins m_normalFrame;

    QPushButton* m_openButton = nullptr;
    QPushButton* m_saveButton = nullptr;
    QPushButton* m_showLogButton = nullptr;
    QLabel* m_fileNameLabel = nullptr;
    QLabel* m_kindPanel = nullptr;
    CodePageList* m_codePageList = nullptr;
    QWidget* m_otherCodePageMarker = nullptr;
    QCheckBox* m_trimFieldsOption = nullptr;
    QCheckBox* m_replaceControlOption = nullptr;
    QCheckBox* m_checkNrbDigitsOption = nullptr;
    QCheckBox* m_checkNipDigitsOption = nullptr;
    QLabel* m_allCountLabel = nullptr;
    QLabel* m_validCountLabel = nullptr;
    QLabel* m_invalidCountLabel = nullptr;
    QLabel* m_validTotalLabel = nullptr;
    QCheckBox* m_showDetailsOption = nullptr;
    QPushButton* m_accountTotalsButton = nullptr;
    QWidget* m_topStrip = nullptr;
    QGroupBox* m_statistics = nullptr;
    QBoxLayout* m_stripLayout = nullptr;
    QSpacerItem* m_belowCommands = nullptr;
    QSpacerItem* m_aboveOptions = nullptr;
    bool m_shortArrangement = false;
    std::array<QLabel*, 3> m_statCaptions{};
    int m_statisticsLeft = 0;

    QFrame* m_detailsPanel = nullptr;
    QSplitter* m_splitter = nullptr;
    QWidget* m_originalStrip = nullptr;
    bool m_splitterMovedByUser = false;
    QButtonGroup* m_recordFilter = nullptr;
    QGroupBox* m_filterGroup = nullptr;
    QGridLayout* m_filterLayout = nullptr;
    int m_filterColumns = 0;
    QBoxLayout* m_recordsLayout = nullptr;
    QBoxLayout* m_belowLayout = nullptr;
    QBoxLayout* m_originalLayout = nullptr;
    QLabel* m_shownCountLabel = nullptr;
    QStackedWidget* m_gridArea = nullptr;
    QLabel* m_noDataPanel = nullptr;
    RecordGridView* m_grid = nullptr;
    QLineEdit* m_originalValueEdit = nullptr;
    QPlainTextEdit* m_detailsMemo = nullptr;

    BackgroundTask* m_task = nullptr;
    QTimer* m_progressTimer = nullptr;
    QWidget* m_progressRow = nullptr;
    QLabel* m_stageLabel = nullptr;
    QProgressBar* m_progressBar = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QShortcut* m_cancelKey = nullptr;
    QPointer<QWidget> m_focusBeforeWork;
};

} // namespace quarvel
