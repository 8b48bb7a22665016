#pragma once

#include "MainWindowPresenter.h"

#include <QRect>

class QWidget;

namespace quarvel {

ScreenRect toScreenRect(const QRect& rect);

/// The frame the window manager puts around a top-level window, as far as the toolkit knows it; all zero
/// before the window has been framed.
FrameMargins frameMarginsOf(const QWidget& window);
bool isKnown(const FrameMargins& frame);

/// The screen a window is on, with the frame it is given (or `frame` where given).
ScreenInfo screenInfoOf(const QWidget& window, const FrameMargins& frame);

/// Moves and, where it must, shrinks a top-level window in its normal state so that the whole of it, frame
/// included, lies in the available area of its screen; `frame` stands in for a frame not known yet.
void keepWindowOnScreen(QWidget& window, const FrameMargins& frame);

} // namespace quarvel
