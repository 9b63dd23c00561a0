#include "platform/windowing/window_manager.h"

#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWindow>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <span>
#include <thread>
#include <vector>

namespace chiffrel::ui {
namespace {

// How long a window's first showing waits for the manager to tell its frame.
constexpr std::chrono::milliseconds kFrameExtentsPatience{100};

// _NET_WM_MOVERESIZE: the direction that means a move, and the source that means an application.
constexpr std::uint32_t kMoveResizeMove = 8;
constexpr std::uint32_t kSourceApplication = 1;

struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <class Answer>
using Reply = std::unique_ptr<Answer, FreeReply>;

// Qt's own connection to the X server; null off X11.
xcb_connection_t* X11Connection() {
    const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 != nullptr ? x11->connection() : nullptr;
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection,
        xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
        nullptr));
    return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
}

// The 32-bit values of a window's property, at most `count` of them, when it has that type.
std::vector<std::uint32_t> Property32(xcb_connection_t* connection, xcb_window_t window,
                                      xcb_atom_t property, xcb_atom_t type, std::uint32_t count) {
    const Reply<xcb_get_property_reply_t> reply(xcb_get_property_reply(
        connection, xcb_get_property(connection, 0, window, property, type, 0, count), nullptr));
    if (!reply || reply->type != type || reply->format != 32) {
        return {};
    }
    const std::span values(static_cast<const std::uint32_t*>(xcb_get_property_value(reply.get())),
                           reply->value_len);
    return {values.begin(), values.end()};
}

// The window manager offers `service` when it lists it among the root's _NET_SUPPORTED atoms.
bool ManagerOffers(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t service) {
    constexpr std::uint32_t kMostAtoms = 1024;
    const std::vector<std::uint32_t> offered =
        Property32(connection, root, Atom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM, kMostAtoms);
    return service != XCB_ATOM_NONE && std::ranges::find(offered, service) != offered.end();
}

xcb_window_t RootOf(xcb_connection_t* connection, xcb_window_t window) {
    const Reply<xcb_query_tree_reply_t> reply(
        xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr));
    return reply ? reply->root : xcb_window_t{XCB_WINDOW_NONE};
}

// Sends a window manager message about `window`, laid out as the Extended Window Manager Hints
// lay it out.
void SendToManager(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window,
                   xcb_atom_t type, std::span<const std::uint32_t> data) {
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = type;
    std::ranges::copy(data, message.data.data32);
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
}

// The window by which the running window manager names itself (_NET_SUPPORTING_WM_CHECK).
xcb_window_t ManagerCheckWindow(xcb_connection_t* connection, xcb_window_t root) {
    const std::vector<std::uint32_t> check = Property32(
        connection, root, Atom(connection, "_NET_SUPPORTING_WM_CHECK"), XCB_ATOM_WINDOW, 1);
    return check.empty() ? xcb_window_t{XCB_WINDOW_NONE} : check.front();
}

}  // namespace

std::optional<QMargins> FrameExtentsBeforeMap(QWindow* window) {
    // A manager that lists the request but did not answer it once (fluxbox answers only once the
    // window shows) is not asked again: every dialog would wait for nothing.
    static xcb_window_t silentManager = XCB_WINDOW_NONE;
    xcb_connection_t* connection = X11Connection();
    if (connection == nullptr) {
        return std::nullopt;
    }
    const auto id = static_cast<xcb_window_t>(window->winId());
    const xcb_window_t root = RootOf(connection, id);
    const xcb_window_t manager = ManagerCheckWindow(connection, root);
    const xcb_atom_t request = Atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    if (manager == XCB_WINDOW_NONE || manager == silentManager ||
        !ManagerOffers(connection, root, request)) {
        return std::nullopt;
    }
    SendToManager(connection, root, id, request, {});
    const xcb_atom_t extents = Atom(connection, "_NET_FRAME_EXTENTS");
    const auto deadline = std::chrono::steady_clock::now() + kFrameExtentsPatience;
    do {
        const std::vector<std::uint32_t> told =
            Property32(connection, id, extents, XCB_ATOM_CARDINAL, 4);
        if (told.size() == 4) {
            // Told left, right, top, bottom, in the screen's pixels.
            const qreal ratio = window->devicePixelRatio();
            const auto scaled = [ratio](std::uint32_t pixels) { return qRound(pixels / ratio); };
            return QMargins(scaled(told[0]), scaled(told[2]), scaled(told[1]), scaled(told[3]));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    } while (std::chrono::steady_clock::now() < deadline);
    silentManager = manager;
    return std::nullopt;
}

bool OnlyTheSystemMovesWindows() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool StartSystemMoveFromPointer(QWindow* window) {
    xcb_connection_t* connection = X11Connection();
    if (connection == nullptr) {
        return window->startSystemMove();
    }
    // Qt's own request says the move starts at the last pointer event's place in the window as
    // Qt last placed it, which is off by as much as the window was just moved to catch up with
    // the pointer. The pointer itself, asked of the server, says where it is and whether the
    // button is still down.
    const auto id = static_cast<xcb_window_t>(window->winId());
    const Reply<xcb_query_pointer_reply_t> pointer(
        xcb_query_pointer_reply(connection, xcb_query_pointer(connection, id), nullptr));
    const xcb_atom_t moveResize = Atom(connection, "_NET_WM_MOVERESIZE");
    if (!pointer || (pointer->mask & XCB_BUTTON_MASK_1) == 0 ||
        !ManagerOffers(connection, pointer->root, moveResize)) {
        return false;
    }
    // The manager takes the pointer for the move.
    xcb_ungrab_pointer(connection, XCB_CURRENT_TIME);
    const std::uint32_t data[] = {static_cast<std::uint32_t>(pointer->root_x),
                                  static_cast<std::uint32_t>(pointer->root_y), kMoveResizeMove,
                                  XCB_BUTTON_INDEX_1, kSourceApplication};
    SendToManager(connection, pointer->root, id, moveResize, data);
    return true;
}

}  // namespace chiffrel::ui
