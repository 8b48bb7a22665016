#include "LogWindow.h"

#include "ProgramIcon.h"

#include "QtUserInterface.h"
#include "MainWindowPresenter.h"
#include "WindowGeometry.h"

#include "LogReport.h"
#include "RejectedLines.h"

#include <QFontDatabase>
#include <QFrame>
#include <QPlainTextEdit>
#include <QPrinter>
#include <QPushButton>
#include <QTextDocument>
#include <QTextOption>
#include <QVBoxLayout>

#include <algorithm>

namespace quarvel {
namespace {

constexpr int kBarHeight = 41;
constexpr int kPrintPointSize = 9;

QFrame* makeBar(QWidget* parent, const char* name) {
    auto* bar = new QFrame(parent);
    bar->setObjectName(QString::fromLatin1(name));
    bar->setFrameStyle(QFrame::Panel | QFrame::Raised);
    bar->setFixedHeight(kBarHeight);
    return bar;
}

QPushButton* makeButton(QWidget* bar, const char* name, const QString& caption, QRect geometry) {
    auto* button = new QPushButton(caption, bar);
    button->setObjectName(QString::fromLatin1(name));
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    return button;
}

} // namespace

const char* const LogWindow::kPrintTitle = "Plik LOG z Vexa_Ostrel";

LogWindow::LogWindow(const MemoState& text, QtUserInterface& ui, QWidget* parent, const Session* reported)
    : QDialog(parent), m_text(text), m_ui(ui), m_reported(reported) {
    setObjectName(QStringLiteral("logWindow"));
    setWindowIcon(programIcon());
    setWindowTitle(QStringLiteral("Plik LOG"));
    QFont font = this->font();
    font.setPointSize(8);
    setFont(font);
    setSizeGripEnabled(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The buttons keep their places from the left edge of their bars whatever the window's width.
    QFrame* commandBar = makeBar(this, "commandBar");
    m_saveLogButton = makeButton(commandBar, "saveLogButton", QString::fromUtf8("Zapi&sz plik LOG"), QRect(8, 8, 117, 25));
    // Beside the log's own save, as wide as its caption needs; printing moves right by as much, keeping
    // the gap between the buttons.
    constexpr int kGap = 144 - (8 + 117);
    m_saveRejectedButton = makeButton(commandBar, "saveRejectedButton", QString::fromUtf8("Zapisz &odrzucone wiersze…"),
                           QRect(m_saveLogButton->geometry().right() + 1 + kGap, 8, 150, 25));
    m_saveRejectedButton->resize(std::max(m_saveRejectedButton->width(), m_saveRejectedButton->sizeHint().width()), m_saveRejectedButton->height());
    m_printButton = makeButton(commandBar, "printButton", QString::fromUtf8("&Drukuj"),
                           QRect(m_saveRejectedButton->geometry().right() + 1 + kGap, 8, 117, 25));
    layout->addWidget(commandBar);

    auto* logArea = new QFrame(this);
    logArea->setObjectName(QStringLiteral("logArea"));
    auto* logAreaLayout = new QVBoxLayout(logArea);
    logAreaLayout->setContentsMargins(5, 5, 5, 5);
    m_logText = new QPlainTextEdit(logArea);
    m_logText->setObjectName(QStringLiteral("logText"));
    m_logText->setReadOnly(true);
    m_logText->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_logText->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_logText->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_logText->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    logAreaLayout->addWidget(m_logText);
    layout->addWidget(logArea, 1);

    QFrame* closeBar = makeBar(this, "closeBar");
    m_closeButton = makeButton(closeBar, "closeButton", QString::fromUtf8("&Zamknij"), QRect(596, 8, 75, 25));
    layout->addWidget(closeBar);

    setTabOrder(m_saveLogButton, m_saveRejectedButton);
    setTabOrder(m_saveRejectedButton, m_printButton);
    setTabOrder(m_printButton, m_logText);
    setTabOrder(m_logText, m_closeButton);

    connect(m_saveLogButton, &QPushButton::clicked, this, [this] { saveLog(); });
    connect(m_saveRejectedButton, &QPushButton::clicked, this, [this] { saveRejectedLines(); });
    connect(m_printButton, &QPushButton::clicked, this, [this] { printWithDialog(); });
    connect(m_closeButton, &QPushButton::clicked, this, [this] { closeWindow(); });

    // Outer size 698 x 553 at design, less a classic frame and caption.
    resize(690, 519);
    move(402, 221);
    refreshFromState();
}

void LogWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    // The design's place and size reach past the edges of a small or scaled screen, the close button with
    // them. Before the window is first framed, the main window's frame stands in for its own.
    FrameMargins frame = frameMarginsOf(*this);
    if (!isKnown(frame) && parentWidget()) frame = frameMarginsOf(*parentWidget()->window());
    keepWindowOnScreen(*this, frame);
}

void LogWindow::refreshFromState() {
    m_logText->setPlainText(displayLines(m_text.lines));
    // Nothing to write when the save left no line out.
    const std::vector<bool>* skipped = m_reported != nullptr ? &m_reported->file.skippedAtSave : nullptr;
    m_saveRejectedButton->setEnabled(skipped != nullptr && std::find(skipped->begin(), skipped->end(), true) != skipped->end());
}

void LogWindow::saveLog() {
    const std::optional<std::filesystem::path> target =
        m_ui.chooseFileToSave(this, QStringLiteral("Pliki tekstowe (*.TXT)"),
                              m_reported != nullptr ? proposedLogFile(m_reported->file) : std::filesystem::path());
    if (!target) return;
    const WriteResult result = saveLogFile(
        m_text.lines, *target, m_reported != nullptr ? filesOfReport(m_reported->file) : std::vector<ProtectedFile>{});
    if (!result.ok) m_ui.showMessage(MessageKind::Error, result.message);
    if (result.ok && !result.warning.empty()) m_ui.showMessage(MessageKind::Warning, result.warning);
}

void LogWindow::saveRejectedLines() {
    if (m_reported == nullptr) return;
    const std::optional<std::filesystem::path> target = m_ui.chooseFileToSave(
        this, QStringLiteral("Pliki tekstowe (*.TXT)"), proposedRejectedLinesFile(m_reported->file));
    if (!target) return;
    const LoadedFile& file = m_reported->file;
    const WriteResult result =
        writeRejectedLines(file, file.skippedAtSave, *target, m_reported->openInput, m_reported->openOutput);
    if (!result.ok) m_ui.showMessage(MessageKind::Error, result.message);
    if (result.ok && !result.warning.empty()) m_ui.showMessage(MessageKind::Warning, result.warning);
}

void LogWindow::printWithDialog() {
    QPrinter printer(QPrinter::HighResolution);
    if (!m_ui.setUpPrinter(printer, this)) return;
    if (!printLog(printer)) {
        m_ui.showText(MessageKind::Error,
                      QString::fromUtf8("Nie udało się wydrukować pliku LOG na drukarce: ") + printer.printerName());
    }
}

void LogWindow::closeWindow() {
    close();
}

bool LogWindow::printLog(QPrinter& printer) const {
    printer.setDocName(QString::fromLatin1(kPrintTitle));
    QTextDocument document;
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSize(kPrintPointSize);
    document.setDefaultFont(font);
    // A line wider than the page goes on under itself rather than being cut off at the margin.
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document.setDefaultTextOption(option);
    document.setPlainText(displayLines(m_text.lines));
    // One painter on the printer for the whole document: one job, page after page.
    document.print(&printer);
    return printer.printerState() != QPrinter::Error && printer.printerState() != QPrinter::Aborted;
}

} // namespace quarvel
