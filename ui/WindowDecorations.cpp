#include "WindowDecorations.h"

#include <QGuiApplication>
#include <QWidget>

#if defined(QUARVEL_HAVE_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>

#include <cstdlib>
#endif

namespace quarvel {
namespace {

// From the Motif window manager's header, as every X11 window manager reads them.
constexpr quint32 kHintsFunctions = 1U << 0;
constexpr quint32 kHintsDecorations = 1U << 1;
constexpr quint32 kFunctionMove = 1U << 2;
constexpr quint32 kDecorationBorder = 1U << 1;
constexpr quint32 kDecorationTitle = 1U << 3;

} // namespace

MotifHints TitleBarWithoutButtons() {
    return {kHintsFunctions | kHintsDecorations, kFunctionMove, kDecorationBorder | kDecorationTitle, 0, 0};
}

void setTitleBarWithoutButtons(QWidget& window) {
#if defined(QUARVEL_HAVE_XCB) && QT_CONFIG(xcb)
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || !window.isWindow()) return;
    xcb_connection_t* connection = x11->connection();
    constexpr char kName[] = "_MOTIF_WM_HINTS";
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, sizeof kName - 1, kName), nullptr);
    if (!reply) return;
    const xcb_atom_t atom = reply->atom;
    std::free(reply);
    const MotifHints hints = TitleBarWithoutButtons();
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, static_cast<xcb_window_t>(window.winId()), atom, atom, 32,
                        static_cast<quint32>(hints.size()), hints.data());
    xcb_flush(connection);
#else
    Q_UNUSED(window);
#endif
}

} // namespace quarvel
