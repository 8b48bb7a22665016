#include "LogWindow.h"

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
    setObjectName(QStringLiteral("TFormLOG"));
    setWindowTitle(QStringLiteral("Plik LOG"));
    QFont font = this->font();
    font.setPointSize(8);
    setFont(font);
    setSizeGripEnabled(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // The buttons keep their places from the left edge of their bars whatever the window's width.
    QFrame* panel1 = makeBar(this, "Panel1");
    m_button2 = makeButton(panel1, "Button2", QString::fromUtf8("Zapi&sz plik LOG"), QRect(8, 8, 117, 25));
    // Beside the log's own save, as wide as its caption needs; printing moves right by as much, keeping
    // the gap between the buttons.
    constexpr int kGap = 144 - (8 + 117);
    m_button4 = makeButton(panel1, "Button4", QString::fromUtf8("Zapisz &odrzucone wiersze…"),
                           QRect(m_button2->geometry().right() + 1 + kGap, 8, 150, 25));
    m_button4->resize(std::max(m_button4->width(), m_button4->sizeHint().width()), m_button4->height());
    m_button3 = makeButton(panel1, "Button3", QString::fromUtf8("&Drukuj"),
                           QRect(m_button4->geometry().right() + 1 + kGap, 8, 117, 25));
    layout->addWidget(panel1);

    auto* panel3 = new QFrame(this);
    panel3->setObjectName(QStringLiteral("Panel3"));
    auto* panel3Layout = new QVBoxLayout(panel3);
    panel3Layout->setContentsMargins(5, 5, 5, 5);
    m_richEditLOG = new QPlainTextEdit(panel3);
    m_richEditLOG->setObjectName(QStringLiteral("RichEditLOG"));
    m_richEditLOG->setReadOnly(true);
    m_richEditLOG->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_richEditLOG->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_richEditLOG->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_richEditLOG->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    panel3Layout->addWidget(m_richEditLOG);
    layout->addWidget(panel3, 1);

    QFrame* panel2 = makeBar(this, "Panel2");
    m_button1 = makeButton(panel2, "Button1", QString::fromUtf8("&Zamknij"), QRect(596, 8, 75, 25));
    layout->addWidget(panel2);

    setTabOrder(m_button2, m_button4);
    setTabOrder(m_button4, m_button3);
    setTabOrder(m_button3, m_richEditLOG);
    setTabOrder(m_richEditLOG, m_button1);

    connect(m_button2, &QPushButton::clicked, this, [this] { saveLog(); });
    connect(m_button4, &QPushButton::clicked, this, [this] { saveRejectedLines(); });
    connect(m_button3, &QPushButton::clicked, this, [this] { printWithDialog(); });
    connect(m_button1, &QPushButton::clicked, this, [this] { closeWindow(); });

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
    m_richEditLOG->setPlainText(displayLines(m_text.lines));
    // Nothing to write when the save left no line out.
    const std::vector<bool>* skipped = m_reported != nullptr ? &m_reported->file.skippedAtSave : nullptr;
    m_button4->setEnabled(skipped != nullptr && std::find(skipped->begin(), skipped->end(), true) != skipped->end());
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
