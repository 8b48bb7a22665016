// The main window and the progress window as a user sees them: driven through the window manager (its
// title-bar commands sent from outside, as wmctrl does) and the widgets, and checked by what the window
// manager then reports and by the pixels on the screen.

#include "UiTestSupport.h"
#include "WindowTestSupport.h"

#include "MainWindowPresenter.h"

#include <QAbstractItemView>
#include <QFrame>
#include <QGuiApplication>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScreen>

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

namespace quarvel::test {
namespace {

// A file of payment orders with more lines than any screen shows rows.
std::filesystem::path ManyOrders(Windows& w) {
    std::string text = "ZLECENIA|WINDOWS_EE\r\n";
    for (int k = 0; k < 60; ++k) {
        text += "1/5/27|12.50|61109010140000071219812874|27114020040000300201355387|Czynsz|Lokal||||\r\n";
    }
    return w.dir.write("zlecenia.txt", text);
}

QScreen& Screen() {
    return *QGuiApplication::primaryScreen();
}

// The pixel the screen shows at the centre of a widget.
QColor ShownAtCentre(const QWidget& widget) {
    const QPoint centre = widget.mapToGlobal(widget.rect().center());
    return ScreenPixels(QRect(centre, QSize(1, 1))).pixelColor(0, 0);
}

// The window is painted to its bottom: the client area's lowest pixels (its border around the details)
// show the window's background, where an area left out of the layout shows whatever the X server had.
bool PaintedToTheBottom(const QWidget& window) {
    const QPoint bottom = window.mapToGlobal(QPoint(window.width() / 2, window.height() - 2));
    return ScreenPixels(QRect(bottom, QSize(1, 1))).pixelColor(0, 0) == window.palette().color(QPalette::Window);
}

// Every display filter shows its whole caption, in however many rows the window's width gives them.
void ExpectFiltersWhole(const Windows& w) {
    for (const QRadioButton* item : w.find<QWidget>("recordFilter")->findChildren<QRadioButton*>()) {
        EXPECT_TRUE(item->isVisible()) << item->text().toStdString();
        EXPECT_LE(item->sizeHint().width(), item->width()) << item->text().toStdString();
        EXPECT_LE(item->geometry().right(), item->parentWidget()->contentsRect().right()) << item->text().toStdString();
    }
}

class MainWindowOnScreen : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(WaitUntil([this] { return Framed(w.mainWindow); })) << "never framed: " << Describe(w.mainWindow);
    }

    QFrame& details() const { return *w.find<QFrame>("detailsPanel"); }
    QPlainTextEdit& memo() const { return *w.find<QPlainTextEdit>("detailsMemo"); }
    bool frameOnScreen() const { return Screen().availableGeometry().contains(w.mainWindow.frameGeometry()); }

    Windows w;
};

class FullHd : public MainWindowOnScreen {
protected:
    void SetUp() override {
        ASSERT_EQ(Screen().geometry().size(), QSize(1920, 1080)) << "run with a 1920 x 1080 screen";
        MainWindowOnScreen::SetUp();
    }
    // The formula's top edge of the frame for a client height, on this screen.
    static int Centred(int clientHeight) { return 1080 / 2 - clientHeight / 2; }
};

TEST_F(FullHd, TogglingTheDetailsSizesAndCentresTheWindow) {
    const int left = w.mainWindow.frameGeometry().left();
    EXPECT_EQ(w.mainWindow.frameGeometry().top(), Centred(kCompactClientHeight)) << Describe(w.mainWindow);
    w.click("showDetailsOption");
    EXPECT_TRUE(WaitUntil([&] {
        return w.mainWindow.size() == QSize(848, kDetailsClientHeight) &&
               w.mainWindow.frameGeometry().top() == Centred(kDetailsClientHeight);
    })) << Describe(w.mainWindow);
    EXPECT_EQ(w.mainWindow.frameGeometry().left(), left);
    EXPECT_TRUE(WaitUntil([&] { return ShownAtCentre(memo()) == memo().palette().color(QPalette::Base); }));
    ExpectFiltersWhole(w);

    w.click("showDetailsOption");
    EXPECT_TRUE(WaitUntil([&] {
        return w.mainWindow.size() == QSize(848, kCompactClientHeight) &&
               w.mainWindow.frameGeometry().top() == Centred(kCompactClientHeight);
    })) << Describe(w.mainWindow);
    EXPECT_FALSE(details().isVisible());
    EXPECT_TRUE(frameOnScreen());
}

TEST_F(FullHd, DetailsTickedWhileMaximisedAppearAtOnceAndKeepTheUsersWidthOnRestore) {
    // The user has made the window wider; maximises it with the title bar's button, ticks the details.
    const QPoint corner(300, 200);
    AskWindowManagerForGeometry(w.mainWindow, corner, QSize(1000, kCompactClientHeight));
    ASSERT_TRUE(WaitUntil([&] { return w.mainWindow.size() == QSize(1000, kCompactClientHeight); })) << Describe(w.mainWindow);
    AskWindowManagerToMaximise(w.mainWindow, true);
    ASSERT_TRUE(WaitUntil([&] { return w.mainWindow.isMaximized() && w.mainWindow.width() > 1000; })) << Describe(w.mainWindow);

    w.click("showDetailsOption");
    // Maximised still, the details filling the whole window and painted down to its bottom edge.
    EXPECT_TRUE(WaitUntil([&] { return details().isVisible() && PaintedToTheBottom(w.mainWindow); })) << Describe(w.mainWindow);
    EXPECT_TRUE(w.mainWindow.isMaximized()) << Describe(w.mainWindow);
    EXPECT_GT(w.mainWindow.height(), kDetailsClientHeight);
    EXPECT_GE(details().mapTo(&w.mainWindow, details().rect().bottomLeft()).y(), w.mainWindow.height() - 6);

    // Restored with the title bar's button: the user's width, the details' height, centred again.
    AskWindowManagerToMaximise(w.mainWindow, false);
    EXPECT_TRUE(WaitUntil([&] {
        return !w.mainWindow.isMaximized() && w.mainWindow.size() == QSize(1000, kDetailsClientHeight) &&
               w.mainWindow.frameGeometry().topLeft() == QPoint(corner.x(), Centred(kDetailsClientHeight));
    })) << Describe(w.mainWindow);
    EXPECT_TRUE(WaitUntil([&] { return PaintedToTheBottom(w.mainWindow); }));
    EXPECT_TRUE(WaitUntil([&] { return ShownAtCentre(memo()) == memo().palette().color(QPalette::Base); }));
}

TEST_F(FullHd, DetailsUntickedWhileMaximisedLeaveTheCompactWindowOnRestore) {
    w.click("showDetailsOption");
    ASSERT_TRUE(WaitUntil([&] { return w.mainWindow.height() == kDetailsClientHeight; })) << Describe(w.mainWindow);
    // Maximised and restored by the program itself this time, through the toolkit.
    w.mainWindow.showMaximized();
    ASSERT_TRUE(WaitUntil([&] { return w.mainWindow.isMaximized() && w.mainWindow.height() > kDetailsClientHeight; }))
        << Describe(w.mainWindow);
    w.click("showDetailsOption");
    EXPECT_TRUE(WaitUntil([&] { return !details().isVisible() && PaintedToTheBottom(w.mainWindow); })) << Describe(w.mainWindow);
    EXPECT_TRUE(w.mainWindow.isMaximized());

    w.mainWindow.showNormal();
    EXPECT_TRUE(WaitUntil([&] {
        return !w.mainWindow.isMaximized() && w.mainWindow.size() == QSize(848, kCompactClientHeight) &&
               w.mainWindow.frameGeometry().top() == Centred(kCompactClientHeight);
    })) << Describe(w.mainWindow);
}

TEST_F(FullHd, AMaximisedWindowGivesItsWidthToTheStatisticsAndItsHeightToTheGrid) {
    AskWindowManagerToMaximise(w.mainWindow, true);
    ASSERT_TRUE(WaitUntil([&] { return w.mainWindow.isMaximized(); })) << Describe(w.mainWindow);
    w.open(ManyOrders(w));
    w.click("recordFilter0");
    w.click("showDetailsOption");
    const QWidget& statistics = *w.find<QWidget>("statistics");
    const QWidget& grid = *w.find<QWidget>("recordGrid");
    EXPECT_TRUE(WaitUntil([&] {
        return statistics.mapTo(&w.mainWindow, statistics.rect().topRight()).x() > w.mainWindow.width() - 20 &&
               grid.height() > w.mainWindow.height() / 2;
    })) << Describe(w.mainWindow);
    // The four filters side by side, each whole.
    const auto* first = w.find<QWidget>("recordFilter0");
    EXPECT_EQ(w.find<QWidget>("recordFilter3")->y(), first->y());
    ExpectFiltersWhole(w);
}

// 1366 x 768 at 150 %: 910 x 512 of the window system's coordinates, less than the details' client height.
class SmallScreen : public MainWindowOnScreen {
protected:
    void SetUp() override {
        ASSERT_EQ(Screen().devicePixelRatio(), 1.5) << "run with QT_SCALE_FACTOR=1.5";
        ASSERT_LE(std::abs(Screen().geometry().width() * 1.5 - 1366), 1.0) << "run with a 1366 x 768 screen";
        MainWindowOnScreen::SetUp();
    }
    // The client height that fills the screen, frame included.
    int fullHeight() const {
        return Screen().availableGeometry().height() - (w.mainWindow.frameGeometry().height() - w.mainWindow.height());
    }
};

TEST_F(SmallScreen, TheDetailsKeepTheWholeFrameOnTheScreen) {
    EXPECT_TRUE(frameOnScreen()) << Describe(w.mainWindow);
    w.click("showDetailsOption");
    EXPECT_TRUE(WaitUntil([&] { return w.mainWindow.height() == fullHeight() && frameOnScreen(); })) << Describe(w.mainWindow);
    EXPECT_EQ(w.mainWindow.frameGeometry().top(), Screen().availableGeometry().top());
    EXPECT_TRUE(WaitUntil([&] { return PaintedToTheBottom(w.mainWindow); }));
    EXPECT_TRUE(WaitUntil([&] { return ShownAtCentre(memo()) == memo().palette().color(QPalette::Base); }));

    w.click("showDetailsOption");
    EXPECT_TRUE(WaitUntil([&] { return w.mainWindow.height() == kCompactClientHeight && frameOnScreen(); }))
        << Describe(w.mainWindow);
    EXPECT_EQ(w.mainWindow.frameGeometry().top(), Screen().geometry().height() / 2 - kCompactClientHeight / 2);
}

TEST_F(SmallScreen, DetailsTickedWhileMaximisedRestoreOntoTheScreen) {
    AskWindowManagerToMaximise(w.mainWindow, true);
    ASSERT_TRUE(WaitUntil([&] { return w.mainWindow.isMaximized(); })) << Describe(w.mainWindow);
    w.click("showDetailsOption");
    EXPECT_TRUE(WaitUntil([&] { return details().isVisible() && PaintedToTheBottom(w.mainWindow); })) << Describe(w.mainWindow);
    AskWindowManagerToMaximise(w.mainWindow, false);
    EXPECT_TRUE(WaitUntil([&] {
        return !w.mainWindow.isMaximized() && w.mainWindow.width() == 848 && w.mainWindow.height() == fullHeight() && frameOnScreen();
    })) << Describe(w.mainWindow);
}

TEST_F(SmallScreen, MaximisedWithDetailsTheGridKeepsTheHeightAndTheDetailsStandBesideIt) {
    AskWindowManagerToMaximise(w.mainWindow, true);
    ASSERT_TRUE(WaitUntil([&] { return w.mainWindow.isMaximized(); })) << Describe(w.mainWindow);
    w.open(ManyOrders(w));
    w.click("recordFilter0");
    w.click("showDetailsOption");
    const auto& grid = *w.find<QAbstractItemView>("recordGrid");
    const int rowHeight = 18;
    // The top strip in its short arrangement; the filter, the original value and the information beside
    // the grid, which keeps the whole height below the strip, and a pane no narrower than they need.
    EXPECT_TRUE(WaitUntil([&] {
        return details().isVisible() && grid.viewport()->height() / rowHeight >= 12;
    })) << Describe(w.mainWindow) << " rows " << grid.viewport()->height() / rowHeight;
    ExpectFiltersWhole(w);
    EXPECT_GT(grid.width(), w.mainWindow.width() / 2);
    std::printf("grid rows visible at 1366x768, 150 %%, maximised with details: %d\n",
                grid.viewport()->height() / rowHeight);
}

TEST_F(SmallScreen, TheLogWindowFitsTheScreenWithItsCloseButton) {
    // Its design place and size (402, 221; 698 x 553) reach below this screen's bottom edge.
    w.log.show();
    const QRect screen = Screen().availableGeometry();
    EXPECT_TRUE(WaitUntil([&] {
        const QRect frame = FrameByWindowManager(w.log);
        return w.log.isVisible() && !frame.isEmpty() && screen.contains(frame);
    })) << Describe(w.log)
        << " on " << screen.width() << "x" << screen.height();
    const auto* close = w.log.findChild<QWidget*>(QStringLiteral("closeButton"));
    EXPECT_TRUE(screen.contains(QRect(close->mapToGlobal(QPoint(0, 0)), close->size())));
    w.log.hide();
}

} // namespace
} // namespace quarvel::test
