#include "UiTestSupport.h"

#include "AccountTotalsTable.h"

#include <QAccessible>
#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>

#include <gtest/gtest.h>

namespace quarvel::test {
namespace {

TEST(AccountTotalsDialog, ShowsTheBatchesOfTheOrdersBesideTheStatisticsAndClosesWithEscape) {
    Windows w;
    w.mainWindow.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&w.mainWindow));
    auto* button = w.find<QPushButton>("accountTotalsButton");
    EXPECT_FALSE(button->isEnabled());
    // On the row of "Pokaż szczegóły", inside the group's frame and clear of the check box.
    const auto* group = w.find<QGroupBox>("statistics");
    const auto* details = w.find<QCheckBox>("showDetailsOption");
    EXPECT_TRUE(group->rect().contains(button->geometry())) << button->geometry().y() << " " << group->height();
    EXPECT_FALSE(button->geometry().intersects(details->geometry()));

    w.open(w.example("zlecenia_ibm_latin2.txt"));
    ASSERT_TRUE(button->isEnabled());
    w.click("accountTotalsButton");
    QPointer<QDialog> dialog = w.mainWindow.findChild<QDialog*>(QStringLiteral("accountTotalsDialog"));
    ASSERT_TRUE(dialog);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(dialog));
    const auto* table = dialog->findChild<QTableWidget*>(QStringLiteral("accountTotalsTable"));
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(const_cast<QTableWidget*>(table))->text(QAccessible::Name),
              dialog->windowTitle());
    const std::vector<AccountTotalsRow> rows = accountTotalsRows(w.main.session.file);
    ASSERT_FALSE(rows.empty());
    ASSERT_EQ(table->rowCount(), static_cast<int>(rows.size()));
    for (int row = 0; row < table->rowCount(); ++row) {
        const AccountTotalsRow& expected = rows[static_cast<std::size_t>(row)];
        EXPECT_EQ(table->item(row, 0)->text(), displayText(expected.account));
        EXPECT_EQ(table->item(row, 1)->text(), displayText(expected.records));
        EXPECT_EQ(table->item(row, 2)->text(), displayText(expected.total));
        // Every column whole: nothing the accountant compares with the bank's figures is cut.
        for (int column = 0; column < table->columnCount(); ++column) {
            const QString text = table->item(row, column)->text();
            EXPECT_LE(table->fontMetrics().horizontalAdvance(text), table->columnWidth(column)) << text.toStdString();
        }
    }
    QTest::keyClick(dialog, Qt::Key_Escape);
    Settle();
    EXPECT_TRUE(!dialog || !dialog->isVisible());

    w.open(w.example("kontrahenci_windows_ee.txt"));
    EXPECT_FALSE(button->isEnabled());
}

} // namespace
} // namespace quarvel::test
