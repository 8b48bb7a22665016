// The main window as a screen reader on Linux reads it: from another process, through the AT-SPI bus,
// which the toolkit's own bridge answers. The widget tests ask the same of Qt's interfaces in-process.

#include "UiTestSupport.h"
#include "WindowTestSupport.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

#include <set>
#include <utility>

namespace quarvel::test {
namespace {

// Each object of the program's accessible tree as (role, name), read by tests/window/accessible-tree.
struct AccessibleTree {
    std::set<std::pair<QString, QString>> objects;
    bool skipped = false;
    QString failure;
};

AccessibleTree ReadThroughAtSpi() {
    AccessibleTree tree;
    QProcess reader;
    reader.start(QStringLiteral(QUARVEL_ACCESSIBLE_TREE), {QString::number(QCoreApplication::applicationPid())});
    // The reader's questions come to this process over D-Bus: the event loop answers them meanwhile.
    const QDeadlineTimer deadline(60'000);
    while (reader.state() != QProcess::NotRunning && !deadline.hasExpired()) QTest::qWait(20);
    if (reader.state() != QProcess::NotRunning) {
        reader.kill();
        reader.waitForFinished();
        tree.failure = QStringLiteral("the reader did not end within 60 s");
        return tree;
    }
    const QString errors = QString::fromUtf8(reader.readAllStandardError());
    if (reader.exitStatus() == QProcess::NormalExit && reader.exitCode() == 77) {
        tree.skipped = true;
        tree.failure = errors;
        return tree;
    }
    if (reader.exitStatus() != QProcess::NormalExit || reader.exitCode() != 0) {
        tree.failure = errors.isEmpty() ? QStringLiteral("the reader failed") : errors;
        return tree;
    }
    for (const QString& line : QString::fromUtf8(reader.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QStringList fields = line.split(QLatin1Char('\t'));
        if (fields.size() >= 2) tree.objects.emplace(fields[0], fields[1]);
    }
    return tree;
}

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

TEST(ThroughAtSpi, TheGridTheFieldsAndTheStatisticsAreReadByTheirCaptions) {
    Windows w;
    w.mainWindow.show();
    ASSERT_TRUE(WaitUntil([&] { return Framed(w.mainWindow); })) << Describe(w.mainWindow);
    w.open(w.example("zlecenia_ibm_latin2.txt"));
    w.click("recordFilter0");
    w.click("showDetailsOption");

    const AccessibleTree tree = ReadThroughAtSpi();
    if (tree.skipped) GTEST_SKIP() << tree.failure.toStdString();
    ASSERT_TRUE(tree.failure.isEmpty()) << tree.failure.toStdString();
    QStringList all;
    for (const auto& [role, name] : tree.objects) all << role + QLatin1Char(':') + name;
    const std::string shown = all.join(QLatin1Char('|')).toStdString();

    EXPECT_TRUE(tree.objects.contains({U("table"), U("Zawartość zbioru z danymi wejściowymi")})) << shown;
    EXPECT_TRUE(tree.objects.contains({U("label"), U("Ilość danych prawidłowych: ") + w.text("validCountLabel")})) << shown;
    EXPECT_TRUE(tree.objects.contains({U("label"), U("Ilość danych nieprawidłowych: ") + w.text("invalidCountLabel")}))
        << shown;
    EXPECT_TRUE(tree.objects.contains({U("label"), w.text("validTotalLabel").trimmed()})) << shown;
    EXPECT_TRUE(tree.objects.contains({U("text"), U("Oryginalna wartość dla wybranego pola")})) << shown;
    EXPECT_TRUE(tree.objects.contains({U("text"), U("Informacje dla wybranego rekordu")})) << shown;
    EXPECT_TRUE(tree.objects.contains({U("push button"), U("Wczytaj plik do konwersji")})) << shown;
}

} // namespace
} // namespace quarvel::test
