#include "UiTestSupport.h"

#include "ForwardingSource.h"
#include "RecordGrid.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <thread>

namespace quarvel::test {
namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

// Lets a load's reads go on only once the test opens it, so that the load stays in progress meanwhile.
struct Gate {
    std::atomic<bool> open{false};
};

class GatedSource final : public ForwardingSource {
public:
    GatedSource(std::unique_ptr<ByteSource> source, const Gate& gate)
        : ForwardingSource(std::move(source)), m_gate(gate) {}
    std::size_t read(char* buffer, std::size_t n) override {
        while (!m_gate.open.load()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return ForwardingSource::read(buffer, n);
    }

private:
    const Gate& m_gate;
};

SourceOpener GatedOpener(const Gate& gate) {
    return [&gate](const std::filesystem::path& path) {
        OpenedSource opened = openFileSource(path);
        if (opened.source) opened.source = std::make_unique<GatedSource>(std::move(opened.source), gate);
        return opened;
    };
}

// Starts a load through the open command's dialog and returns at once, the load still running.
void StartOpening(Windows& w, const std::filesystem::path& file) {
    w.answers.filesToOpen.emplace_back(file);
    w.find<QPushButton>("openButton")->click();
}

// The commands that would interfere with a running work.
std::vector<QWidget*> Commands(Windows& w) {
    std::vector<QWidget*> commands = {w.find<QWidget>("openButton"),           w.find<QWidget>("saveButton"),
                                      w.find<QWidget>("showLogButton"),        w.find<QWidget>("trimFieldsOption"),
                                      w.find<QWidget>("replaceControlOption"), w.find<QWidget>("checkNrbDigitsOption"),
                                      w.find<QWidget>("checkNipDigitsOption"), w.find<QWidget>("codePageList")};
    for (int k = 0; k < 4; ++k) commands.push_back(w.find<QWidget>(("recordFilter" + std::to_string(k)).c_str()));
    return commands;
}

bool DragTaken(MainWindow& window, const std::filesystem::path& file) {
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(qStringFromPath(file))});
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &enter);
    return enter.isAccepted();
}

// Every command that works away from the window (a load, a re-run of the checks, a save) turns the
// commands that would interfere off from its start, drops included, and on again once it has ended.
TEST(BackgroundWork, CommandsAreOffWhileTheirWorkRunsAndOnAfter) {
    struct Case {
        const char* what;
        std::function<void(Windows&)> start;
    };
    const std::vector<Case> cases = {
        {"load", [](Windows& w) { StartOpening(w, w.example("kontrahenci_mazovia.txt")); }},
        {"option", [](Windows& w) { w.find<QAbstractButton>("checkNrbDigitsOption")->click(); }},
        {"code page", [](Windows& w) { w.find<QComboBox>("codePageList")->setCurrentIndex(0); }},
        {"save", [](Windows& w) { w.find<QAbstractButton>("saveButton")->click(); }},
    };
    for (const Case& c : cases) {
        Windows w;
        w.open(w.example("zlecenia_ibm_latin2.txt"));
        w.click("saveButton"); // the log button on
        ASSERT_FALSE(w.mainWindow.isWorking());
        for (QWidget* command : Commands(w)) ASSERT_TRUE(command->isEnabled()) << c.what;

        c.start(w);
        ASSERT_TRUE(w.mainWindow.isWorking()) << c.what;
        for (QWidget* command : Commands(w)) {
            EXPECT_FALSE(command->isEnabled()) << c.what << ": " << command->objectName().toStdString();
        }
        EXPECT_FALSE(DragTaken(w.mainWindow, w.example("kontrahenci_mazovia.txt"))) << c.what;
        // Neither the keys of the commands start a second one.
        w.answers.filesToOpen.emplace_back(w.example("kontrahenci_mazovia.txt"));
        QTest::keyClick(&w.mainWindow, Qt::Key_O, Qt::ControlModifier);
        EXPECT_EQ(w.answers.filesToOpen.size(), 1U) << c.what;
        w.answers.filesToOpen.clear();

        FinishWork();
        Settle();
        // On again, as the window state has them: saving only with a valid record, the log after a save.
        const WindowState& state = w.mainWindow.session().state;
        for (QWidget* command : Commands(w)) {
            const QString name = command->objectName();
            const bool on = name == QStringLiteral("saveButton")      ? state.saveButton.enabled
                            : name == QStringLiteral("showLogButton") ? state.showLogButton.enabled
                                                                      : true;
            EXPECT_EQ(command->isEnabled(), on) << c.what << ": " << name.toStdString();
        }
        EXPECT_TRUE(DragTaken(w.mainWindow, w.example("kontrahenci_mazovia.txt"))) << c.what;
        EXPECT_FALSE(w.find<QWidget>("progressRow")->isVisible()) << c.what;
    }
}

// What the window shows of a loaded file, to compare before and after a load given up.
struct Shown {
    std::vector<QString> labels;
    int rows = 0;
    QModelIndex current;
    QString original;
    std::filesystem::path fileName;
    std::size_t records = 0;
    int codePage = 0;
    friend bool operator==(const Shown&, const Shown&) = default;
};

Shown ShownBy(Windows& w) {
    Shown shown;
    for (const char* name : {"fileNameLabel", "kindPanel", "allCountLabel", "validCountLabel", "invalidCountLabel",
                             "validTotalLabel", "shownCountLabel"}) {
        shown.labels.push_back(w.text(name));
    }
    shown.rows = w.model()->rowCount();
    shown.current = w.grid()->currentIndex();
    shown.original = w.find<QLineEdit>("originalValueEdit")->text();
    shown.fileName = w.mainWindow.session().file.fileName;
    shown.records = w.mainWindow.session().file.records().size();
    shown.codePage = w.find<QComboBox>("codePageList")->currentIndex();
    return shown;
}

// A load given up, by "Anuluj" or by Esc, leaves the window as it was before the command: the file
// loaded before, its grid, its selected cell and details. The progress row shows once the load has
// lasted, with the stage and the cancel button, and goes with the load.
TEST(BackgroundWork, ALoadGivenUpLeavesTheWindowAsItWas) {
    struct Case {
        const char* what;
        std::function<void(Windows&)> cancel;
    };
    const std::vector<Case> cases = {
        {"button", [](Windows& w) { w.find<QPushButton>("cancelButton")->click(); }},
        // Esc is a shortcut of the window, which takes it only while active, as it is for a user pressing it;
        // under wine a new window becomes active a moment after it is shown.
        {"Esc",
         [](Windows& w) {
             w.mainWindow.activateWindow();
             EXPECT_TRUE(QTest::qWaitForWindowActive(&w.mainWindow));
             QTest::keyClick(&w.mainWindow, Qt::Key_Escape);
         }},
    };
    for (const Case& c : cases) {
        Windows w;
        w.open(w.example("zlecenia_ibm_latin2.txt"));
        w.click("recordFilter0");
        w.click("showDetailsOption");
        w.clickCell(2, 3);
        const Shown before = ShownBy(w);

        Gate gate;
        w.mainWindow.session().openInput = GatedOpener(gate);
        StartOpening(w, w.example("kontrahenci_mazovia.txt"));
        auto* row = w.find<QWidget>("progressRow");
        EXPECT_FALSE(row->isVisible()) << c.what;
        ASSERT_TRUE(QTest::qWaitFor([row] { return row->isVisible(); }, 5000)) << c.what;
        EXPECT_EQ(w.text("stageLabel"), U("Wczytywanie…")) << c.what;
        EXPECT_TRUE(w.find<QPushButton>("cancelButton")->isVisible()) << c.what;
        EXPECT_EQ(w.find<QPushButton>("cancelButton")->text(), U("&Anuluj"));
        // The row lies over the bottom of the window, which keeps its size.
        EXPECT_EQ(row->geometry().bottom(), w.mainWindow.height() - 1) << c.what;

        c.cancel(w);
        gate.open = true;
        FinishWork();
        Settle();
        EXPECT_FALSE(row->isVisible()) << c.what;
        EXPECT_TRUE(before == ShownBy(w)) << c.what;
        EXPECT_TRUE(w.answers.messages.empty()) << c.what;
        EXPECT_TRUE(w.find<QWidget>("openButton")->isEnabled()) << c.what;
    }
}

// A file loaded in the background is read in its own code page, whatever page was chosen for the file
// before it, and without the "?" replacement the earlier file had on.
TEST(BackgroundWork, ANewFileIsReadInItsOwnCodePage) {
    Windows w;
    w.open(w.example("zlecenia_ibm_latin2.txt"));
    w.click("replaceControlOption");
    w.find<QComboBox>("codePageList")->setCurrentIndex(codePageItem(CodePage::Mazovia));
    Settle();
    ASSERT_EQ(w.mainWindow.session().file.records().size(), 7U);
    w.open(w.example("zlecenia_utf8.txt"));
    const LoadedFile& file = w.mainWindow.session().file;
    EXPECT_EQ(file.identifiedCodePage, CodePage::Utf8);
    EXPECT_EQ(file.conversionSource(), CodePage::Utf8);
    EXPECT_FALSE(file.replacesControl());
    EXPECT_EQ(w.find<QComboBox>("codePageList")->currentIndex(), codePageItem(CodePage::Utf8));
}

// A load that runs to its end behind the progress row shows the new file, with the details of its first
// cell; a save shows its stage and no cancel button, as a save runs to its end.
TEST(BackgroundWork, ALoadBehindTheProgressRowEndsWithTheDetailsOfItsFirstCell) {
    Windows w;
    w.open(w.example("zlecenia_ibm_latin2.txt"));
    w.click("recordFilter0");
    w.click("showDetailsOption");
    w.clickCell(2, 3);

    // The contractors from their first faulty record on, so that the first cell has details to show.
    const std::string contractors = ReadFile(w.example("kontrahenci_mazovia.txt"));
    std::size_t from = contractors.find('\n') + 1; // after the header
    for (int skipped = 0; skipped < 2; ++skipped)
        from = contractors.find('\n', from) + 1;
    const std::filesystem::path faultyFirst = w.dir.path() / "kontrahenci_mazovia.txt";
    std::ofstream(faultyFirst, std::ios::binary) << contractors.substr(0, contractors.find('\n') + 1)
                                                 << contractors.substr(from);

    Gate gate;
    w.mainWindow.session().openInput = GatedOpener(gate);
    StartOpening(w, faultyFirst);
    auto* row = w.find<QWidget>("progressRow");
    ASSERT_TRUE(QTest::qWaitFor([row] { return row->isVisible(); }, 5000));
    gate.open = true;
    FinishWork();
    Settle();
    EXPECT_FALSE(row->isVisible());
    EXPECT_EQ(w.text("fileNameLabel"), U("kontrahenci_mazovia.txt"));
    const Session& session = w.mainWindow.session();
    EXPECT_EQ(session.state.grid.currentRow, 1);
    EXPECT_EQ(w.grid()->currentIndex().row(), 0);
    // The details are those the presenter gives the first cell of the new file, shown.
    EXPECT_EQ(w.find<QLineEdit>("originalValueEdit")->text(), displayText(session.state.originalValueEdit.text));
    EXPECT_EQ(w.find<QPlainTextEdit>("detailsMemo")->toPlainText(), displayLines(session.state.detailsMemo.lines));
    EXPECT_FALSE(session.state.detailsMemo.lines.empty());
}

// A window closed while its work runs waits for the work (giving a load up first) instead of leaving a
// thread that reads a session about to go.
TEST(BackgroundWork, AWindowClosedWhileItsWorkRunsEndsItCleanly) {
    const std::vector<std::function<void(Windows&)>> starts = {
        [](Windows& w) { StartOpening(w, w.example("kontrahenci_mazovia.txt")); },
        [](Windows& w) { w.find<QAbstractButton>("checkNrbDigitsOption")->click(); },
        [](Windows& w) { w.find<QAbstractButton>("saveButton")->click(); },
    };
    for (const auto& start : starts) {
        auto w = std::make_unique<Windows>();
        w->open(w->example("zlecenia_ibm_latin2.txt"));
        start(*w);
        ASSERT_TRUE(w->mainWindow.isWorking());
        w->mainWindow.close();
        w.reset();
        Settle();
    }
}

// A million payment orders, as the window's user opens them: the window's thread keeps turning (a timer
// on it ticks with no gap of half a second), the progress row shows and goes, and a second load given up
// midway ends soon and leaves the first. The figures are printed for the record.
TEST(BackgroundWork, TheWindowKeepsTurningWhileAMillionOrdersLoad) {
    Windows w;
    const std::filesystem::path file = w.dir.path() / "zlecenia_milion.txt";
    {
        std::ofstream out(file, std::ios::binary);
        std::string chunk = "ZLECENIA|IBM_LATIN2\r\n";
        for (int k = 0; k < 1000000; ++k) {
            chunk += "1/5/27|" + std::to_string(k + 1) + ".50|61109010140000071219812874|"
                     "27114020040000300201355387|Czynsz " + std::to_string(k) + "|Lokal nr " +
                     std::to_string(k % 977) + "||||\r\n";
            if (chunk.size() > (1U << 20)) {
                out << chunk;
                chunk.clear();
            }
        }
        out << chunk;
    }

    using Clock = std::chrono::steady_clock;
    Clock::time_point last = Clock::now();
    Clock::duration largestGap{};
    QTimer ticks;
    ticks.setInterval(5);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        const Clock::time_point now = Clock::now();
        largestGap = std::max(largestGap, now - last);
        last = now;
    });
    auto* row = w.find<QWidget>("progressRow");
    bool rowShown = false;
    // The reads wait until the row shows, so that the row shows however fast the machine loads; the load's
    // time printed below includes that wait.
    Gate gate;
    w.mainWindow.session().openInput = GatedOpener(gate);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        rowShown = rowShown || row->isVisible();
        if (rowShown) gate.open = true;
    });

    QElapsedTimer clock;
    clock.start();
    last = Clock::now();
    ticks.start();
    StartOpening(w, file);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.mainWindow.isWorking(); }, 300000));
    const qint64 loadMs = clock.elapsed();
    ticks.stop();
    const auto gapMs = std::chrono::duration_cast<std::chrono::milliseconds>(largestGap).count();
    ASSERT_EQ(w.mainWindow.session().file.records().size(), 1000000U);
    EXPECT_EQ(w.text("allCountLabel"), U("1000000"));
    EXPECT_FALSE(row->isVisible());

    // The same file again, given up once the progress row shows.
    StartOpening(w, file);
    ASSERT_TRUE(QTest::qWaitFor([&] { return row->isVisible(); }, 60000));
    clock.restart();
    QTest::keyClick(&w.mainWindow, Qt::Key_Escape);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.mainWindow.isWorking(); }, 60000));
    const qint64 cancelMs = clock.elapsed();
    EXPECT_EQ(w.mainWindow.session().file.records().size(), 1000000U);
    EXPECT_FALSE(row->isVisible());

    std::printf("10^6 payment orders: load %lld ms, largest gap between timer ticks %lld ms, cancel %lld ms\n",
                static_cast<long long>(loadMs), static_cast<long long>(gapMs), static_cast<long long>(cancelMs));
    EXPECT_TRUE(rowShown);
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    // A bound of responsiveness, not of speed: generous, so that a loaded machine keeps it.
    EXPECT_LT(gapMs, 500);
#endif
}

} // namespace
} // namespace quarvel::test
