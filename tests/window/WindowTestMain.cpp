// The real-window suite: it needs an X server with a window manager, which run-under-openbox provides.

#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char* argv[]) {
    QApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    if (QGuiApplication::platformName() != QStringLiteral("xcb")) {
        std::fputs("These tests need an X server with a window manager: run them through run-under-openbox.\n", stderr);
        return 1;
    }
    return RUN_ALL_TESTS();
}
