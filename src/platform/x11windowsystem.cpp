#include "x11windowsystem.h"

#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QThread>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <xcb/xcb.h>

namespace {

// How long the window manager may take to say what frame it will give a window.
constexpr int frameExtentsWaitMs = 250;

xcb_connection_t* x11Connection()
{
    const auto* x11 =
        qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t* connection, const char* name)
{
    const auto cookie = xcb_intern_atom(connection, 0, quint16(qstrlen(name)), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return result;
}

// The bytes of a property, empty when it is not set.
QByteArray readProperty(xcb_connection_t* connection, xcb_window_t window, xcb_atom_t name,
                        xcb_atom_t type)
{
    const auto cookie = xcb_get_property(connection, 0, window, name, type, 0, 4096);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    QByteArray bytes;
    if (reply && reply->type == type)
        bytes = QByteArray(static_cast<const char*>(xcb_get_property_value(reply)),
                           xcb_get_property_value_length(reply));
    free(reply);
    return bytes;
}

xcb_window_t rootOf(xcb_connection_t* connection, xcb_window_t window)
{
    xcb_query_tree_reply_t* tree =
        xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr);
    const xcb_window_t root = tree ? tree->root : xcb_window_t(XCB_WINDOW_NONE);
    free(tree);
    return root;
}

bool windowManagerOffers(xcb_connection_t* connection, xcb_window_t root, xcb_atom_t feature)
{
    const QByteArray supported =
        readProperty(connection, root, atom(connection, "_NET_SUPPORTED"), XCB_ATOM_ATOM);
    const auto* atoms = reinterpret_cast<const xcb_atom_t*>(supported.constData());
    const qsizetype count = supported.size() / qsizetype(sizeof(xcb_atom_t));
    return feature != XCB_ATOM_NONE && std::find(atoms, atoms + count, feature) != atoms + count;
}

void requestFrameExtents(xcb_connection_t* connection, xcb_window_t root, xcb_window_t window,
                         xcb_atom_t request)
{
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = request;
    xcb_send_event(connection, 0, root,
                   XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                   reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
}

// The frame in device pixels, as the window manager gives it; none when it cannot tell.
std::optional<QMargins> frameExtentsBeforeMap(QWidget& window)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return std::nullopt;
    const auto id = xcb_window_t(window.winId());
    const xcb_window_t root = rootOf(connection, id);
    const xcb_atom_t request = atom(connection, "_NET_REQUEST_FRAME_EXTENTS");
    const xcb_atom_t extents = atom(connection, "_NET_FRAME_EXTENTS");
    if (!root || !windowManagerOffers(connection, root, request))
        return std::nullopt;
    // A window shown before still carries what the window manager last wrote there, which may be
    // no frame at all once it let the window go: only the answer to this request counts.
    xcb_delete_property(connection, id, extents);
    requestFrameExtents(connection, root, id, request);
    // The answer is a property the window manager sets on the window; it comes within a few
    // milliseconds, and the window is not shown until then.
    const QDeadlineTimer deadline(frameExtentsWaitMs);
    do {
        const QByteArray value = readProperty(connection, id, extents, XCB_ATOM_CARDINAL);
        if (value.size() == 4 * qsizetype(sizeof(quint32))) {
            const auto* sides = reinterpret_cast<const quint32*>(value.constData());
            // left, right, top, bottom
            return QMargins(int(sides[0]), int(sides[2]), int(sides[1]), int(sides[3]));
        }
        QThread::msleep(2);
    } while (!deadline.hasExpired());
    return std::nullopt;
}

} // namespace

QMargins X11WindowSystem::frameMarginsBeforeMap(QWidget& window)
{
    const std::optional<QMargins> device = frameExtentsBeforeMap(window);
    if (!device)
        return {window.geometry().left() - window.frameGeometry().left(),
                window.geometry().top() - window.frameGeometry().top(),
                window.frameGeometry().right() - window.geometry().right(),
                window.frameGeometry().bottom() - window.geometry().bottom()};
    const qreal ratio = window.devicePixelRatioF();
    const auto logical = [ratio](int pixels) { return qRound(pixels / ratio); };
    return {logical(device->left()), logical(device->top()), logical(device->right()),
            logical(device->bottom())};
}

void X11WindowSystem::setWindowClass(QWidget& window, const QString& className)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return;
    const auto id = xcb_window_t(window.winId());
    // Qt's instance name stays; the class becomes the one given.
    const QByteArray written = readProperty(connection, id, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING);
    const QByteArray instance = written.left(written.indexOf('\0'));
    const QByteArray value = instance + '\0' + className.toLocal8Bit() + '\0';
    xcb_change_property(connection, XCB_PROP_MODE_REPLACE, id, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING,
                        8, quint32(value.size()), value.constData());
    xcb_flush(connection);
}

std::optional<bool> keyIsDown(quint32 nativeScanCode)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection || nativeScanCode == 0 || nativeScanCode > 255)
        return std::nullopt;
    xcb_query_keymap_reply_t* keymap =
        xcb_query_keymap_reply(connection, xcb_query_keymap(connection), nullptr);
    if (!keymap)
        return std::nullopt;
    const bool down = keymap->keys[nativeScanCode / 8] & (1 << (nativeScanCode % 8));
    free(keymap);
    return down;
}
