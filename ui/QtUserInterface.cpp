#include "QtUserInterface.h"

#include "Windows1250.h"
#include "ViewTexts.h"

#include <QApplication>
#include <QCursor>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrinter>

namespace quarvel {
namespace {

// The control pictures (U+2400 on) would name every control byte, but the fonts a desktop has by default
// lack them and drew an empty box; these signs are in the fonts of every desktop (DejaVu, Liberation, the
// Windows core fonts) and are none of the characters a Windows-1250 value can hold.
constexpr char16_t kTabSign = 0x2192; // rightwards arrow, as editors show a tab
constexpr char16_t kReplacement = 0xFFFD;
constexpr char16_t kSoftHyphen = 0x00AD;
constexpr char16_t kHyphen = 0x2010;

// A modal question must not show the hourglass of the command that asked it.
class ArrowWhileAsking {
public:
    explicit ArrowWhileAsking(bool busy) : m_busy(busy) {
        if (m_busy) QApplication::setOverrideCursor(QCursor(Qt::ArrowCursor));
    }
    ~ArrowWhileAsking() {
        if (m_busy) QApplication::restoreOverrideCursor();
    }
    ArrowWhileAsking(const ArrowWhileAsking&) = delete;
    ArrowWhileAsking& operator=(const ArrowWhileAsking&) = delete;

private:
    bool m_busy;
};

template <typename T>
std::optional<T> takeFirst(std::deque<std::optional<T>>& queue) {
    if (queue.empty()) return std::nullopt;
    std::optional<T> answer = std::move(queue.front());
    queue.pop_front();
    return answer;
}

} // namespace

QChar displayChar(unsigned char byte) {
    if (byte == '\t') return QChar(kTabSign);
    if (byte < 0x20 || byte == 0x7F) return QChar(kReplacement);
    const char32_t code = unicodeFromCp1250(byte);
    if (code == 0) return QChar(kReplacement);
    if (code == kSoftHyphen) return QChar(kHyphen);
    // Every Windows-1250 character lies in the Basic Multilingual Plane.
    return QChar(static_cast<char16_t>(code));
}

QString displayText(std::string_view cp1250) {
    QString text(static_cast<qsizetype>(cp1250.size()), Qt::Uninitialized);
    QChar* out = text.data();
    for (const char c : cp1250)
        *out++ = displayChar(static_cast<unsigned char>(c));
    return text;
}

QMessageBox::Icon messageIcon(MessageKind kind) {
    switch (kind) {
    case MessageKind::Information:
        return QMessageBox::Information;
    case MessageKind::Warning:
        return QMessageBox::Warning;
    case MessageKind::Error:
        return QMessageBox::Critical;
    }
    return QMessageBox::Critical;
}

std::unique_ptr<QMessageBox> makeMessageBox(MessageKind kind, const QString& text, QWidget* parent) {
    return std::make_unique<QMessageBox>(messageIcon(kind), QString::fromStdString(texts::kWindowTitle), text,
                                         QMessageBox::Ok, parent);
}

QString messageText(std::string_view cp1250) {
    QString text;
    std::size_t start = 0;
    for (std::size_t i = 0; i < cp1250.size(); ++i) {
        if (cp1250[i] != '\r' && cp1250[i] != '\n') continue;
        text += displayText(cp1250.substr(start, i - start));
        text += QLatin1Char('\n');
        if (cp1250[i] == '\r' && i + 1 < cp1250.size() && cp1250[i + 1] == '\n') ++i;
        start = i + 1;
    }
    text += displayText(cp1250.substr(start));
    return text;
}

QString displayLines(const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const std::string& line : lines) size += line.size() + 1;
    QString text;
    text.reserve(static_cast<qsizetype>(size));
    for (std::size_t k = 0; k < lines.size(); ++k) {
        if (k > 0) text += QLatin1Char('\n');
        text += displayText(lines[k]);
    }
    return text;
}

// Windows names files in UTF-16, as QString holds them; elsewhere a name is bytes in the locale's encoding.
std::filesystem::path pathFromQString(const QString& name) {
#ifdef Q_OS_WIN
    return std::filesystem::path(name.toStdWString());
#else
    return std::filesystem::path(QFile::encodeName(name).toStdString());
#endif
}

QString qStringFromPath(const std::filesystem::path& path) {
#ifdef Q_OS_WIN
    return QString::fromStdWString(path.native());
#else
    return QFile::decodeName(QByteArray::fromStdString(path.native()));
#endif
}

std::vector<std::filesystem::path> filesFromArguments(const QStringList& arguments) {
    std::vector<std::filesystem::path> files;
    for (qsizetype k = 1; k < arguments.size(); ++k) files.push_back(pathFromQString(arguments[k]));
    return files;
}

std::optional<std::vector<std::filesystem::path>> filesFromUrls(const QList<QUrl>& urls) {
    if (urls.isEmpty()) return std::nullopt;
    std::vector<std::filesystem::path> files;
    for (const QUrl& url : urls) {
        if (!url.isLocalFile() || url.toLocalFile().isEmpty()) return std::nullopt;
        files.push_back(pathFromQString(url.toLocalFile()));
    }
    return files;
}

QString nameFilter(const FileFilter& filter) {
    const QString pattern = filter.pattern == "*.*" ? QStringLiteral("*") : QString::fromStdString(filter.pattern);
    return displayText(filter.description) + QStringLiteral(" (") + pattern + QLatin1Char(')');
}

QtUserInterface::~QtUserInterface() {
    // A command that ended by an exception may have left its hourglass behind.
    while (m_busyDepth > 0) setBusy(false);
}

void QtUserInterface::showMessage(MessageKind kind, std::string_view text) {
    showText(kind, messageText(text));
}

void QtUserInterface::showText(MessageKind kind, const QString& text) {
    if (m_answers) {
        m_answers->messages.push_back(text);
        m_answers->messageKinds.push_back(kind);
        return;
    }
    ArrowWhileAsking arrow(isBusy());
    makeMessageBox(kind, text, m_dialogParent)->exec();
}

void QtUserInterface::setBusy(bool busy) {
    if (busy) {
        ++m_busyDepth;
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    } else if (m_busyDepth > 0) {
        --m_busyDepth;
        QApplication::restoreOverrideCursor();
    }
}

std::optional<std::filesystem::path> QtUserInterface::chooseFileToOpen(const std::vector<FileFilter>& filters,
                                                                       const std::filesystem::path& startFolder) {
    QStringList nameFilters;
    for (const FileFilter& filter : filters) nameFilters << nameFilter(filter);
    const QString folder = qStringFromPath(startFolder);
    if (m_answers) {
        m_answers->lastOpenFilters = nameFilters;
        m_answers->lastOpenFolder = folder;
        return takeFirst(m_answers->filesToOpen);
    }
    ArrowWhileAsking arrow(isBusy());
    QFileDialog dialog(m_dialogParent, QString::fromUtf8("Otwieranie"), folder);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(nameFilters);
    if (!nameFilters.isEmpty()) dialog.selectNameFilter(nameFilters.front());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return pathFromQString(dialog.selectedFiles().front());
}

std::optional<std::filesystem::path> QtUserInterface::chooseFileToSave(QWidget* parent, const QString& filter,
                                                                       const std::filesystem::path& proposed) {
    if (m_answers) {
        m_answers->lastSaveFilters = QStringList{filter};
        m_answers->lastSaveProposal = proposed;
        return takeFirst(m_answers->filesToSave);
    }
    QFileDialog dialog(parent, QString::fromUtf8("Zapisywanie jako"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(filter);
    // No default suffix: the proposed name has its extension, and one the user types stays as typed.
    if (!proposed.empty()) dialog.selectFile(QString::fromStdU16String(proposed.u16string()));
    // Confirmation before replacing a file is the dialog's default; stated so nobody drops it.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return pathFromQString(dialog.selectedFiles().front());
}

bool QtUserInterface::setUpPrinter(QPrinter& printer, QWidget* parent) {
    if (m_answers) {
        if (m_answers->printerSetups.empty()) return false;
        const bool confirmed = m_answers->printerSetups.front();
        m_answers->printerSetups.pop_front();
        return confirmed;
    }
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

} // namespace quarvel
