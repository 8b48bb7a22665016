#pragma once

#include "Session.h"
#include "WindowState.h"

#include <QDialog>

class QPlainTextEdit;
class QPrinter;
class QPushButton;
class QShowEvent;

namespace quarvel {

class QtUserInterface;

/// The log window: shows the log report of the last save, saves it to a file of the user's choice, saves
/// the lines that save left out, and prints it. It only reads the report; the save command of the main
/// window builds it.
class LogWindow final : public QDialog {
    Q_OBJECT

public:
    /// `text` is the log text of the window state (`logText`); it must outlive the window, as must
    /// `reported`, the session whose loaded file the report is about: a saved file never replaces its input
    /// or output, and the rejected lines are read again from its input.
    LogWindow(const MemoState& text, QtUserInterface& ui, QWidget* parent = nullptr, const Session* reported = nullptr);

    /// Shows the current lines of the log text; the main window calls it after each save.
    void refreshFromState();

    /// "Zapisz plik LOG": asks for a file and writes the log text into it.
    void saveLog();
    /// "Zapisz odrzucone wiersze…": asks for a file and writes into it the header and the lines the last
    /// save left out, as they stand in the input file.
    void saveRejectedLines();
    /// "Drukuj": runs the printer dialog and prints the log text.
    void printWithDialog();
    /// "Zamknij".
    void closeWindow();

    /// Prints the log text on a printer that is already set up, as one job titled "Plik LOG z Vexa_Ostrel",
    /// in a fixed-pitch font, wrapping lines wider than the page at its edge. False when printing failed.
    bool printLog(QPrinter& printer) const;

    static const char* const kPrintTitle;

protected:
    void showEvent(QShowEvent* event) override;

private:
    const MemoState& m_text;
    QtUserInterface& m_ui;
    const Session* m_reported;
    QPushButton* m_saveLogButton = nullptr;
    QPushButton* m_saveRejectedButton = nullptr;
    QPushButton* m_printButton = nullptr;
    QPushButton* m_closeButton = nullptr;
    QPlainTextEdit* m_logText = nullptr;
};

} // namespace quarvel
