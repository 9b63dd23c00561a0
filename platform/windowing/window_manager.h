#pragma once

// What the program asks the window manager itself, where Qt's own requests fall short: the frame
// the manager will draw around a window, before the window shows, and a move of a window with
// the pointer that starts from where the pointer is. On X11 they go to the manager directly;
// elsewhere (Wayland, where the compositor places windows, and the offscreen platform) the frame
// is unknown and the move is Qt's.

#include <QMargins>
#include <optional>

class QWindow;

namespace chiffrel::ui {

// The frame, in the window's own pixels, that the manager will draw around `window`, created but
// not yet shown, as the manager tells it when asked (_NET_REQUEST_FRAME_EXTENTS); nothing where
// it does not tell within a tenth of a second, and then it is not asked again.
std::optional<QMargins> FrameExtentsBeforeMap(QWindow* window);

// Whether only the window system places windows, as a Wayland compositor does: a window cannot
// move itself there, and a move with the pointer asked for after the press that starts it begins
// from wherever the pointer has got to by then.
bool OnlyTheSystemMovesWindows();

// Has the window system move `window` with the pointer, from where the pointer is now, while the
// left button stays down. False when it will not: no such move on this platform, or the button is
// already up (a move asked for then would follow the pointer after the release, into the next
// click).
bool StartSystemMoveFromPointer(QWindow* window);

}  // namespace chiffrel::ui
