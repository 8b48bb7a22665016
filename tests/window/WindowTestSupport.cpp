#include "WindowTestSupport.h"

#include <QGuiApplication>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

namespace quarvel::test {
namespace {

constexpr int kWaitMs = 10'000;

QString windowId(const QWidget& window) {
    return QStringLiteral("0x") + QString::number(window.winId(), 16);
}

void run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(kWaitMs) || process.exitCode() != 0) {
        ADD_FAILURE() << program.toStdString() << " " << arguments.join(QLatin1Char(' ')).toStdString() << ": "
                      << process.readAllStandardError().toStdString();
    }
}

QString rectText(const QRect& r) {
    return QStringLiteral("%1x%2%3%4%5%6")
        .arg(r.width())
        .arg(r.height())
        .arg(r.x() < 0 ? QString() : QStringLiteral("+"))
        .arg(r.x())
        .arg(r.y() < 0 ? QString() : QStringLiteral("+"))
        .arg(r.y());
}

} // namespace

bool WaitUntil(const std::function<bool()>& done) {
    return QTest::qWaitFor(done, kWaitMs);
}

bool Framed(const QWidget& window) {
    return window.frameGeometry() != window.geometry();
}

void AskWindowManagerToMaximise(const QWidget& window, bool maximised) {
    run(QStringLiteral("wmctrl"), {QStringLiteral("-i"), QStringLiteral("-r"), windowId(window), QStringLiteral("-b"),
                                   (maximised ? QStringLiteral("add") : QStringLiteral("remove")) +
                                       QStringLiteral(",maximized_vert,maximized_horz")});
}

void AskWindowManagerForGeometry(const QWidget& window, QPoint frameTopLeft, QSize clientSize) {
    // wmctrl speaks the X server's pixels.
    const qreal ratio = window.devicePixelRatioF();
    const auto device = [ratio](int logical) { return QString::number(qRound(logical * ratio)); };
    run(QStringLiteral("wmctrl"), {QStringLiteral("-i"), QStringLiteral("-r"), windowId(window), QStringLiteral("-e"),
                                   QStringLiteral("0,%1,%2,%3,%4")
                                       .arg(device(frameTopLeft.x()), device(frameTopLeft.y()),
                                            device(clientSize.width()), device(clientSize.height()))});
}

QString XProperty(const QWidget& window, const char* name) {
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"), {QStringLiteral("-id"), windowId(window), QString::fromLatin1(name)});
    if (!xprop.waitForFinished(kWaitMs)) return {};
    const QString line = QString::fromLocal8Bit(xprop.readAllStandardOutput()).trimmed();
    const qsizetype equals = line.indexOf(QLatin1Char('='));
    return equals < 0 ? QString() : line.mid(equals + 1).trimmed();
}

QRect FrameByWindowManager(const QWidget& window) {
    const QStringList extents = XProperty(window, "_NET_FRAME_EXTENTS").split(QStringLiteral(", "));
    if (extents.size() != 4) return {};
    // Left, right, top, bottom, in the X server's pixels.
    const qreal ratio = window.devicePixelRatioF();
    const auto logical = [&](qsizetype k) { return qRound(extents[k].toInt() / ratio); };
    return window.geometry().adjusted(-logical(0), -logical(2), logical(1), logical(3));
}

QImage ScreenPixels(const QRect& area) {
    QScreen* screen = QGuiApplication::primaryScreen();
    QImage image = screen->grabWindow(0, area.x(), area.y(), area.width(), area.height()).toImage();
    // Back to one pixel per coordinate, so that a test can point at what it knows in those coordinates.
    if (image.size() != area.size()) image = image.scaled(area.size(), Qt::IgnoreAspectRatio, Qt::FastTransformation);
    image.setDevicePixelRatio(1.0);
    return image;
}

std::string Describe(const QWidget& window) {
    QString state = QStringLiteral("normal");
    if (window.isMaximized()) state = QStringLiteral("maximised");
    if (window.isMinimized()) state = QStringLiteral("minimised");
    return QStringLiteral("client %1, frame %2, %3")
        .arg(rectText(window.geometry()), rectText(window.frameGeometry()), state)
        .toStdString();
}

} // namespace quarvel::test
