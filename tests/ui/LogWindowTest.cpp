#include "UiTestSupport.h"

#include <QPlainTextEdit>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>

#include <chrono>

#include "OutputWriter.h"

#include <gtest/gtest.h>

namespace quarvel::test {
namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

struct SavedWindows : Windows {
    SavedWindows() {
        input = example("zlecenia_ibm_latin2.txt");
        open(input);
        click("saveButton");
    }
    QString logText() const { return log.findChild<QPlainTextEdit*>(QStringLiteral("logText"))->toPlainText(); }
    std::filesystem::path input;
};

TEST(LogWindow, SaveConfirmsThenTheLogWindowShowsTheReport) {
    SavedWindows w;
    const std::filesystem::path output = w.dir.path() / "zlecenia_ibm_latin2_doVexa.txt";
    ASSERT_EQ(w.answers.messages.size(), 1U);
    EXPECT_EQ(w.answers.messages[0], U("Dane zostały zapisane do pliku: \n") + qStringFromPath(output));
    EXPECT_TRUE(std::filesystem::exists(output));
    EXPECT_TRUE(w.find<QPushButton>("showLogButton")->isEnabled());
    EXPECT_FALSE(w.log.isVisible());

    // Shown modally: look at it and close it from inside the modal loop.
    int shown = 0;
    QString seen;
    const auto inspectAndClose = [&] {
        ++shown;
        EXPECT_TRUE(w.log.isVisible());
        EXPECT_TRUE(w.log.isModal());
        EXPECT_EQ(w.log.windowTitle(), U("Plik LOG"));
        seen = w.logText();
        QTest::mouseClick(w.log.findChild<QPushButton*>(QStringLiteral("closeButton")), Qt::LeftButton);
    };
    QTimer::singleShot(0, &w.log, inspectAndClose);
    w.click("showLogButton");
    EXPECT_EQ(shown, 1);
    EXPECT_FALSE(w.log.isVisible());
    EXPECT_TRUE(seen.startsWith(U("Statystyki\n------------------\nIlość wszystkich danych wejściowych: 7\n")));
    EXPECT_TRUE(seen.endsWith(U("Koniec pliku LOG")));
    EXPECT_EQ(seen, displayLines(w.mainWindow.session().state.logText.lines));

    // Shown again, it has the same text.
    QTimer::singleShot(0, &w.log, inspectAndClose);
    w.click("showLogButton");
    EXPECT_EQ(shown, 2);
    EXPECT_EQ(w.logText(), seen);
}

TEST(LogWindow, SavesTheReportAsWindows1250WithCrLf) {
    SavedWindows w;
    const std::filesystem::path target = w.dir.path() / "raport.TXT";
    w.answers.filesToSave.emplace_back(target);
    QTest::mouseClick(w.log.findChild<QPushButton*>(QStringLiteral("saveLogButton")), Qt::LeftButton);
    EXPECT_EQ(w.answers.lastSaveFilters, QStringList{U("Pliki tekstowe (*.TXT)")});
    // Proposed beside the input, after its name; the name the user typed (upper-case extension) kept.
    const std::filesystem::path loaded = w.mainWindow.session().file.fileName;
    EXPECT_EQ(w.answers.lastSaveProposal, loaded.parent_path() / (loaded.stem().string() + "_doVexa.log"));
    if (w.log.findChild<QPushButton*>(QStringLiteral("saveRejectedButton"))->isEnabled()) {
        QTest::mouseClick(w.log.findChild<QPushButton*>(QStringLiteral("saveRejectedButton")), Qt::LeftButton);
        EXPECT_EQ(w.answers.lastSaveProposal, loaded.parent_path() / (loaded.stem().string() + "_odrzucone.txt"));
    }

    std::string expected;
    for (const std::string& line : w.mainWindow.session().state.logText.lines) expected += line + "\r\n";
    EXPECT_EQ(ReadFile(target), expected);
    EXPECT_NE(expected.find(W("Ilość")), std::string::npos);

    // Cancelled: nothing written. Unwritable: the error is shown, the text stays.
    const std::filesystem::path other = w.dir.path() / "inny.TXT";
    w.log.saveLog();
    EXPECT_FALSE(std::filesystem::exists(other));
    const std::size_t before = w.answers.messages.size();
    w.answers.filesToSave.emplace_back(w.dir.path() / "brak" / "raport.TXT");
    w.log.saveLog();
    ASSERT_EQ(w.answers.messages.size(), before + 1);
    EXPECT_FALSE(w.answers.messages.back().isEmpty());
    EXPECT_TRUE(w.logText().startsWith(U("Statystyki")));

    // Never over the file the report is about, nor over its output.
    const std::filesystem::path input = w.mainWindow.session().file.fileName;
    const std::string inputBytes = ReadFile(input);
    const std::string outputBytes = ReadFile(outputFileName(input));
    for (const std::filesystem::path& taken : {input, outputFileName(input)}) {
        w.answers.filesToSave.emplace_back(taken);
        w.log.saveLog();
        EXPECT_TRUE(w.answers.messages.back().endsWith(U("to ten sam plik co ") +
                                                       (taken == input ? U("plik wejściowy") : U("plik wyjściowy"))))
            << w.answers.messages.back().toStdString();
    }
    EXPECT_EQ(ReadFile(input), inputBytes);
    EXPECT_EQ(ReadFile(outputFileName(input)), outputBytes);
}

TEST(LogWindow, SavesTheRejectedLinesOfTheSaveBesideTheLog) {
    SavedWindows w;
    auto* button = w.log.findChild<QPushButton*>(QStringLiteral("saveRejectedButton"));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->text(), U("Zapisz &odrzucone wiersze…"));
    EXPECT_TRUE(button->isEnabled());
    // Beside "Zapisz plik LOG", before "Drukuj", the caption whole and the gaps as between the others.
    const QRect save = w.log.findChild<QPushButton*>(QStringLiteral("saveLogButton"))->geometry();
    const QRect print = w.log.findChild<QPushButton*>(QStringLiteral("printButton"))->geometry();
    EXPECT_EQ(button->y(), save.y());
    EXPECT_EQ(button->x() - save.right(), print.x() - button->geometry().right());
    EXPECT_GE(button->width(), button->sizeHint().width());
    EXPECT_LE(print.right(), w.log.width() - 1);

    // What the save left out, as it stands in the input, even after an option made a line valid since.
    w.click("replaceControlOption");
    const std::filesystem::path target = w.dir.path() / "odrzucone.TXT";
    w.answers.filesToSave.emplace_back(target);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(w.answers.lastSaveFilters, QStringList{U("Pliki tekstowe (*.TXT)")});
    const std::string input = ReadFile(w.input);
    std::string expected;
    std::size_t start = 0;
    for (int line = 1; start < input.size(); ++line) {
        const std::size_t end = input.find('\n', start) + 1;
        if (line == 1 || (line >= 4 && line <= 7)) expected += input.substr(start, end - start); // header, 4 to 7
        start = end;
    }
    EXPECT_EQ(ReadFile(target), expected);

    // Cancelled: nothing written. The input changed since the load: refused, with the reason.
    std::filesystem::remove(target);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_FALSE(std::filesystem::exists(target));
    std::filesystem::last_write_time(w.input, std::filesystem::last_write_time(w.input) + std::chrono::hours(1));
    w.answers.filesToSave.emplace_back(target);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_EQ(w.answers.messages.back(), U("Plik wejściowy zmienił się od wczytania: ") + qStringFromPath(w.input) +
                                             U("\nOdrzucone wiersze nie zostały zapisane."));
    EXPECT_FALSE(std::filesystem::exists(target));
}

TEST(LogWindow, HasNoRejectedLinesToSaveWhenTheSaveLeftNoneOut) {
    Windows w;
    const auto file =
        w.dir.write("dobre.txt", "KONTRAHENCI\r\nFirma|Jan Nowak|ul. Polna 1|00-001 Warszawa|"
                                 "61109010140000071219812874|Bank|Oddzial|ul. Prosta 2|00-002 Warszawa\r\n");
    w.open(file);
    w.click("saveButton");
    EXPECT_FALSE(w.log.findChild<QPushButton*>(QStringLiteral("saveRejectedButton"))->isEnabled());
}

TEST(LogWindow, PrintsOneLegibleDocumentTitledForTheLog) {
    SavedWindows w;
    const QString pdf = qStringFromPath(w.dir.path() / "log.pdf");
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    ASSERT_TRUE(w.log.printLog(printer));
    EXPECT_EQ(ReadFile(w.dir.path() / "log.pdf").rfind("%PDF-", 0), 0U);

    const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
    if (pdftotext.isEmpty())
        GTEST_SKIP() << "the PDF is written; its text is read back with poppler's pdftotext, which is not installed "
                        "(a Linux program, which a program under wine cannot start)";

    QProcess extract;
    extract.start(pdftotext, {QStringLiteral("-enc"), QStringLiteral("UTF-8"), pdf, QStringLiteral("-")});
    ASSERT_TRUE(extract.waitForFinished(30000));
    const QString text = QString::fromUtf8(extract.readAllStandardOutput());
    EXPECT_TRUE(text.contains(U("Statystyki"))) << text.toStdString();
    EXPECT_TRUE(text.contains(U("Ilość wszystkich danych wejściowych: 7")));
    EXPECT_TRUE(text.contains(U("Koniec pliku LOG")));
    // The rule of 93 tildes is wider than the page: it is all there, wrapped, not cut off.
    EXPECT_EQ(text.count(QLatin1Char('~')), 93);
    for (const QString& line : text.split(QLatin1Char('\n'))) EXPECT_LT(line.count(QLatin1Char('~')), 93);

    const QString pdfinfo = QStandardPaths::findExecutable(QStringLiteral("pdfinfo"));
    if (!pdfinfo.isEmpty()) {
        QProcess info;
        info.start(pdfinfo, {pdf});
        ASSERT_TRUE(info.waitForFinished(30000));
        EXPECT_TRUE(QString::fromUtf8(info.readAllStandardOutput()).contains(U("Plik LOG z Vexa_Ostrel")));
    }
}

TEST(LogWindow, APrinterThatCannotPrintIsReported) {
    SavedWindows w;
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(qStringFromPath(w.dir.path() / "brak" / "log.pdf"));
    EXPECT_FALSE(w.log.printLog(printer));
}

TEST(LogWindow, CancelledPrinterDialogPrintsNothing) {
    SavedWindows w;
    const std::size_t before = w.answers.messages.size();
    w.answers.printerSetups.push_back(false);
    QTest::mouseClick(w.log.findChild<QPushButton*>(QStringLiteral("printButton")), Qt::LeftButton);
    EXPECT_TRUE(w.answers.printerSetups.empty());
    EXPECT_EQ(w.answers.messages.size(), before);
}

} // namespace
} // namespace quarvel::test
