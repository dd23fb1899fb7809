// On X11 the frame is the window manager's: asked for before the window is mapped with
// _NET_REQUEST_FRAME_EXTENTS, answered in the window's _NET_FRAME_EXTENTS (left, right, top, bottom).
#include "platform/WindowFrame.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QThread>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace {
struct FreeReply {
    void operator()(void* reply) const { std::free(reply); }
};
template <class T> using Reply = std::unique_ptr<T, FreeReply>;

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const Reply<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(
        connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The values of a property of 32-bit items of that type; empty where it is not set.
std::vector<uint32_t> Property(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name, xcb_atom_t type) {
    const Reply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(connection, xcb_get_property(connection, 0, window, name, type, 0, 1024), nullptr));
    if (!reply || reply->type != type || reply->format != 32)
        return {};
    const auto* values = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
    return {values, values + xcb_get_property_value_length(reply.get()) / 4};
}
} // namespace

std::optional<QMargins> WindowFrameExtents(QWidget* widget) {
    // Other platforms (offscreen, say) may offer the interface too, without X windows of their own.
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || QGuiApplication::platformName() != QLatin1String("xcb") || !x11->connection())
        return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    const auto window = static_cast<xcb_window_t>(widget->winId());
    const Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr));
    if (!geometry)
        return std::nullopt;
    const xcb_window_t root = geometry->root;
    const xcb_atom_t request = Atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = Atom(connection, "_NET_FRAME_EXTENTS");
    const auto supported = Property(connection, root, Atom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM);
    if (request == XCB_ATOM_NONE || std::find(supported.begin(), supported.end(), request) == supported.end())
        return std::nullopt;

    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = request;
    xcb_send_event(connection, 0, root, XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
    // The answer comes at once as a rule; a busy window manager gets a moment, not forever.
    const QDeadlineTimer deadline(1000);
    do {
        const auto values = Property(connection, window, extents, XCB_ATOM_CARDINAL);
        if (values.size() == 4)
            return QMargins(int(values[0]), int(values[2]), int(values[1]), int(values[3]));
        QThread::msleep(2);
    } while (!deadline.hasExpired());
    return std::nullopt;
}
