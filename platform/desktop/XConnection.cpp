#include "XConnection.h"

#include <X11/X.h>
#include <X11/Xmd.h>
#include <X11/Xproto.h>
#include <X11/extensions/randrproto.h>
#include <X11/extensions/xtestproto.h>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <sys/uio.h>

#include "XLibraries.h"

namespace platform {

namespace {

// The extensions whose requests are written here; libxcb keeps their request codes.
xcb_extension_t xtestExtension{"XTEST", 0};
xcb_extension_t randrExtension{"RANDR", 0};

// The process's connection; a new one replaces it when it is lost or DISPLAY changed.
std::mutex& Opening() {
    static std::mutex mutex;
    return mutex;
}
std::weak_ptr<XConnection>& Current() {
    static std::weak_ptr<XConnection> current;
    return current;
}

// Sends one request of an extension, as libxcb's generated code does: the request's first
// four bytes are libxcb's to fill. A request with an answer returns its sequence number.
unsigned SendExtensionRequest(const Xcb& x, xcb_connection_t* connection,
                              xcb_extension_t& extension, std::uint8_t opcode, void* request,
                              std::size_t size, bool answered) {
    iovec parts[4]{};
    parts[2].iov_base = request;
    parts[2].iov_len = size;
    const xcb_protocol_request_t protocol{1, &extension, opcode,
                                          static_cast<std::uint8_t>(!answered)};
    return x.xcb_send_request(connection, answered ? XCB_REQUEST_CHECKED : 0, parts + 2, &protocol);
}

} // namespace

std::shared_ptr<XConnection> XConnection::Shared() {
    std::lock_guard lock(Opening());
    const char* name = std::getenv("DISPLAY");
    if (!name || !*name) {
        return nullptr;
    }
    if (auto current = Current().lock(); current && !current->Lost() && current->name == name) {
        return current;
    }
    const Xcb* x = Xcb::Calls();
    if (!x) {
        return nullptr;
    }
    int screen = 0;
    xcb_connection_t* connection = x->xcb_connect(nullptr, &screen);
    if (x->xcb_connection_has_error(connection)) {
        x->xcb_disconnect(connection);
        return nullptr;
    }
    std::shared_ptr<XConnection> shared(new XConnection(*x, connection, screen, name));
    Current() = shared;
    return shared;
}

XConnection::XConnection(const Xcb& x, xcb_connection_t* connection, int screen, std::string name)
    : x(x), connection(connection), name(std::move(name)) {
    const xcb_setup_t* setup = x.xcb_get_setup(connection);
    minKeycode = setup->min_keycode;
    maxKeycode = setup->max_keycode;
    xcb_screen_iterator_t screens = x.xcb_setup_roots_iterator(setup);
    for (int index = 0; index < screen && screens.rem > 1; ++index) {
        x.xcb_screen_next(&screens);
    }
    root = screens.data->root;
    width = screens.data->width_in_pixels;
    height = screens.data->height_in_pixels;
    // The root window's new size arrives with every change of the screen's size or of a
    // rotation by a quarter turn.
    const std::uint32_t events = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    x.xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &events);
    x.xcb_prefetch_extension_data(connection, &xtestExtension);
    x.xcb_flush(connection);
}

// The server may drop the requests of a client that has gone before it read them, the last
// injected events with them: they are waited for first, as Xlib's XCloseDisplay does.
XConnection::~XConnection() {
    if (!Lost()) {
        Sync();
    }
    x.xcb_disconnect(connection);
}

bool XConnection::Lost() const {
    return x.xcb_connection_has_error(connection) != 0;
}

int XConnection::Descriptor() const {
    return x.xcb_get_file_descriptor(connection);
}

void XConnection::WatchScreen() {
    if (watching) {
        return;
    }
    watching = true;
    const xcb_query_extension_reply_t* randr =
        x.xcb_get_extension_data(connection, &randrExtension);
    if (!randr || !randr->present) {
        return;
    }
    screenEventBase = randr->first_event;
    // The server answers a client that has not said which version of RandR it speaks as if it
    // spoke the first.
    xRRQueryVersionReq version{};
    version.majorVersion = RANDR_MAJOR;
    version.minorVersion = RANDR_MINOR;
    free(x.xcb_wait_for_reply(connection,
                              SendExtensionRequest(x, connection, randrExtension, X_RRQueryVersion,
                                                   &version, sz_xRRQueryVersionReq, true),
                              nullptr));
    xRRSelectInputReq select{};
    select.window = root;
    select.enable = RRScreenChangeNotifyMask;
    SendExtensionRequest(x, connection, randrExtension, X_RRSelectInput, &select,
                         sz_xRRSelectInputReq, false);
    xRRGetScreenInfoReq info{};
    info.window = root;
    auto* reply = static_cast<xRRGetScreenInfoReply*>(
        x.xcb_wait_for_reply(connection,
                             SendExtensionRequest(x, connection, randrExtension, X_RRGetScreenInfo,
                                                  &info, sz_xRRGetScreenInfoReq, true),
                             nullptr));
    if (reply) {
        rotation = reply->rotation & 0xF;
        free(reply);
    }
}

bool XConnection::HasXTest() {
    const xcb_query_extension_reply_t* xtest =
        x.xcb_get_extension_data(connection, &xtestExtension);
    return xtest && xtest->present;
}

void XConnection::FakeInput(int type, int detail, int x, int y) {
    xXTestFakeInputReq request{};
    request.type = static_cast<BYTE>(type);
    request.detail = static_cast<BYTE>(detail);
    request.time = CurrentTime;
    if (type == MotionNotify) {
        request.root = detail ? None : root;
        request.rootX = static_cast<INT16>(x);
        request.rootY = static_cast<INT16>(y);
    }
    SendExtensionRequest(this->x, connection, xtestExtension, X_XTestFakeInput, &request,
                         sz_xXTestFakeInputReq, false);
}

std::size_t XConnection::Keycodes() {
    if (!keymap.empty()) {
        return keymap.size() / keysymsPerKeycode;
    }
    keysymsPerKeycode = 0;
    const auto count = static_cast<std::uint8_t>(maxKeycode - minKeycode + 1);
    xcb_get_keyboard_mapping_reply_t* reply = x.xcb_get_keyboard_mapping_reply(
        connection,
        x.xcb_get_keyboard_mapping(connection, static_cast<xcb_keycode_t>(minKeycode), count),
        nullptr);
    if (!reply) {
        return 0;
    }
    const xcb_keysym_t* keysyms = x.xcb_get_keyboard_mapping_keysyms(reply);
    keysymsPerKeycode = reply->keysyms_per_keycode;
    if (keysymsPerKeycode != 0) {
        keymap.assign(keysyms, keysyms + reply->length);
    }
    free(reply);
    return keysymsPerKeycode ? keymap.size() / keysymsPerKeycode : 0;
}

// As Xlib looks a keysym up: column by column, each over every keycode.
unsigned XConnection::KeycodeOf(std::uint32_t keysym) {
    const std::size_t keycodes = Keycodes();
    for (unsigned column = 0; column < keysymsPerKeycode; ++column) {
        for (std::size_t index = 0; index < keycodes; ++index) {
            if (keymap[index * keysymsPerKeycode + column] == keysym) {
                return minKeycode + static_cast<unsigned>(index);
            }
        }
    }
    return 0;
}

unsigned XConnection::BindSpareKeycode(std::uint32_t keysym) {
    const std::size_t keycodes = Keycodes();
    for (std::size_t index = keycodes; index-- > 0;) {
        const auto first = keymap.begin() + static_cast<std::ptrdiff_t>(index * keysymsPerKeycode);
        if (std::all_of(first, first + keysymsPerKeycode,
                        [](std::uint32_t each) { return each == NoSymbol; })) {
            const std::uint32_t both[2] = {keysym, keysym};
            const auto spare = static_cast<xcb_keycode_t>(minKeycode + index);
            x.xcb_change_keyboard_mapping(connection, 1, spare, 2, both);
            Sync();
            keymap.clear();
            return spare;
        }
    }
    return 0;
}

bool XConnection::GrabKey(unsigned key) {
    xcb_generic_error_t* error = x.xcb_request_check(
        connection, x.xcb_grab_key_checked(connection, 0, root, XCB_MOD_MASK_ANY,
                                           static_cast<xcb_keycode_t>(key), XCB_GRAB_MODE_ASYNC,
                                           XCB_GRAB_MODE_ASYNC));
    free(error);
    return error == nullptr && !Lost();
}

void XConnection::UngrabKey(unsigned key) {
    x.xcb_ungrab_key(connection, static_cast<xcb_keycode_t>(key), root, XCB_MOD_MASK_ANY);
}

void XConnection::WatchKey(unsigned key, void (*pressed)()) {
    watchedKey = key;
    keyPressed = pressed;
}

void XConnection::Drain() {
    x.xcb_flush(connection);
    while (xcb_generic_event_t* event = x.xcb_poll_for_event(connection)) {
        // A sent event (XSendEvent) has the high bit set.
        const int type = event->response_type & 0x7F;
        if (type == XCB_MAPPING_NOTIFY) {
            if (reinterpret_cast<xcb_mapping_notify_event_t*>(event)->request !=
                XCB_MAPPING_POINTER) {
                keymap.clear();
                ++keymapChanges;
            }
        } else if (type == XCB_CONFIGURE_NOTIFY) {
            const auto* configure = reinterpret_cast<xcb_configure_notify_event_t*>(event);
            if (configure->window == root) {
                width = configure->width;
                height = configure->height;
            }
        } else if (screenEventBase >= 0 && type == screenEventBase + RRScreenChangeNotify) {
            rotation = reinterpret_cast<xRRScreenChangeNotifyEvent*>(event)->rotation & 0xF;
        } else if (type == XCB_KEY_PRESS && keyPressed &&
                   reinterpret_cast<xcb_key_press_event_t*>(event)->detail == watchedKey) {
            keyPressed();
        }
        free(event);
    }
}

void XConnection::Sync() {
    free(x.xcb_get_input_focus_reply(connection, x.xcb_get_input_focus(connection), nullptr));
}

} // namespace platform
