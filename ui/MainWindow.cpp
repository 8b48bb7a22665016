#include "MainWindow.h"

#include "BackgroundTask.h"
#include "AccountTotalsDialog.h"

#include "CodePageList.h"
#include "RecordGridModel.h"
#include "RecordGridView.h"
#include "LogWindow.h"
#include "ProgramIcon.h"
#include "WindowGeometry.h"

#include "OutputWriter.h"
#include "MainWindowPresenter.h"
#include "RecordGrid.h"
#include "ViewTexts.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStackedWidget>
#include <QStyleOptionGroupBox>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <utility>

namespace quarvel {
namespace {

constexpr int kClientWidth = 848;
constexpr int kBorder = 5;
// 163 at design, with a row for each of the two options of then; the third takes a row more.
constexpr int kTopStripHeight = 163 + kAddedOptionRows * kOptionRowHeight;
constexpr int kDetailsBorder = 3;
constexpr int kSplitterBar = 9;
constexpr int kOriginalStripHeight = 34;
constexpr int kOriginalStripMinimum = 30;
constexpr int kInfoStripHeight = 110;
constexpr int kRadioGroupHeight = 37;
constexpr int kTitleStripHeight = 21;
constexpr QColor kNavyText{0x00, 0x00, 0x80};
// How often the progress row reads the work's progress.
constexpr int kProgressTickMs = 50;

// Where each display filter's accelerator goes: letters no other control of the window uses.
const std::array<QString, 4> kFilterAccelerators = {QStringLiteral("rekordy"), QStringLiteral("ieprawid"),
                                                   QStringLiteral("dłowe"), QStringLiteral("uwagami")};

// The statistics group at design, in the top strip; its contents are placed by statisticsLayout.
constexpr QPoint kStatisticsAt{359, 56};
constexpr int kValueLabelWidth = 80;

QString utf8(const char* text) {
    return QString::fromUtf8(text);
}

QFont boldFont(const QWidget* widget, int pointSize = 0) {
    QFont font = widget->font();
    font.setBold(true);
    if (pointSize > 0) font.setPointSize(pointSize);
    return font;
}

QStyleOptionGroupBox groupOption(const QGroupBox* group, const QRect& rect) {
    QStyleOptionGroupBox option;
    option.initFrom(group);
    option.rect = rect;
    option.text = group->title();
    option.textAlignment = group->alignment();
    option.lineWidth = 1;
    option.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    return option;
}

// A group box's width at design, or as much as its title needs in the font and style at hand.
int widthForTitle(const QGroupBox* group, int designWidth) {
    const QStyleOptionGroupBox option = groupOption(group, QRect(0, 0, 4 * designWidth, 100));
    const QRect label = group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxLabel, group);
    // As much room after the title as the style leaves before it.
    return std::max(designWidth, label.right() + 1 + label.left());
}

// Where the style lets a group box's contents begin, below its title and top border.
int contentsTop(const QGroupBox* group) {
    const QStyleOptionGroupBox option = groupOption(group, QRect(QPoint(0, 0), group->size()));
    return group->style()->subControlRect(QStyle::CC_GroupBox, &option, QStyle::SC_GroupBoxContents, group).top();
}

// The small yellow circle that marks a code page other than the identified one.
class MarkerShape final : public QWidget {
public:
    explicit MarkerShape(QWidget* parent) : QWidget(parent) {}

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::black);
        painter.setBrush(QColor(0xFF, 0xFF, 0x00));
        painter.drawEllipse(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
    }
};

// A command button: its design width, or as wide as its caption needs in the system's font.
QPushButton* makeButton(QWidget* parent, const char* name, const QString& caption, int designWidth) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFixedSize(std::max(designWidth, button->sizeHint().width()), 25);
    return button;
}

QLabel* makeLabel(QWidget* parent, const QString& text, const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setFont(font);
    return label;
}

// A caption of the statistics, whose places LayOutStatistics decides.
QLabel* placeLabel(QWidget* parent, const QString& text, QPoint at, const QFont& font) {
    auto* label = makeLabel(parent, text, font);
    label->adjustSize();
    label->move(at);
    return label;
}

// A value label of the statistics: right-aligned; statisticsLayout places it.
QLabel* makeValueLabel(QWidget* parent, const char* name, const QFont& font) {
    auto* label = new QLabel(QStringLiteral("0"), parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setFont(font);
    label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    return label;
}

QCheckBox* makeCheckBox(QWidget* parent, const char* name, const QString& caption, int width) {
    auto* box = new QCheckBox(caption, parent);
    box->setObjectName(QString::fromLatin1(name));
    box->setFixedWidth(width);
    return box;
}

void setTextColour(QLabel* label, const QColor& colour) {
    QPalette palette = label->palette();
    if (palette.color(QPalette::WindowText) == colour) return;
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

void renderLabel(QLabel* label, const LabelState& state, const QColor& windowText) {
    label->setText(displayText(state.text));
    setTextColour(label, state.textColour ? toQColor(*state.textColour) : windowText);
    label->setVisible(state.visible);
}

} // namespace

MainWindow::MainWindow(WindowSession& owner, QWidget* parent)
    : QWidget(parent), m_ui(owner.ui), m_session(owner.session) {
    m_ui.setDialogParent(this);
    setObjectName(QStringLiteral("mainWindow"));
    setWindowIcon(programIcon());
    setAttribute(Qt::WA_QuitOnClose, true);
    setAcceptDrops(true);
    QFont font = this->font();
    font.setPointSize(8);
    setFont(font);

    m_model = new RecordGridModel(m_session, this);

    auto* client = new QVBoxLayout(this);
    client->setContentsMargins(kBorder, kBorder, kBorder, kBorder);
    client->setSpacing(0);
    client->addWidget(buildTopStrip());
    client->addWidget(buildDetails(), 1);
    // With the details hidden, whatever height the user gives the window stays below the top strip.
    client->addStretch(0);
    m_progressRow = buildProgressRow();

    connectControls();
    createControls();
}

QWidget* MainWindow::buildTopStrip() {
    auto* strip = new QWidget(this);
    m_topStrip = strip;
    strip->setObjectName(QStringLiteral("topStrip"));
    strip->setMinimumHeight(kTopStripHeight);
    strip->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    const QFont plain = font();
    const QFont bold = boldFont(this);

    // The spacings below put every control at its design place with the default font at 100 %; a wider
    // font or a larger scale moves the controls after it instead of cutting or covering them.
    auto* stripLayout = new QVBoxLayout(strip);
    m_stripLayout = stripLayout;
    stripLayout->setContentsMargins(4, 4, 0, 0);
    stripLayout->setSpacing(0);

    // The row of commands.
    auto* commands = new QHBoxLayout;
    commands->setSpacing(0);
    m_openButton = makeButton(strip, "openButton", utf8("&Wczytaj plik do konwersji"), 140);
    QLabel* arrow = makeLabel(strip, QStringLiteral("->"), bold);
    m_saveButton = makeButton(strip, "saveButton", utf8("&Zapisz tylko prawidłowe wiersze"), 193);
    m_showLogButton = makeButton(strip, "showLogButton", utf8("Pokaż plik &LOG"), 141);
    commands->addWidget(m_openButton);
    commands->addSpacing(14);
    commands->addWidget(arrow, 0, Qt::AlignTop);
    commands->addSpacing(std::max(0, 184 - 158 - arrow->sizeHint().width()));
    commands->addWidget(m_saveButton);
    commands->addSpacing(15);
    commands->addWidget(m_showLogButton);
    commands->addStretch(1);
    arrow->setContentsMargins(0, 4, 0, 0);
    stripLayout->addLayout(commands);
    m_belowCommands = new QSpacerItem(0, 11, QSizePolicy::Minimum, QSizePolicy::Fixed);
    stripLayout->addSpacerItem(m_belowCommands);

    // The file name follows its caption, however wide the caption comes out in the system's font.
    auto* nameRow = new QHBoxLayout;
    nameRow->setSpacing(4);
    QLabel* nameCaption = makeLabel(strip, utf8("Nazwa wczytanego zbioru:"), plain);
    nameCaption->setMinimumWidth(136 - 4 - 4);
    m_fileNameLabel = new QLabel(strip);
    m_fileNameLabel->setObjectName(QStringLiteral("fileNameLabel"));
    m_fileNameLabel->setFont(bold);
    m_fileNameLabel->setMinimumWidth(1);
    nameRow->addWidget(nameCaption, 0, Qt::AlignTop);
    nameRow->addWidget(m_fileNameLabel, 1, Qt::AlignTop);
    auto* nameStrip = new QWidget(strip);
    nameStrip->setLayout(nameRow);
    nameRow->setContentsMargins(0, 0, 0, 0);
    nameStrip->setMinimumHeight(56 - 40);
    stripLayout->addWidget(nameStrip);

    // Below: the file's kind and code page over the options, and the statistics beside them.
    auto* lower = new QHBoxLayout;
    lower->setSpacing(0);
    auto* left = new QVBoxLayout;
    left->setSpacing(0);
    left->addSpacing(60 - 56);
    auto* groups = new QHBoxLayout;
    groups->setSpacing(7);
    // The two small groups keep their design sizes unless their titles need more room.
    auto* kindGroup = new QGroupBox(utf8("Rodzaj wczytanego zbioru"), strip);
    kindGroup->setFixedSize(widthForTitle(kindGroup, 145), 49);
    auto* kindLayout = new QVBoxLayout(kindGroup);
    kindLayout->setContentsMargins(2, 0, 2, 2);
    m_kindPanel = new QLabel(kindGroup);
    m_kindPanel->setObjectName(QStringLiteral("kindPanel"));
    m_kindPanel->setFont(bold);
    m_kindPanel->setAlignment(Qt::AlignCenter);
    m_kindPanel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    kindLayout->addWidget(m_kindPanel);

    auto* codePageGroup = new QGroupBox(utf8("Zidentyfikowana s&trona kodowa"), strip);
    codePageGroup->setFixedSize(widthForTitle(codePageGroup, 173), 49);
    auto* codePageLayout = new QHBoxLayout(codePageGroup);
    // The layout works inside the group's own margins (its frame and title); the list keeps its design place.
    const QMargins frame = codePageGroup->contentsMargins();
    codePageLayout->setContentsMargins(12 - frame.left(), 20 - frame.top(), 0, 0);
    codePageLayout->setSpacing(144 - 12 - 125);
    m_codePageList = new CodePageList(codePageGroup);
    m_codePageList->setObjectName(QStringLiteral("codePageList"));
    m_codePageList->setFont(bold);
    m_codePageList->setAccessibleName(QString(codePageGroup->title()).remove(QLatin1Char('&')));
    m_codePageList->setFixedSize(125, std::min(m_codePageList->sizeHint().height(), 25));
    m_otherCodePageMarker = new MarkerShape(codePageGroup);
    m_otherCodePageMarker->setObjectName(QStringLiteral("otherCodePageMarker"));
    m_otherCodePageMarker->setFixedSize(13, 13);
    // The marker keeps its place while hidden, so that the list does not move when it appears.
    QSizePolicy keep = m_otherCodePageMarker->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    m_otherCodePageMarker->setSizePolicy(keep);
    codePageLayout->addWidget(m_codePageList, 0, Qt::AlignTop);
    auto* markerColumn = new QVBoxLayout;
    markerColumn->setContentsMargins(0, 2, 0, 0);
    markerColumn->addWidget(m_otherCodePageMarker);
    markerColumn->addStretch(1);
    codePageLayout->addLayout(markerColumn);
    codePageLayout->addStretch(1);
    groups->addWidget(kindGroup);
    groups->addWidget(codePageGroup);
    groups->addStretch(1);
    left->addLayout(groups);
    m_aboveOptions = new QSpacerItem(0, 124 - 109, QSizePolicy::Minimum, QSizePolicy::Fixed);
    left->addSpacerItem(m_aboveOptions);

    m_trimFieldsOption = makeCheckBox(strip, "trimFieldsOption", utf8("&Przytnij zbyt długie pola do wymaganej długości"), 325);
    m_replaceControlOption =
        makeCheckBox(strip, "replaceControlOption", utf8("Zamień &niedozwolone znaki na znak \"?\""), 325);
    m_checkNrbDigitsOption =
        makeCheckBox(strip, "checkNrbDigitsOption", utf8("&Sprawdzaj cyfry kontrolne numerów NRB"), 325);
    m_checkNipDigitsOption =
        makeCheckBox(strip, "checkNipDigitsOption", utf8("Sprawdzaj cyfry &kontrolne numerów NIP"), 325);
    // One option every kOptionRowHeight pixels, or closer to each other than that never.
    left->setSpacing(0);
    for (QCheckBox* option : {m_trimFieldsOption, m_replaceControlOption, m_checkNrbDigitsOption, m_checkNipDigitsOption}) {
        left->addWidget(option);
        if (option != m_checkNipDigitsOption) {
            left->addSpacing(std::max(0, kOptionRowHeight - option->sizeHint().height()));
        }
    }
    left->addStretch(1);
    lower->addLayout(left);
    // The statistics keep their design place unless the groups' titles need more room than the gap.
    constexpr int kLeastGap = 7;
    const int gap = std::max(kLeastGap, kStatisticsAt.x() - 4 - left->sizeHint().width());
    lower->addSpacing(gap);
    m_statisticsLeft = 4 + left->sizeHint().width() + gap;

    auto* statistics = new QGroupBox(utf8("Statystyki wczytanego zbioru"), strip);
    m_statistics = statistics;
    statistics->setObjectName(QStringLiteral("statistics"));
    // As wide as the strip allows: a wide window gives the total its room.
    statistics->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_statCaptions = {placeLabel(statistics, utf8("Ilość wszystkich danych wejściowych:"), {8, 16}, plain),
                      placeLabel(statistics, utf8("Ilość danych prawidłowych:"), {8, 32}, plain),
                      placeLabel(statistics, utf8("Ilość danych nieprawidłowych:"), {8, 48}, plain)};
    m_allCountLabel = makeValueLabel(statistics, "allCountLabel", bold);
    m_validCountLabel = makeValueLabel(statistics, "validCountLabel", bold);
    m_invalidCountLabel = makeValueLabel(statistics, "invalidCountLabel", boldFont(this, 10));
    m_validTotalLabel = new QLabel(statistics);
    m_validTotalLabel->setObjectName(QStringLiteral("validTotalLabel"));
    m_validTotalLabel->setFont(boldFont(this, 10));
    m_validTotalLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_showDetailsOption = makeCheckBox(statistics, "showDetailsOption", utf8("Pokaż sz&czegóły"), 200);
    m_showDetailsOption->setGeometry(8, 68, 200, m_showDetailsOption->sizeHint().height());
    // Beside "Pokaż szczegóły", on its row: the batches of the total above it.
    QString totalsCaption = displayText(texts::kAccountTotalsButton);
    totalsCaption.insert(totalsCaption.indexOf(QLatin1Char('m')), QLatin1Char('&'));
    m_accountTotalsButton = new QPushButton(totalsCaption, statistics);
    m_accountTotalsButton->setObjectName(QStringLiteral("accountTotalsButton"));
    m_accountTotalsButton->setAutoDefault(false);
    lower->addWidget(statistics, 1, Qt::AlignTop);
    // The design's gap to the strip's edge, which a total too wide for the design's group may take.
    lower->addSpacerItem(new QSpacerItem(kClientWidth - 2 * kBorder - kStatisticsAt.x() - 470, 0, QSizePolicy::Preferred,
                                         QSizePolicy::Minimum));
    stripLayout->addLayout(lower);
    layOutStatistics();
    return strip;
}

QWidget* MainWindow::buildDetails() {
    m_detailsPanel = new QFrame(this);
    m_detailsPanel->setObjectName(QStringLiteral("detailsPanel"));
    auto* details = new QVBoxLayout(m_detailsPanel);
    details->setContentsMargins(kDetailsBorder, kDetailsBorder, kDetailsBorder, kDetailsBorder);
    details->setSpacing(0);

    auto* splitter = new QSplitter(Qt::Vertical, m_detailsPanel);
    splitter->setObjectName(QStringLiteral("detailsSplitter"));
    splitter->setHandleWidth(kSplitterBar);
    splitter->setChildrenCollapsible(false);
    splitter->setOpaqueResize(true);
    m_splitter = splitter;
    splitter->addWidget(buildRecordArea(splitter));
    // The original value and the information share the pane under the bar: the bar gives the grid the
    // room the user wants, and a short window gives the grid its rows before the information its lines.
    auto* below = new QWidget(splitter);
    auto* belowLayout = new QVBoxLayout(below);
    m_belowLayout = belowLayout;
    belowLayout->setContentsMargins(0, 0, 0, 0);
    belowLayout->setSpacing(0);
    belowLayout->addWidget(buildOriginalStrip(below));
    belowLayout->addWidget(buildInfoStrip(below), 1);
    splitter->addWidget(below);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    connect(splitter, &QSplitter::splitterMoved, this, [this] { m_splitterMovedByUser = true; });
    details->addWidget(splitter, 1);
    return m_detailsPanel;
}

// 1. The record area: display filter, title strip, and the grid over its "[BRAK DANYCH]" panel.
QWidget* MainWindow::buildRecordArea(QWidget* parent) {
    auto* records = new QWidget(parent);
    auto* recordsLayout = new QVBoxLayout(records);
    recordsLayout->setContentsMargins(0, 0, 0, 0);
    recordsLayout->setSpacing(0);

    m_recordsLayout = recordsLayout;
    auto* filterGroup = new QGroupBox(utf8("Rodzaj wyświetlanych danych"), records);
    m_filterGroup = filterGroup;
    filterGroup->setObjectName(QStringLiteral("recordFilter"));
    filterGroup->setFont(boldFont(this));
    m_filterLayout = new QGridLayout(filterGroup);
    // The items keep a few pixels from the frame above and below them.
    m_filterLayout->setContentsMargins(8, 3, 8, 3);
    m_filterLayout->setHorizontalSpacing(6);
    m_filterLayout->setVerticalSpacing(2);
    m_recordFilter = new QButtonGroup(filterGroup);
    for (std::size_t k = 0; k < texts::kRecordFilterItems.size(); ++k) {
        QString caption = displayText(texts::kRecordFilterItems[k]);
        caption.insert(caption.indexOf(kFilterAccelerators[k]), QLatin1Char('&'));
        auto* item = new QRadioButton(caption, filterGroup);
        item->setObjectName(QStringLiteral("recordFilter%1").arg(k));
        m_recordFilter->addButton(item, static_cast<int>(k));
    }
    // Four filters in bold are wider than the window's design width: the window's width decides how many
    // share a row (arrangeFilters), rather than the filters widening the window.
    filterGroup->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    filterGroup->installEventFilter(this);
    arrangeFilters();
    recordsLayout->addWidget(filterGroup);

    auto* title = new QWidget(records);
    title->setFixedHeight(kTitleStripHeight);
    auto* titleLayout = new QHBoxLayout(title);
    titleLayout->setContentsMargins(0, 0, 4, 0);
    auto* titleCaption = new QLabel(utf8(" Zawartość zbioru z danymi wejściowymi"), title);
    titleCaption->setFont(boldFont(this));
    titleLayout->addWidget(titleCaption);
    titleLayout->addStretch(1);
    auto* countCaption = new QLabel(utf8("Ilość wybranych rekordów:"), title);
    setTextColour(countCaption, kNavyText);
    titleLayout->addWidget(countCaption);
    m_shownCountLabel = new QLabel(title);
    m_shownCountLabel->setObjectName(QStringLiteral("shownCountLabel"));
    m_shownCountLabel->setFont(boldFont(this));
    m_shownCountLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_shownCountLabel->setMinimumWidth(60);
    setTextColour(m_shownCountLabel, kNavyText);
    titleLayout->addWidget(m_shownCountLabel);
    recordsLayout->addWidget(title);

    m_gridArea = new QStackedWidget(records);
    m_noDataPanel = new QLabel(displayText(texts::kNoData), m_gridArea);
    m_noDataPanel->setObjectName(QStringLiteral("noDataPanel"));
    m_noDataPanel->setAlignment(Qt::AlignCenter);
    m_noDataPanel->setAutoFillBackground(true);
    QPalette white = m_noDataPanel->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_noDataPanel->setPalette(white);
    m_gridArea->addWidget(m_noDataPanel);
    m_grid = new RecordGridView(*m_model, m_gridArea);
    m_grid->setObjectName(QStringLiteral("recordGrid"));
    m_grid->setAccessibleName(titleCaption->text().trimmed());
    m_gridArea->addWidget(m_grid);
    recordsLayout->addWidget(m_gridArea, 1);
    return records;
}

// 2. Under the splitter bar, the strip whose height the bar changes: the original value.
QWidget* MainWindow::buildOriginalStrip(QWidget* parent) {
    auto* original = new QWidget(parent);
    m_originalStrip = original;
    original->setMinimumHeight(kOriginalStripMinimum);
    auto* originalLayout = new QHBoxLayout(original);
    m_originalLayout = originalLayout;
    const int editHeight = QLineEdit().sizeHint().height();
    const int vertical = std::max(0, (kOriginalStripHeight - editHeight) / 2);
    originalLayout->setContentsMargins(4, vertical, 4, vertical);
    originalLayout->setSpacing(6);
    auto* originalCaption = new QLabel(utf8("Oryginalna wartość dla wybranego pola"), original);
    originalCaption->setMinimumWidth(212 - 4 - 6);
    originalCaption->setMinimumWidth(std::max(originalCaption->minimumWidth(), originalCaption->sizeHint().width()));
    originalLayout->addWidget(originalCaption, 0, Qt::AlignTop);
    m_originalValueEdit = new QLineEdit(original);
    m_originalValueEdit->setObjectName(QStringLiteral("originalValueEdit"));
    m_originalValueEdit->setReadOnly(true);
    m_originalValueEdit->setAccessibleName(originalCaption->text());
    m_originalValueEdit->setFrame(false);
    // 605 wide at design; it gives way first when the caption needs more room in the system's font.
    m_originalValueEdit->setMaximumWidth(605);
    m_originalValueEdit->setMinimumWidth(200);
    m_originalValueEdit->setAutoFillBackground(true);
    originalLayout->addWidget(m_originalValueEdit, 1, Qt::AlignTop);
    originalLayout->addStretch(0);
    return original;
}

// 3. The information strip, under the original value: its design height when there is room.
QWidget* MainWindow::buildInfoStrip(QWidget* parent) {
    auto* info = new QWidget(parent);
    auto* infoLayout = new QVBoxLayout(info);
    infoLayout->setContentsMargins(0, 0, 0, 0);
    infoLayout->setSpacing(2);
    auto* infoCaption = new QLabel(utf8(" Informacje dla wybranego rekordu"), info);
    infoCaption->setFont(boldFont(this));
    infoLayout->addWidget(infoCaption);
    m_detailsMemo = new QPlainTextEdit(info);
    m_detailsMemo->setObjectName(QStringLiteral("detailsMemo"));
    m_detailsMemo->setReadOnly(true);
    m_detailsMemo->setAccessibleName(infoCaption->text().trimmed());
    m_detailsMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_detailsMemo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    infoLayout->addWidget(m_detailsMemo, 1);
    m_detailsMemo->setMinimumHeight(m_detailsMemo->fontMetrics().lineSpacing() + 2 * m_detailsMemo->frameWidth());
    return info;
}

// The row of a command's work: its stage, how far it has come, and "Anuluj" for a load. It lies over the
// bottom of the window while it shows, so that the window's size and layout stay as they are.
QWidget* MainWindow::buildProgressRow() {
    auto* row = new QFrame(this);
    row->setObjectName(QStringLiteral("progressRow"));
    row->setFrameStyle(QFrame::Panel | QFrame::Raised);
    row->setAutoFillBackground(true);
    auto* rowLayout = new QHBoxLayout(row);
    rowLayout->setContentsMargins(6, 2, 6, 2);
    m_stageLabel = new QLabel(row);
    m_stageLabel->setObjectName(QStringLiteral("stageLabel"));
    m_progressBar = new QProgressBar(row);
    m_progressBar->setObjectName(QStringLiteral("progressBar"));
    m_progressBar->setRange(0, 100);
    m_cancelButton = new QPushButton(QLatin1Char('&') + displayText(texts::kCancelWork), row);
    m_cancelButton->setObjectName(QStringLiteral("cancelButton"));
    rowLayout->addWidget(m_stageLabel);
    rowLayout->addWidget(m_progressBar, 1);
    rowLayout->addWidget(m_cancelButton);
    row->hide();

    m_task = new BackgroundTask(this);
    connect(m_task, &BackgroundTask::ended, this,
            [this](const std::shared_ptr<WindowWork>& work, const std::exception_ptr& failure) { workEnded(work, failure); });
    m_progressTimer = new QTimer(this);
    m_progressTimer->setInterval(kProgressTickMs);
    connect(m_progressTimer, &QTimer::timeout, this, [this] {
        if (const WindowWork* work = m_task->work()) showProgress(m_session.state, *work, m_task->lasted());
        renderProgress();
    });
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { cancelWork(); });
    m_cancelKey = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_cancelKey->setEnabled(false);
    connect(m_cancelKey, &QShortcut::activated, this, [this] { cancelWork(); });
    return row;
}

void MainWindow::placeProgressRow() {
    const int rowHeight = m_progressRow->sizeHint().height();
    m_progressRow->setGeometry(0, height() - rowHeight, width(), rowHeight);
    m_progressRow->raise();
}

bool MainWindow::isWorking() const {
    return m_task->running();
}

void MainWindow::cancelWork() {
    if (m_session.state.progress.cancellable) m_task->cancel();
}

void MainWindow::startWork(std::unique_ptr<WindowWork> work) {
    beginWork(m_session.state, *work);
    m_focusBeforeWork = focusWidget();
    m_task->start(std::move(work));
    setCursor(Qt::BusyCursor);
    m_progressTimer->start();
    render();
}

void MainWindow::workEnded(const std::shared_ptr<WindowWork>& work, const std::exception_ptr& failure) {
    m_progressTimer->stop();
    endWork(m_session.state);
    unsetCursor();
    if (failure) {
        render();
        std::rethrow_exception(failure);
    }
    if (work->changesRecords() && !work->cancelled()) {
        {
            GridRefill refill(*m_model);
            work->finish(m_session);
        }
        m_grid->applyColumns();
        m_grid->scrollToTop();
    } else {
        work->finish(m_session);
    }
    if (work->renewedLogReport() && m_log) m_log->refreshFromState();
    render();
    // The control the user left was off while the work ran.
    if (m_focusBeforeWork && m_focusBeforeWork->isEnabled() && m_focusBeforeWork->isVisible()) {
        m_focusBeforeWork->setFocus(Qt::OtherFocusReason);
    }
}

void MainWindow::renderProgress() {
    const ProgressState& progress = m_session.state.progress;
    m_cancelKey->setEnabled(progress.working && progress.cancellable);
    m_cancelButton->setVisible(progress.cancellable);
    m_cancelButton->setEnabled(progress.working && progress.cancellable);
    const QString stage = displayText(progress.stage);
    m_stageLabel->setText(stage);
    m_progressBar->setAccessibleName(stage);
    // Unknown: the bar moves without telling how far.
    if (progress.percent < 0) {
        m_progressBar->setRange(0, 0);
    } else {
        m_progressBar->setRange(0, 100);
        m_progressBar->setValue(progress.percent);
    }
    if (progress.visible) placeProgressRow();
    m_progressRow->setVisible(progress.visible);
}

void MainWindow::connectControls() {
    WindowState& state = m_session.state;
    // The usual keys of opening and saving, doing what the buttons do while they are enabled.
    const auto shortcut = [this](QKeySequence keys, QPushButton* button) {
        auto* action = new QShortcut(keys, this);
        connect(action, &QShortcut::activated, button, [button] {
            if (button->isEnabled()) button->click();
        });
    };
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_O), m_openButton);
    shortcut(QKeySequence(Qt::CTRL | Qt::Key_S), m_saveButton);
    connect(m_openButton, &QPushButton::clicked, this, [this] { chooseAndOpenFile(); });
    connect(m_saveButton, &QPushButton::clicked, this, [this] { saveValidRecordsAndLog(); });
    connect(m_showLogButton, &QPushButton::clicked, this, [this] { showLog(); });
    connect(m_accountTotalsButton, &QPushButton::clicked, this, [this] { showAccountTotals(); });
    connect(m_trimFieldsOption, &QCheckBox::toggled, this, [this, &state](bool checked) {
        state.trimFields.checked = checked;
        trimFieldsToggled();
    });
    connect(m_replaceControlOption, &QCheckBox::toggled, this, [this, &state](bool checked) {
        state.replaceControl.checked = checked;
        replaceControlToggled();
    });
    connect(m_checkNrbDigitsOption, &QCheckBox::toggled, this, [this, &state](bool checked) {
        state.checkNrbDigits.checked = checked;
        checkNrbDigitsToggled();
    });
    connect(m_checkNipDigitsOption, &QCheckBox::toggled, this, [this, &state](bool checked) {
        state.checkNipDigits.checked = checked;
        checkNipDigitsToggled();
    });
    connect(m_codePageList, &QComboBox::currentIndexChanged, this, [this, &state](int index) {
        state.codePageList.selected = index;
        codePageChosen();
    });
    connect(m_showDetailsOption, &QCheckBox::toggled, this, [this, &state](bool checked) {
        state.showDetails.checked = checked;
        showDetailsToggled();
    });
    connect(m_recordFilter, &QButtonGroup::idToggled, this, [this, &state](int id, bool checked) {
        if (!checked) return; // the item that lost its mark; the new one reports too
        state.recordFilter.selected = id;
        filterChosen();
    });
    connect(m_grid, &RecordGridView::cellSelected, this,
            [this](int column, int row) { selectCell(column, row); });
}

void MainWindow::createControls() {
    setWindowTitle(displayText(texts::kWindowTitle));
    // Layouts, code-page table and list are built with the session.
    resize(kClientWidth, kCompactClientHeight);
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->geometry();
        move(area.left() + (area.width() - kClientWidth) / 2, y());
    }
    layOutDetails();
    render();
}

ScreenInfo MainWindow::screenInfo() const {
    return screenInfoOf(*this, m_normalFrame);
}

void MainWindow::rememberNormalFrame() {
    if (windowState() != Qt::WindowNoState || !isVisible()) return;
    if (const FrameMargins frame = frameMarginsOf(*this); isKnown(frame)) m_normalFrame = frame;
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    rememberNormalFrame();
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    rememberNormalFrame();
    arrangeForHeight();
    splitDetails();
    if (m_progressRow->isVisible()) placeProgressRow();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_filterGroup && event->type() == QEvent::Resize) arrangeFilters();
    return QWidget::eventFilter(watched, event);
}

int MainWindow::filterWidthIn(int columns) const {
    const QList<QAbstractButton*> items = m_recordFilter->buttons();
    int width = 0;
    for (int column = 0; column < columns; ++column) {
        int widest = 0;
        for (qsizetype k = column; k < items.size(); k += columns) widest = std::max(widest, items[k]->sizeHint().width());
        width += widest;
    }
    const QMargins inner = m_filterLayout->contentsMargins();
    const QMargins frame = m_filterGroup->contentsMargins();
    return width + (columns - 1) * m_filterLayout->horizontalSpacing() + inner.left() + inner.right() + frame.left() +
           frame.right();
}

void MainWindow::arrangeFilters() {
    constexpr int kAllInARow = 4;
    const int columns = m_shortArrangement                                         ? 1
                        : filterWidthIn(kAllInARow) <= m_filterGroup->width() ? kAllInARow
                                                                                   : 2;
    if (columns == m_filterColumns) return;
    m_filterColumns = columns;
    const QList<QAbstractButton*> items = m_recordFilter->buttons();
    for (QAbstractButton* item : items) m_filterLayout->removeWidget(item);
    for (int column = 0; column < kAllInARow; ++column) m_filterLayout->setColumnStretch(column, column < columns ? 1 : 0);
    for (qsizetype k = 0; k < items.size(); ++k) {
        m_filterLayout->addWidget(items[k], static_cast<int>(k) / columns, static_cast<int>(k) % columns);
    }
    // Beside the grid the pane is as wide as the filter needs; above it, the filter takes the width the
    // window has, in two columns at least.
    m_filterGroup->setSizePolicy(m_shortArrangement ? QSizePolicy::Preferred : QSizePolicy::Ignored, QSizePolicy::Fixed);
    m_filterGroup->setMinimumWidth(filterWidthIn(m_shortArrangement ? 1 : 2));
    // 37 high at design, or as high as the style draws its title and rows.
    m_filterGroup->setFixedHeight(std::max(kRadioGroupHeight, m_filterLayout->totalSizeHint().height()));
}

void MainWindow::arrangeForHeight() {
    const bool isShort = m_detailsPanel->isVisibleTo(this) && height() < kDetailsClientHeight;
    if (isShort == m_shortArrangement) return;
    m_shortArrangement = isShort;

    // The top strip: its rows closer together. (The file name keeps its own row: beside the commands a
    // long name would be cut.)
    m_belowCommands->changeSize(0, isShort ? 2 : 11, QSizePolicy::Minimum, QSizePolicy::Fixed);
    m_aboveOptions->changeSize(0, isShort ? 4 : 124 - 109, QSizePolicy::Minimum, QSizePolicy::Fixed);
    m_topStrip->setMinimumHeight(isShort ? 0 : kTopStripHeight);
    m_stripLayout->invalidate();

    // The details: the grid keeps the whole height, the filter, the original value and the information
    // stand beside it.
    if (isShort) {
        m_recordsLayout->removeWidget(m_filterGroup);
        m_belowLayout->insertWidget(0, m_filterGroup);
    } else {
        m_belowLayout->removeWidget(m_filterGroup);
        m_recordsLayout->insertWidget(0, m_filterGroup);
    }
    m_originalLayout->setDirection(isShort ? QBoxLayout::TopToBottom : QBoxLayout::LeftToRight);
    m_splitter->setOrientation(isShort ? Qt::Horizontal : Qt::Vertical);
    // A split the user made in the other arrangement means nothing in this one.
    m_splitterMovedByUser = false;
    m_filterColumns = 0;
    arrangeFilters();
}

void MainWindow::splitDetails() {
    // Once the user has moved the bar, the split is theirs until the program starts again.
    if (m_splitterMovedByUser || !m_detailsPanel->isVisible()) return;
    layout()->activate();
    m_detailsPanel->layout()->activate();
    QWidget* records = m_splitter->widget(0);
    QWidget* below = m_splitter->widget(1);
    if (m_splitter->orientation() == Qt::Horizontal) {
        // The pane beside the grid as wide as its contents ask, and never more than half.
        const int available = m_splitter->width() - m_splitter->handleWidth();
        const int side = std::max(below->minimumSizeHint().width(),
                                  std::min(below->sizeHint().width(), available / 2));
        m_splitter->setSizes({available - side, side});
        return;
    }
    DetailsSplitMeasures measures;
    measures.available = m_splitter->height() - m_splitter->handleWidth();
    measures.recordsWithoutRows = records->height() - m_grid->viewport()->height();
    measures.rowHeight = m_grid->rowHeader()->defaultSectionSize();
    // The original value's strip as tall as its contents ask, the information at its design height.
    measures.belowDesign = m_originalStrip->sizeHint().height() + kInfoStripHeight;
    measures.belowMinimum = below->minimumSizeHint().height();
    const DetailsSplit split = detailsSplit(measures);
    m_splitter->setSizes({split.records, split.below});
}

WindowPlacement MainWindow::normalPlacement() const {
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        const QRect normal = normalGeometry();
        if (normal.isValid()) {
            return {normal.left() - m_normalFrame.left, normal.top() - m_normalFrame.top, normal.width(),
                    normal.height()};
        }
        return {x(), y(), kClientWidth, height()};
    }
    return {x(), y(), width(), height()};
}

void MainWindow::layOutDetails() {
    rememberNormalFrame();
    const ScreenInfo screen = screenInfo();
    const DetailsLayout layout = quarvel::layOutDetails(m_session.state, normalPlacement(), screen);
    // Hidden details first, and the layout told at once, so their minimum height does not hold the
    // window up.
    if (!layout.detailsVisible) {
        m_detailsPanel->setVisible(false);
        this->layout()->activate();
    }
    // A maximised window stays maximised and takes the new placement when it is restored. Leaving the
    // maximised state and entering it again at once would ask the window manager for the new size before
    // it has restored the window: the size would be taken from the maximised window (its whole width),
    // and the window laid out at the new height inside the maximised frame.
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)) {
        m_pendingPlacement = layout.placement;
    } else {
        m_pendingPlacement.reset();
        applyPlacement(layout.placement);
    }
    m_detailsPanel->setVisible(layout.detailsVisible);
}

void MainWindow::applyPlacement(const WindowPlacement& placement) {
    const FrameMargins& frame = m_normalFrame;
    if (!isKnown(frame)) {
        // Not framed yet: the toolkit places the frame's corner when the window is first shown.
        resize(placement.clientWidth, placement.clientHeight);
        move(placement.left, placement.top);
        return;
    }
    // The client area, by the normal frame: a window just restored may still carry the frame of its
    // maximised state, whose borders differ.
    setGeometry(placement.left + frame.left, placement.top + frame.top, placement.clientWidth, placement.clientHeight);
}

void MainWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::WindowStateChange || !m_pendingPlacement) return;
    if (windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen | Qt::WindowMinimized)) return;
    // Restored, by the user or the window manager: the window manager has put back the geometry it
    // remembered, and the placement of the last toggle of the details replaces it.
    applyPlacement(*std::exchange(m_pendingPlacement, std::nullopt));
}

void MainWindow::chooseAndOpenFile() {
    if (isWorking()) return;
    // The dialog is gone before the load starts, and the window repaints while it runs.
    if (const std::optional<std::filesystem::path> chosen = askFileToOpen(m_session)) {
        startWork(loadWork(m_session, *chosen));
    } else {
        render();
    }
}

void MainWindow::openFiles(const std::vector<std::filesystem::path>& files) {
    if (isWorking()) return;
    if (const std::optional<std::filesystem::path> file = givenFileToOpen(m_session, files)) {
        startWork(loadWork(m_session, *file));
    } else {
        render();
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    // Nothing is taken while a command works. Several files are taken too, so that the drop can say that
    // only one is opened.
    if (!isWorking() && filesFromUrls(event->mimeData()->urls())) event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    std::optional<std::vector<std::filesystem::path>> files = filesFromUrls(event->mimeData()->urls());
    if (!files || isWorking()) return;
    event->acceptProposedAction();
    // The program the file came from waits until the drop has ended; the load, which may show a message
    // box, runs after it.
    QMetaObject::invokeMethod(
        this, [this, dropped = std::move(*files)] { openFiles(dropped); }, Qt::QueuedConnection);
}

void MainWindow::saveValidRecordsAndLog() {
    if (isWorking()) return;
    startWork(saveWork(m_session));
}

void MainWindow::showLog() {
    if (m_log) m_log->exec();
    render();
}

void MainWindow::showAccountTotals() {
    auto* dialog = new AccountTotalsDialog(accountTotalsRows(m_session.file), this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
}

// The options and the code page: the corrections and checks run again, away from the window's thread.
void MainWindow::trimFieldsToggled() {
    startWork(rerunWork(m_session, false));
}

void MainWindow::replaceControlToggled() {
    startWork(rerunWork(m_session, false));
}

void MainWindow::checkNrbDigitsToggled() {
    startWork(rerunWork(m_session, false));
}

void MainWindow::checkNipDigitsToggled() {
    startWork(rerunWork(m_session, false));
}

void MainWindow::codePageChosen() {
    startWork(rerunWork(m_session, true));
}

void MainWindow::showDetailsToggled() {
    layOutDetails();
    arrangeForHeight();
    splitDetails();
    render();
}

void MainWindow::filterChosen() {
    refillWith(quarvel::filterChosen);
}

void MainWindow::selectCell(int column, int row) {
    quarvel::selectCell(m_session, column, row);
    render();
}

void MainWindow::refillWith(const std::function<void(Session&)>& command) {
    {
        GridRefill refill(*m_model);
        command(m_session);
    }
    m_grid->applyColumns();
    m_grid->scrollToTop();
    render();
}

void MainWindow::layOutStatistics() {
    const std::array<QLabel*, 3> values{m_allCountLabel, m_validCountLabel, m_invalidCountLabel};
    StatisticsMeasures measures;
    measures.contentsTop = contentsTop(m_statistics);
    for (std::size_t k = 0; k < values.size(); ++k) {
        measures.captionRight[k] = m_statCaptions[k]->x() + m_statCaptions[k]->sizeHint().width();
        measures.valueWidth[k] = values[k]->fontMetrics().horizontalAdvance(values[k]->text());
    }
    measures.widestGroup = kClientWidth - 2 * kBorder - m_statisticsLeft;
    measures.detailsHeight = m_showDetailsOption->height();
    const QString total = displayText(m_session.state.validTotalLabel.text);
    QFont totalFont = boldFont(this, 10);
    totalFont.setPointSizeF(kSmallestTotalPoints);
    measures.widestTotalAtSmallest = QFontMetrics(totalFont).horizontalAdvance(displayText(widestPatternTotal()));
    const StatisticsLayout layout = statisticsLayout(measures, [&](double points) {
        totalFont.setPointSizeF(points);
        return QFontMetrics(totalFont).horizontalAdvance(total);
    });

    for (std::size_t k = 0; k < values.size(); ++k) {
        m_statCaptions[k]->move(m_statCaptions[k]->x(), layout.rowTop[k]);
        // Right-aligned: the labels may reach left over their captions, whose text ends before.
        const int right = layout.valueRight + (values[k] == m_invalidCountLabel ? 1 : 0);
        const int width = std::max(kValueLabelWidth, measures.valueWidth[k]);
        values[k]->setGeometry(right - width, layout.rowTop[k], width, values[k]->sizeHint().height());
    }
    totalFont.setPointSizeF(layout.totalPoints);
    const QString shown =
        layout.totalCut ? QFontMetrics(totalFont).elidedText(total, Qt::ElideLeft, layout.totalWidth) : total;
    m_validTotalLabel->setFont(totalFont);
    m_validTotalLabel->setText(shown);
    m_validTotalLabel->setToolTip(layout.totalCut ? total : QString());
    m_validTotalLabel->setGeometry(layout.totalLeft, layout.totalTop, layout.totalWidth,
                                    m_validTotalLabel->sizeHint().height());
    m_showDetailsOption->move(m_showDetailsOption->x(), layout.detailsTop);
    // As tall as the check box's row allows, inside the group's frame.
    const int totalsHeight = std::min(m_accountTotalsButton->sizeHint().height(), measures.detailsHeight + 4);
    m_accountTotalsButton->setGeometry(m_showDetailsOption->geometry().right() + 8,
                                  layout.detailsTop + (measures.detailsHeight - totalsHeight) / 2,
                                  m_accountTotalsButton->sizeHint().width(), totalsHeight);
    m_statistics->setMinimumWidth(layout.groupWidth);
    // The strip as wide as the design, or as the statistics' texts need in the font at hand: the window's
    // layout then widens the window rather than cutting the group.
    m_topStrip->setMinimumWidth(std::max(kClientWidth - 2 * kBorder, m_statisticsLeft + layout.groupWidth));
    m_statistics->setFixedHeight(layout.groupHeight);
    // Placed at once: what is rendered is measured and shown before the next event loop's turn.
    m_topStrip->layout()->activate();
}

void MainWindow::render() {
    const WindowState& state = m_session.state;
    const QColor windowText = palette().color(QPalette::WindowText);
    const QSignalBlocker blockTrim(m_trimFieldsOption);
    const QSignalBlocker blockReplace(m_replaceControlOption);
    const QSignalBlocker blockNrb(m_checkNrbDigitsOption);
    const QSignalBlocker blockNip(m_checkNipDigitsOption);
    const QSignalBlocker blockCodePage(m_codePageList);
    const QSignalBlocker blockDetails(m_showDetailsOption);
    const QSignalBlocker blockFilter(m_recordFilter);

    // While a command works, the commands that would interfere with it are off.
    const bool idle = !state.progress.working;
    m_openButton->setEnabled(idle);
    m_saveButton->setEnabled(idle && state.saveButton.enabled);
    m_showLogButton->setEnabled(idle && state.showLogButton.enabled);
    for (QWidget* control : std::initializer_list<QWidget*>{m_trimFieldsOption, m_replaceControlOption, m_checkNrbDigitsOption,
                                                            m_checkNipDigitsOption, m_codePageList}) {
        control->setEnabled(idle);
    }
    for (QAbstractButton* item : m_recordFilter->buttons()) item->setEnabled(idle);
    m_accountTotalsButton->setEnabled(idle && state.accountTotalsButton.enabled);
    renderProgress();

    renderLabel(m_fileNameLabel, state.fileNameLabel, windowText);
    renderLabel(m_allCountLabel, state.allCountLabel, windowText);
    renderLabel(m_validCountLabel, state.validCountLabel, windowText);
    renderLabel(m_invalidCountLabel, state.invalidCountLabel, windowText);
    renderLabel(m_validTotalLabel, state.validTotalLabel, windowText);
    // Read by a screen reader as one: a count with its caption, the total without its padding.
    const std::array<QLabel*, 3> counts{m_allCountLabel, m_validCountLabel, m_invalidCountLabel};
    for (std::size_t k = 0; k < counts.size(); ++k) {
        counts[k]->setAccessibleName(QString::fromStdString(
            spokenValue(m_statCaptions[k]->text().toStdString(), counts[k]->text().toStdString())));
    }
    m_validTotalLabel->setAccessibleName(QString::fromStdString(spokenValue({}, m_validTotalLabel->text().toStdString())));
    m_fileNameLabel->setToolTip(m_session.file.fileName.empty() ? QString()
                                                                   : QString::fromStdU16String(m_session.file.fileName.u16string()));
    layOutStatistics();
    renderLabel(m_shownCountLabel, state.shownCountLabel, kNavyText);

    const PanelState& kind = state.kindPanel;
    m_kindPanel->setText(displayText(kind.text));
    QPalette kindColours = palette();
    if (kind.background) kindColours.setColor(QPalette::Window, toQColor(*kind.background));
    kindColours.setColor(QPalette::WindowText, toQColor(kind.textColour));
    m_kindPanel->setAutoFillBackground(kind.background.has_value());
    m_kindPanel->setPalette(kindColours);

    const ComboBoxState& codePages = state.codePageList;
    QStringList items;
    for (const std::string& item : codePages.items) items << displayText(item);
    QStringList shown;
    for (int k = 0; k < m_codePageList->count(); ++k) shown << m_codePageList->itemText(k);
    if (items != shown) {
        m_codePageList->clear();
        m_codePageList->addItems(items);
        for (int k = 0; k < m_codePageList->count(); ++k) {
            m_codePageList->setItemData(k, displayText(codePageLongName(k)), Qt::ToolTipRole);
        }
    }
    m_codePageList->setCurrentIndex(codePages.selected < m_codePageList->count() ? codePages.selected : -1);
    m_codePageList->setColours(toQColor(codePages.background), toQColor(codePages.textColour));
    m_otherCodePageMarker->setVisible(state.otherCodePageMarker.visible);

    m_trimFieldsOption->setChecked(state.trimFields.checked);
    m_replaceControlOption->setChecked(state.replaceControl.checked);
    m_checkNrbDigitsOption->setChecked(state.checkNrbDigits.checked);
    m_checkNipDigitsOption->setChecked(state.checkNipDigits.checked);
    m_showDetailsOption->setChecked(state.showDetails.checked);
    if (QAbstractButton* item = m_recordFilter->button(state.recordFilter.selected)) {
        item->setChecked(true);
    }

    renderDetails();
}

void MainWindow::renderDetails() {
    const WindowState& state = m_session.state;
    const GridState& grid = state.grid;
    m_gridArea->setCurrentWidget(grid.visible ? static_cast<QWidget*>(m_grid) : m_noDataPanel);
    m_grid->showCurrentCell(grid.currentColumn, grid.currentRow);
    // The frame of the selected cell and the glyphs are painted from the state, which the view does not watch.
    m_grid->viewport()->update();
    m_grid->rowHeader()->viewport()->update();

    m_detailsMemo->setPlainText(displayLines(state.detailsMemo.lines));
    m_detailsMemo->moveCursor(QTextCursor::Start);

    const EditState& original = state.originalValueEdit;
    m_originalValueEdit->setText(displayText(original.text));
    m_originalValueEdit->setCursorPosition(0);
    m_originalValueEdit->setEnabled(original.enabled);
    QPalette editColours = m_originalValueEdit->palette();
    for (const QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        editColours.setColor(group, QPalette::Base, toQColor(original.background));
    }
    m_originalValueEdit->setPalette(editColours);
}

} // namespace quarvel
