#pragma once

#include "QtUserInterface.h"
#include "RecordGridModel.h"
#include "RecordGridView.h"
#include "MainWindow.h"
#include "LogWindow.h"

#include "support/TestSupport.h"

#include <QAbstractButton>
#include <QColor>
#include <QImage>
#include <QLabel>

#include <filesystem>
#include <string>

namespace quarvel::test {

/// The three windows as the program puts them together, shown off-screen, with every dialog and
/// message box answered from `answers`, and a folder for the files they read and write.
struct Windows {
    Windows();
    ~Windows();
    Windows(const Windows&) = delete;
    Windows& operator=(const Windows&) = delete;

    /// A copy of an example file in the folder (saving writes beside the input).
    std::filesystem::path example(const std::string& name) const;
    /// Opens a file through "Wczytaj plik do konwersji", the dialog answered with `file`.
    void open(const std::filesystem::path& file);

    template <typename T>
    T* find(const char* name) const {
        return mainWindow.findChild<T*>(QString::fromLatin1(name));
    }
    /// Clicks the named button, check box or radio button like the user would.
    void click(const char* name) const;
    QString text(const char* labelName) const;

    RecordGridView* grid() const;
    RecordGridModel* model() const;
    /// The model row showing the record of that input line, or -1.
    int rowOfLine(int lineNumber) const;
    /// Clicks a field cell (model coordinates) with the mouse, scrolling it into view first.
    void clickCell(int modelRow, int modelColumn) const;

    TempDir dir;
    QueuedAnswers answers;
    WindowSession main{kDecember7};
    MainWindow mainWindow;
    LogWindow log;
};

/// Waits, letting events run, until no main window's command works any more.
void FinishWork();
/// Lets queued events (painting, layout) run, and a command's work end.
void Settle();

/// The colour at a point of a widget as it paints itself now.
QColor PixelOf(QWidget& widget, QPoint at);
/// Whether a colour occurs in the given area of a picture.
bool HasColour(const QImage& image, const QRect& area, const QColor& colour);

} // namespace quarvel::test
