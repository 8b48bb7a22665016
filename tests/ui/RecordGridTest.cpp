#include "UiTestSupport.h"

#include "RecordGrid.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

namespace quarvel::test {
namespace {

QString U(const char* utf8) {
    return QString::fromUtf8(utf8);
}

int ColumnNamed(const RecordGridModel& model, const char* name) {
    for (int c = 0; c < model.columnCount(); ++c) {
        if (model.headerData(c, Qt::Horizontal).toString() == U(name)) return c;
    }
    return -1;
}

// Orders: line 2 valid with a past date and a "PL" account (corrected), line 3 valid as written, line 4
// with a comma amount.
const char* const kOrders = "ZLECENIA|WINDOWS_EE\r\n"
                            "01/15/06|1500.50|61109010140000071219812874|PL27114020040000300201355387|Zapłata|FV 1|||||\r\n"
                            "1/5/27|250|61109010140000071219812874|27114020040000300201355387|Czynsz|Lokal 5||||\r\n"
                            "12/31/99|100,50|61109010140000071219812874|27114020040000300201355387|Składka|Styczeń||||\r\n";

struct GridWindows : Windows {
    GridWindows() {
        click("showDetailsOption");
        open(dir.write("zlecenia.txt", W(kOrders)));
    }
    QString memo() const { return find<QPlainTextEdit>("detailsMemo")->toPlainText(); }
    QLineEdit* original() const { return find<QLineEdit>("originalValueEdit"); }
};

TEST(RecordGrid, FilterChoosesTheRowsAndCountsThem) {
    GridWindows w;
    // Start-up filter: invalid records only.
    EXPECT_EQ(w.model()->rowCount(), 1);
    EXPECT_EQ(w.text("shownCountLabel"), U("1"));
    EXPECT_EQ(w.rowOfLine(4), 0);

    w.click("recordFilter0");
    EXPECT_EQ(w.mainWindow.session().state.recordFilter.selected, 0);
    EXPECT_EQ(w.model()->rowCount(), 3);
    EXPECT_EQ(w.text("shownCountLabel"), U("3"));
    // After every filling the first field of the first row is current and no details are shown.
    EXPECT_EQ(w.grid()->currentIndex(), w.model()->index(0, 0));
    EXPECT_TRUE(w.memo().isEmpty());

    w.click("recordFilter2");
    EXPECT_EQ(w.model()->rowCount(), 2);
    EXPECT_EQ(w.rowOfLine(4), -1);
    EXPECT_TRUE(w.grid()->isVisibleTo(&w.mainWindow));
}

TEST(RecordGrid, TheNotesFilterListsNotedRecordsWhoseDetailsTellTheNotes) {
    GridWindows w;
    // 24 December 2026 is a holiday: the order on line 3 is noted, and stays valid.
    w.open(w.dir.write("uwagi.txt", "ZLECENIA|WINDOWS_EE\r\n"
                                    "1/5/27|250|61109010140000071219812874|27114020040000300201355387|Czynsz|Lokal 5||||\r\n"
                                    "12/24/26|250|61109010140000071219812874|27114020040000300201355387|Czynsz|Lokal 6||||\r\n"));
    const auto* notes = w.find<QRadioButton>("recordFilter3");
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(QString(notes->text()).remove(QLatin1Char('&')), U("Pokaż tylko rekordy z uwagami"));
    w.click("recordFilter3");
    EXPECT_EQ(w.mainWindow.session().state.recordFilter.selected, 3);
    EXPECT_EQ(w.model()->rowCount(), 1);
    EXPECT_EQ(w.rowOfLine(3), 0);
    w.clickCell(0, 0);
    EXPECT_TRUE(w.memo().startsWith(U("Uwagi:\n1. Data wykonania przypada w dzień wolny od pracy")))
        << w.memo().toStdString();
    EXPECT_EQ(w.text("validCountLabel"), U("2"));
}

TEST(RecordGrid, NoRowForTheFilterShowsTheEmptyPanel) {
    GridWindows w;
    w.open(w.dir.write("dobre.txt", "ZLECENIA|WINDOWS_EE\r\n1/5/27|250|61109010140000071219812874|"
                                    "27114020040000300201355387|Czynsz|Lokal 5||||\r\n"));
    const auto* empty = w.find<QLabel>("noDataPanel");
    EXPECT_TRUE(empty->isVisible());
    EXPECT_EQ(empty->text(), U("[BRAK DANYCH]"));
    EXPECT_FALSE(w.grid()->isVisible());
    EXPECT_EQ(w.text("shownCountLabel"), U("0"));
}

TEST(RecordGrid, ColumnsComeFromTheLayout) {
    GridWindows w;
    const RecordGridModel& model = *w.model();
    ASSERT_EQ(model.columnCount(), 11);
    EXPECT_EQ(model.headerText(0), U("Linia"));
    EXPECT_EQ(model.headerText(1), U("Status"));
    EXPECT_EQ(model.headerData(2, Qt::Horizontal).toString(), U("NUMER KONTA OBCIĄŻANEGO"));
    const QHeaderView* columns = w.grid()->horizontalHeader();
    EXPECT_EQ(columns->sectionSize(0), 120);                                   // DATA, 8 characters
    EXPECT_EQ(columns->sectionSize(2), 288);                                   // 40 characters
    EXPECT_EQ(w.grid()->verticalHeader()->width(), 100);                       // "Linia" and "Status"
    EXPECT_EQ(w.grid()->verticalHeader()->defaultSectionSize(), w.grid()->rowHeight());
}

TEST(RecordGrid, SelectingACellShowsTheRecordsErrors) {
    GridWindows w;
    const int amount = ColumnNamed(*w.model(), "KWOTA");
    ASSERT_GE(amount, 0);
    // The current cell after a filling, chosen again by the user, shows its details.
    w.clickCell(0, 0);
    EXPECT_TRUE(w.memo().startsWith(U("Błędy w polach dla wybranej linii: \n"))) << w.memo().toStdString();
    EXPECT_TRUE(w.memo().contains(U("1. KWOTA: "))) << w.memo().toStdString();
    // The memo describes the whole record, whichever of its cells is chosen.
    const QString whole = w.memo();
    w.clickCell(0, amount + 3);
    EXPECT_EQ(w.memo(), whole);
    EXPECT_EQ(w.mainWindow.session().state.grid.currentColumn, RecordGridModel::gridColumn(amount + 3));
    EXPECT_FALSE(w.original()->isEnabled());
    EXPECT_TRUE(w.original()->text().isEmpty());
}

TEST(RecordGrid, ACorrectedValueShowsItsOriginal) {
    GridWindows w;
    w.click("recordFilter0");
    const int credited = ColumnNamed(*w.model(), "NUMER KONTA UZNAWANEGO");
    const int row = w.rowOfLine(2);
    ASSERT_GE(row, 0);
    w.clickCell(row, credited);
    EXPECT_EQ(w.original()->text(), U("PL27114020040000300201355387"));
    EXPECT_TRUE(w.original()->isEnabled());
    EXPECT_TRUE(w.memo().isEmpty()); // a valid record has nothing to report
    EXPECT_EQ(w.model()->index(row, credited).data().toString(), U("27114020040000300201355387"));

    // The keyboard chooses cells too: one to the right is the first title line, never changed.
    QTest::keyClick(w.grid(), Qt::Key_Right);
    Settle();
    EXPECT_EQ(w.mainWindow.session().state.grid.currentColumn, RecordGridModel::gridColumn(credited + 1));
    EXPECT_FALSE(w.original()->isEnabled());
}

TEST(RecordGrid, FixedColumnsCannotBeSelected) {
    GridWindows w;
    w.click("recordFilter0");
    w.clickCell(1, 1);
    const GridState before = w.mainWindow.session().state.grid;
    QHeaderView* rows = w.grid()->verticalHeader();
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, QPoint(25, rows->sectionViewportPosition(2) + 5));
    QTest::mouseClick(rows->viewport(), Qt::LeftButton, {}, QPoint(75, rows->sectionViewportPosition(2) + 5));
    Settle();
    EXPECT_EQ(w.mainWindow.session().state.grid.currentRow, before.currentRow);
    EXPECT_EQ(w.mainWindow.session().state.grid.currentColumn, before.currentColumn);
    EXPECT_EQ(w.grid()->selectionModel()->selectedIndexes().size(), 1);
}

TEST(RecordGrid, CellsArePaintedInTheirColoursWithTheFrameOnTheSelectedCell) {
    GridWindows w;
    w.click("recordFilter0");
    RecordGridView& view = *w.grid();
    const int date = 0;
    const int transfer = ColumnNamed(*w.model(), "Typ przelewu");
    const int row = w.rowOfLine(2);
    w.clickCell(row, date);
    view.scrollTo(w.model()->index(row, date));
    Settle();

    const QImage picture = view.viewport()->grab().toImage();
    const QRect changed = view.visualRect(w.model()->index(row, date)); // the past date was moved
    EXPECT_EQ(picture.pixelColor(changed.right() - 2, changed.bottom() - 2), QColor(0xFF, 0xFF, 0x84));
    EXPECT_EQ(picture.pixelColor(changed.topLeft()), QColor(Qt::black));
    EXPECT_EQ(picture.pixelColor(changed.right(), changed.center().y()), QColor(Qt::black));

    const QRect invalid = view.visualRect(w.model()->index(w.rowOfLine(4), 1)); // the comma amount
    EXPECT_EQ(picture.pixelColor(invalid.right() - 2, invalid.bottom() - 2), QColor(0xFF, 0xBF, 0xBF));
    EXPECT_EQ(picture.pixelColor(invalid.topLeft()), QColor(Qt::white));

    view.scrollTo(w.model()->index(row, transfer));
    Settle();
    const QImage right = view.viewport()->grab().toImage();
    const QRect optional = view.visualRect(w.model()->index(row, transfer));
    EXPECT_EQ(right.pixelColor(optional.center()), QColor(0xD8, 0xD8, 0xD8));
}

TEST(RecordGrid, StatusGlyphsShowValidityAndCorrection) {
    GridWindows w;
    w.click("recordFilter0");
    QHeaderView& rows = *w.grid()->verticalHeader();
    const QImage picture = rows.viewport()->grab().toImage();
    // The status part is the right half of the row header; its glyphs stand at x 8 and 32 within it.
    const auto glyphArea = [&](int lineNumber, bool rightGlyph) {
        const int top = rows.sectionViewportPosition(w.rowOfLine(lineNumber));
        return QRect(50 + (rightGlyph ? 32 : 8), top + rows.defaultSectionSize() / 2 - 5, 10, 10);
    };
    const QColor cyan(0x00, 0xFF, 0xFF), purple(0x80, 0x00, 0x80), lime(0x00, 0xFF, 0x00), olive(0x80, 0x80, 0x00);
    EXPECT_TRUE(HasColour(picture, glyphArea(2, false), cyan));  // valid ...
    EXPECT_TRUE(HasColour(picture, glyphArea(2, true), olive));  // ... and corrected
    EXPECT_TRUE(HasColour(picture, glyphArea(3, true), lime));   // valid as written
    EXPECT_TRUE(HasColour(picture, glyphArea(4, false), purple)); // invalid
    EXPECT_FALSE(HasColour(picture, glyphArea(4, true), purple));
    EXPECT_FALSE(HasColour(picture, glyphArea(4, true), cyan));
}

TEST(RecordGrid, ModelKeepsItsContractThroughLoadsAndRefills) {
    Windows w;
    QAbstractItemModelTester tester(w.model(), QAbstractItemModelTester::FailureReportingMode::Warning);
    int failures = 0;
    const QtMessageHandler previous = qInstallMessageHandler(nullptr);
    static int* counter = nullptr;
    counter = &failures;
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type != QtDebugMsg && text.contains(QLatin1String("FAIL"))) ++*counter;
    });
    w.open(w.example("kontrahenci_mazovia.txt"));
    w.click("recordFilter0");
    w.click("replaceControlOption");
    w.open(w.example("zlecenia_ibm_latin2.txt"));
    w.open(w.dir.write("zly.txt", "NAGLOWEK\r\n"));
    qInstallMessageHandler(previous);
    EXPECT_EQ(failures, 0);
}

TEST(RecordGrid, AMillionRecordsShowAtOnce) {
    // Build the file in one go; every line is the same valid order.
    const std::string line = "1/5/27|250|61109010140000071219812874|27114020040000300201355387|Czynsz|Lokal 5||||\r\n";
    std::string bytes = "ZLECENIA|WINDOWS_EE\r\n";
    constexpr std::size_t kRecords = 1'000'000;
    bytes.reserve(bytes.size() + line.size() * kRecords);
    for (std::size_t k = 0; k < kRecords; ++k) bytes += line;

    Windows w;
    w.click("showDetailsOption");
    w.click("recordFilter2");
    w.open(w.dir.write("milion.txt", bytes));
    ASSERT_EQ(w.model()->rowCount(), static_cast<int>(kRecords));
    EXPECT_EQ(w.text("shownCountLabel"), U("1000000"));

    // Scrolling to the end paints only the rows in view (how long it takes, the benchmark measures).
    w.grid()->scrollToBottom();
    w.grid()->viewport()->grab();
    EXPECT_EQ(w.model()->headerData(w.model()->rowCount() - 1, Qt::Vertical).toString(), U("1000001"));

    // Seven digits and more: the line numbers' column widens to hold them, and the counts keep clear of
    // their captions.
    const RecordRowHeader& lines = *w.grid()->rowHeader();
    EXPECT_GE(lines.lineWidth(), lines.fontMetrics().horizontalAdvance(U("1000001")) + 4);
    // Past the narrowest column, where the font's seven digits need more (Windows' fonts are narrower).
    if (lines.fontMetrics().horizontalAdvance(U("1000001")) + 4 > 50) {
        EXPECT_GT(lines.lineWidth(), 50);
    }
    const QRect caption = [&] {
        for (const QLabel* label : w.find<QLabel>("allCountLabel")->parentWidget()->findChildren<QLabel*>()) {
            if (label->text() == U("Ilość wszystkich danych wejściowych:")) return label->geometry();
        }
        return QRect();
    }();
    const QLabel& count = *w.find<QLabel>("allCountLabel");
    const int countLeft = count.geometry().right() + 1 - count.fontMetrics().horizontalAdvance(count.text());
    EXPECT_GE(countLeft, caption.left() + caption.width() + 4) << "the count touches its caption";
}

} // namespace
} // namespace quarvel::test
