#include "UiTestSupport.h"

#include <QGroupBox>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace quarvel::test {
namespace {

TEST(TFormProces, BuiltHiddenAndClosesOnlyAfterOk) {
    Windows w;
    TFormProces& proces = w.proces;
    EXPECT_FALSE(proces.isVisible());
    EXPECT_EQ(proces.windowTitle(), QStringLiteral("Doczytywanie do Selvik7"));
    EXPECT_FALSE(proces.windowFlags().testFlag(Qt::WindowCloseButtonHint));
    const auto* gauge = proces.findChild<QProgressBar*>(QStringLiteral("Gauge1"));
    ASSERT_NE(gauge, nullptr);
    EXPECT_EQ(gauge->value(), 0);
    EXPECT_EQ(gauge->maximum(), 100);
    auto* ok = proces.findChild<QPushButton*>(QStringLiteral("OKBtn"));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->isDefault());

    proces.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&proces));
    EXPECT_FALSE(ok->isVisible());
    EXPECT_FALSE(proces.close());
    QTest::keyClick(&proces, Qt::Key_Escape);
    EXPECT_TRUE(proces.isVisible());
    EXPECT_FALSE(proces.FormCloseQuery());

    proces.OKBtnClick();
    EXPECT_TRUE(proces.isDone());
    EXPECT_FALSE(proces.isVisible());
    EXPECT_EQ(proces.result(), QDialog::Accepted);
}

} // namespace
} // namespace quarvel::test
