#include "WindowGeometry.h"

#include <QScreen>
#include <QWidget>

namespace quarvel {

ScreenRect toScreenRect(const QRect& rect) {
    return {rect.left(), rect.top(), rect.width(), rect.height()};
}

FrameMargins frameMarginsOf(const QWidget& window) {
    const QRect outer = window.frameGeometry();
    const QRect client = window.geometry();
    return {client.left() - outer.left(), client.top() - outer.top(), outer.right() - client.right(),
            outer.bottom() - client.bottom()};
}

bool isKnown(const FrameMargins& frame) {
    return frame.left != 0 || frame.top != 0 || frame.right != 0 || frame.bottom != 0;
}

ScreenInfo screenInfoOf(const QWidget& window, const FrameMargins& frame) {
    ScreenInfo info;
    if (const QScreen* screen = window.screen()) {
        info.geometry = toScreenRect(screen->geometry());
        info.available = toScreenRect(screen->availableGeometry());
    }
    info.frame = frame;
    return info;
}

void keepWindowOnScreen(QWidget& window, const FrameMargins& frame) {
    const ScreenInfo screen = screenInfoOf(window, frame);
    const WindowPlacement now{window.x(), window.y(), window.width(), window.height()};
    const WindowPlacement kept = keepOnScreen(now, screen.frame, screen.available);
    if (kept == now) return;
    window.resize(kept.clientWidth, kept.clientHeight);
    window.move(kept.left, kept.top);
}

} // namespace quarvel
