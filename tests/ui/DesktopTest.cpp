// The roads from the desktop into the program: a file named on the command line at start, a file
// dropped on the main window, and Qt's own Polish texts for its dialogs.

#include "ProgramWindows.h"
#include "UiTestSupport.h"

#include "ViewTexts.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLibraryInfo>
#include <QMimeData>
#include <QTest>
#include <QTranslator>

#include <gtest/gtest.h>

namespace quarvel::test {
namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

QUrl FileUrl(const std::filesystem::path& file) {
    return QUrl::fromLocalFile(qStringFromPath(file));
}

/// The program's windows as main() puts them together, with every message box answered.
struct Started {
    explicit Started(const QStringList& arguments) {
        windows.mainWindow.userInterface().setAnswers(&answers);
        windows.start(QStringList{QStringLiteral("quarvel")} + arguments);
        if (!QTest::qWaitForWindowExposed(&windows.mainWindow)) ADD_FAILURE() << "the main window was never shown";
        Settle();
    }
    ~Started() { windows.mainWindow.userInterface().setAnswers(nullptr); }
    QString text(const char* name) const { return windows.mainWindow.findChild<QLabel*>(QString::fromLatin1(name))->text(); }
    int gridRows() const { return windows.mainWindow.findChild<RecordGridView*>(QStringLiteral("recordGrid"))->model()->rowCount(); }

    QueuedAnswers answers;
    ProgramWindows windows{kDecember7};
};

TEST(StartUp, AFileNamedOnTheCommandLineIsLoadedAndItsRecordsShown) {
    TempDir dir;
    const auto file = dir.path() / "zlecenia_ibm_latin2.txt";
    std::filesystem::copy_file(ExamplePath("zlecenia_ibm_latin2.txt"), file);
    Started s({qStringFromPath(file)});
    EXPECT_EQ(s.text("fileNameLabel"), U("zlecenia_ibm_latin2.txt"));
    EXPECT_EQ(s.text("kindPanel"), U("ZLECENIA"));
    EXPECT_EQ(s.text("allCountLabel"), U("7"));
    EXPECT_EQ(s.text("invalidCountLabel"), U("4"));
    EXPECT_EQ(s.gridRows(), 4) << "the grid opens on the invalid records";
    EXPECT_TRUE(s.answers.messages.empty());
    EXPECT_TRUE(s.answers.lastOpenFilters.isEmpty()) << "no dialog was asked";
}

TEST(StartUp, WithoutAFileNothingIsLoadedAndWithTwoAMessageSaysOnlyOne) {
    TempDir dir;
    const auto file = dir.write("zlecenia.txt", "ZLECENIA\n");
    struct Case {
        QStringList arguments;
        QStringList messages;
        const char* name;
    };
    for (const Case& c : {Case{{}, {}, "[BRAK]"},
                          Case{{qStringFromPath(file), qStringFromPath(file)}, {U("Można wczytać tylko jeden plik naraz.")}, "[BRAK]"},
                          Case{{qStringFromPath(dir.path() / "brak.txt")}, {}, "brak.txt"}}) {
        Started s(c.arguments);
        EXPECT_EQ(QStringList(s.answers.messages.begin(), s.answers.messages.end()), c.messages) << c.arguments.join(' ').toStdString();
        EXPECT_EQ(s.text("fileNameLabel"), U(c.name));
        EXPECT_EQ(s.text("allCountLabel"), U("0"));
        EXPECT_EQ(s.text("kindPanel"), U("BRAK"));
    }
}

// Sends a drag over the main window and, when it is taken, drops it there.
bool Drop(MainWindow& mainWindow, const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at(mainWindow.width() / 2, mainWindow.height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&mainWindow, &enter);
    if (!enter.isAccepted()) return false;
    QDropEvent drop(QPointF(at), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&mainWindow, &drop);
    EXPECT_TRUE(drop.isAccepted());
    Settle();
    return true;
}

TEST(Drop, ADroppedFileIsLoadedAndItsRecordsShown) {
    Windows w;
    w.open(w.example("zlecenia_ibm_latin2.txt"));
    ASSERT_TRUE(Drop(w.mainWindow, {FileUrl(w.example("kontrahenci_mazovia.txt"))}));
    EXPECT_EQ(w.text("fileNameLabel"), U("kontrahenci_mazovia.txt"));
    EXPECT_EQ(w.text("kindPanel"), U("KONTRAHENCI"));
    EXPECT_NE(w.text("allCountLabel"), U("0"));
    EXPECT_EQ(w.model()->rowCount(), w.text("invalidCountLabel").toInt());
    EXPECT_GT(w.model()->rowCount(), 0);
    EXPECT_TRUE(w.answers.messages.empty());
}

TEST(Drop, TwoFilesAreRefusedAndWhatIsNoLocalFileIsNotTaken) {
    Windows w;
    w.open(w.example("zlecenia_ibm_latin2.txt"));
    const QUrl file = FileUrl(w.example("kontrahenci_mazovia.txt"));
    ASSERT_TRUE(Drop(w.mainWindow, {file, file}));
    EXPECT_EQ(w.answers.messages, std::vector<QString>{U("Można wczytać tylko jeden plik naraz.")});
    EXPECT_EQ(w.text("fileNameLabel"), U("zlecenia_ibm_latin2.txt"));

    EXPECT_FALSE(Drop(w.mainWindow, {QUrl(QStringLiteral("https://example.org/zlecenia.txt"))}));
    EXPECT_FALSE(Drop(w.mainWindow, {file, QUrl(QStringLiteral("https://example.org/zlecenia.txt"))}));
    EXPECT_FALSE(Drop(w.mainWindow, {}));
    EXPECT_EQ(w.text("fileNameLabel"), U("zlecenia_ibm_latin2.txt"));
    EXPECT_EQ(w.answers.messages.size(), 1U);
}

TEST(Toolkit, QtsOwnDialogsSpeakPolish) {
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!QFileInfo::exists(folder + QStringLiteral("/qtbase_pl.qm"))) {
        GTEST_SKIP() << "Qt's Polish translations are not installed in " << folder.toStdString()
                     << " (package qt6-translations-l10n)";
    }
    QTranslator* translator = installToolkitTranslation(*QCoreApplication::instance());
    ASSERT_NE(translator, nullptr);
    // Message-box buttons and the file dialog's own words.
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), U("Anuluj"));
    EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Open"), U("Otwórz"));
    EXPECT_EQ(QCoreApplication::translate("QFileDialog", "File &name:"), U("Nazwa &pliku:"));
    QCoreApplication::removeTranslator(translator);
    delete translator;
}

} // namespace
} // namespace quarvel::test
