#include "support/TestPlatform.h"

#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

namespace {

TEST(App, WithoutAScreenSaysSoInPolishAndFails) {
    if (quarvel::test::OnWindows()) GTEST_SKIP() << "Windows always has its desktop: there is no screen to miss";
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) environment.remove(QString::fromLatin1(name));
    QProcess app;
    app.setProcessEnvironment(environment);
    app.start(QStringLiteral(QUARVEL_APP_PATH), {});
    ASSERT_TRUE(app.waitForFinished(30000));
    EXPECT_EQ(app.exitStatus(), QProcess::NormalExit);
    EXPECT_NE(app.exitCode(), 0);
    EXPECT_TRUE(QString::fromUtf8(app.readAllStandardError()).contains(QString::fromUtf8("nie znaleziono ekranu")));
}

} // namespace
