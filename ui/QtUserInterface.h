#pragma once

#include "WindowState.h"

#include <QColor>
#include <QMessageBox>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <deque>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

class QPrinter;
class QWidget;

namespace quarvel {

/// Text of Windows-1250 bytes for display, one character per byte so that nothing shifts. Bytes no value
/// may hold stay visible in their place, each as a sign that common fonts draw and that no Windows-1250
/// character looks like: a tab as an arrow, any other control byte (DEL too) and a byte the code page leaves
/// undefined as the replacement character, and the soft hyphen, which a text layout would swallow, as a
/// visible hyphen.
QString displayText(std::string_view cp1250);

/// The sign displayText shows for one byte.
QChar displayChar(unsigned char byte);

/// A colour of the logic for the toolkit.
inline QColor toQColor(Rgb rgb) {
    return QColor(rgb.r, rgb.g, rgb.b);
}

/// The icon of a message box: a confirmation informs, a file that cannot be used warns, a failed command
/// is critical.
QMessageBox::Icon messageIcon(MessageKind kind);

/// The message box that shows a message of that kind, not yet shown.
std::unique_ptr<QMessageBox> makeMessageBox(MessageKind kind, const QString& text, QWidget* parent);

/// Text of a message (Windows-1250) in which a carriage return, alone or followed by a line feed, starts
/// a new line.
QString messageText(std::string_view cp1250);

/// Lines of Windows-1250 text, each shown with displayText, joined by line feeds.
QString displayLines(const std::vector<std::string>& lines);

/// The path of a file name given by a dialog, in the file system's own encoding, and back.
std::filesystem::path pathFromQString(const QString& name);
QString qStringFromPath(const std::filesystem::path& path);

/// The files named on the program's command line: every argument after the program's own name, once the
/// toolkit has taken out its options.
std::vector<std::filesystem::path> filesFromArguments(const QStringList& arguments);

/// The files of a drag, or nothing when it carries anything but local files (a web address, a text):
/// such a drag is not taken.
std::optional<std::vector<std::filesystem::path>> filesFromUrls(const QList<QUrl>& urls);

/// A dialog name filter ("Pliki TXT (*.txt)") for one entry of the logic's filter list. "*.*" becomes "*"
/// because here a name without a dot would not match "*.*".
QString nameFilter(const FileFilter& filter);

/// Answers given in place of the user, so that tests can drive the real windows: while an answers object
/// is set, no dialog and no message box opens. Each question takes the first queued answer of its kind;
/// an empty queue answers as a cancelled dialog would.
struct QueuedAnswers {
    std::deque<std::optional<std::filesystem::path>> filesToOpen;
    std::deque<std::optional<std::filesystem::path>> filesToSave;
    std::deque<bool> printerSetups; ///< true: the printer dialog is confirmed

    // What the windows asked and showed, for the test to look at.
    std::vector<QString> messages;
    std::vector<MessageKind> messageKinds; ///< the kind of each message, in the same order
    QStringList lastOpenFilters;
    QString lastOpenFolder;
    QStringList lastSaveFilters;
    std::filesystem::path lastSaveProposal;
};

/// The user interface operations of the logic, with Qt's message box, busy cursor and file dialogs, and
/// the further dialogs of the log window.
class QtUserInterface final : public UserInterface {
public:
    explicit QtUserInterface(QWidget* dialogParent = nullptr) : m_dialogParent(dialogParent) {}
    ~QtUserInterface() override;
    QtUserInterface(const QtUserInterface&) = delete;
    QtUserInterface& operator=(const QtUserInterface&) = delete;

    void setDialogParent(QWidget* parent) { m_dialogParent = parent; }
    /// nullptr: ask the user.
    void setAnswers(QueuedAnswers* answers) { m_answers = answers; }

    void showMessage(MessageKind kind, std::string_view text) override;
    void setBusy(bool busy) override;
    std::optional<std::filesystem::path> chooseFileToOpen(const std::vector<FileFilter>& filters,
                                                          const std::filesystem::path& startFolder) override;

    /// Shows a text that is already decoded.
    void showText(MessageKind kind, const QString& text);
    /// Asks for a file to write; an existing one is replaced only after the user confirmed it.
    /// The dialog starts at `proposed` (folder and name); the name the user types is taken as typed.
    std::optional<std::filesystem::path> chooseFileToSave(QWidget* parent, const QString& filter,
                                                          const std::filesystem::path& proposed);
    /// Runs the printer dialog for `printer`; true when the user confirmed it.
    bool setUpPrinter(QPrinter& printer, QWidget* parent);

    bool isBusy() const { return m_busyDepth > 0; }

private:
    QPointer<QWidget> m_dialogParent; ///< none once the window it names is gone
    QueuedAnswers* m_answers = nullptr;
    int m_busyDepth = 0;
};

} // namespace quarvel
