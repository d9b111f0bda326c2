#include "XWindows.h"

#include <X11/Xatom.h>
#include <algorithm>
#include <optional>

#include "FileName.h"
#include "XLibraries.h"
#include "XlibConnection.h"
#include "platform/windows.h"

namespace platform {

namespace {

// A client sits at most a few frames below its top-level window, however the window manager
// decorates it.
constexpr int frameDepth = 4;
// Walking up from the focus stops here even on a malformed tree.
constexpr int treeDepth = 64;
// What a pager says when it asks for a window: the request comes from the person.
constexpr long sourcePager = 2;

std::optional<std::wstring> Wide(const char* text) {
    return text ? FileName::FromHost(text) : std::nullopt;
}

} // namespace

struct XWindows::Atoms {
    Atom activeWindow;
    Atom clientList;
    Atom clientListStacking;
    Atom windowType;
    Atom typeDesktop;
    Atom typeDock;
    Atom pid;
    Atom name;
    Atom utf8String;
    Atom supportingCheck;
    Atom wmState;
    Atom showingDesktop;
};

std::unique_ptr<XWindows> XWindows::Open() {
    std::shared_ptr<XlibConnection> connection = XlibConnection::Shared();
    if (!connection) {
        return nullptr;
    }
    std::lock_guard lock(connection->Lock());
    const char* names[] = {"_NET_ACTIVE_WINDOW",
                           "_NET_CLIENT_LIST",
                           "_NET_CLIENT_LIST_STACKING",
                           "_NET_WM_WINDOW_TYPE",
                           "_NET_WM_WINDOW_TYPE_DESKTOP",
                           "_NET_WM_WINDOW_TYPE_DOCK",
                           "_NET_WM_PID",
                           "_NET_WM_NAME",
                           "UTF8_STRING",
                           "_NET_SUPPORTING_WM_CHECK",
                           "WM_STATE",
                           "_NET_SHOWING_DESKTOP"};
    Atom interned[std::size(names)];
    connection->Calls().XInternAtoms(connection->Handle(), const_cast<char**>(names),
                                     static_cast<int>(std::size(names)), False, interned);
    auto atoms = std::make_unique<Atoms>(
        Atoms{interned[0], interned[1], interned[2], interned[3], interned[4], interned[5],
              interned[6], interned[7], interned[8], interned[9], interned[10], interned[11]});
    return std::unique_ptr<XWindows>(new XWindows(std::move(connection), std::move(atoms)));
}

XWindows::XWindows(std::shared_ptr<XlibConnection> connection, std::unique_ptr<Atoms> atoms)
    : connection(std::move(connection)), x(this->connection->Calls()),
      display(this->connection->Handle()), atoms(std::move(atoms)),
      root(DefaultRootWindow(display)) {}

XWindows::~XWindows() = default;

XWindows::Window XWindows::Foreground() {
    std::lock_guard lock(connection->Lock());
    connection->ClearErrors();
    if (HasWindowManager()) {
        const std::vector<unsigned long> active = Property(root, atoms->activeWindow, XA_WINDOW);
        if (!active.empty() && active[0] != None && active[0] != root && Exists(active[0])) {
            return active[0];
        }
        return FindToday();
    }
    Window focus = None;
    int revertTo = 0;
    x.XGetInputFocus(display, &focus, &revertTo);
    if (focus == None || focus == PointerRoot || focus == root) {
        return FindToday();
    }
    const Window top = TopLevelOf(focus);
    if (top == None) {
        return FindToday();
    }
    const Window client = ClientOf(top, frameDepth);
    return client != None ? client : top;
}

XWindows::Window XWindows::Today() {
    std::lock_guard lock(connection->Lock());
    connection->ClearErrors();
    return FindToday();
}

XWindows::Window XWindows::Find(const std::wstring* className, const std::wstring* title) {
    std::lock_guard lock(connection->Lock());
    connection->ClearErrors();
    for (const Window window : TopLevels()) {
        if (Matches(window, className, title)) {
            return window;
        }
    }
    return None;
}

std::vector<XWindows::Window> XWindows::Clients() {
    std::lock_guard lock(connection->Lock());
    connection->ClearErrors();
    if (HasWindowManager()) {
        return Property(root, atoms->clientList, XA_WINDOW);
    }
    std::vector<Window> clients;
    for (const Window window : TopLevels()) {
        XWindowAttributes attributes;
        if (x.XGetWindowAttributes(display, window, &attributes) &&
            attributes.map_state == IsViewable && !attributes.override_redirect) {
            clients.push_back(window);
        }
    }
    return clients;
}

bool XWindows::Activate(Window window) {
    std::lock_guard lock(connection->Lock());
    connection->ClearErrors();
    const bool managed = HasWindowManager();
    if (window == root) {
        // The root window stands for the desktop: bringing it up shows the desktop.
        if (managed) {
            SendToRoot(atoms->showingDesktop, root, 1, 0);
        } else {
            x.XSetInputFocus(display, PointerRoot, RevertToPointerRoot, CurrentTime);
        }
        return SyncWithoutErrors();
    }
    XWindowAttributes attributes;
    if (!x.XGetWindowAttributes(display, window, &attributes)) {
        return false;
    }
    if (managed) {
        if (attributes.map_state == IsUnmapped) {
            x.XMapRaised(display, window);
        }
        SendToRoot(atoms->activeWindow, window, sourcePager, CurrentTime);
        return SyncWithoutErrors();
    }
    x.XMapRaised(display, window);
    x.XSync(display, False);
    if (x.XGetWindowAttributes(display, window, &attributes) &&
        attributes.map_state == IsViewable) {
        x.XSetInputFocus(display, window, RevertToPointerRoot, CurrentTime);
    }
    return SyncWithoutErrors();
}

bool XWindows::Show(Window window, int command) {
    std::lock_guard lock(connection->Lock());
    connection->ClearErrors();
    if (window == root) {
        return true;
    }
    XWindowAttributes attributes;
    if (!x.XGetWindowAttributes(display, window, &attributes)) {
        return false;
    }
    const bool wasVisible = attributes.map_state == IsViewable;
    if (command == SW_HIDE) {
        x.XWithdrawWindow(display, window, DefaultScreen(display));
    } else {
        x.XMapWindow(display, window);
    }
    x.XSync(display, False);
    return wasVisible;
}

DWORD XWindows::ProcessOf(Window window) {
    std::lock_guard lock(connection->Lock());
    connection->ClearErrors();
    if (window == root) {
        return Desktop::shellProcessId;
    }
    if (!Exists(window)) {
        return 0;
    }
    if (HasType(window, atoms->typeDesktop) || HasType(window, atoms->typeDock)) {
        return Desktop::shellProcessId;
    }
    const std::vector<unsigned long> pid = Property(window, atoms->pid, XA_CARDINAL);
    if (!pid.empty()) {
        return static_cast<DWORD>(pid[0]);
    }
    return ProcessOfClient(window);
}

// Many programs (xcalc and the other Xt and Xaw ones among them) set no _NET_WM_PID. The server
// knows every local client's process: the X Resource extension tells the process of the
// client that created the window. A remote client has none to tell.
DWORD XWindows::ProcessOfClient(Window window) {
    const XRes* res = XRes::Calls();
    if (!res) {
        return 0;
    }
    if (!hasResources) {
        int eventBase = 0, errorBase = 0, major = 0, minor = 0;
        // Client identifiers came with version 1.2 of the extension.
        hasResources = res->XResQueryExtension(display, &eventBase, &errorBase) &&
                       res->XResQueryVersion(display, &major, &minor) &&
                       (major > 1 || (major == 1 && minor >= 2));
    }
    if (!*hasResources) {
        return 0;
    }
    XResClientIdSpec spec{window, XRES_CLIENT_ID_PID_MASK};
    long count = 0;
    XResClientIdValue* ids = nullptr;
    if (res->XResQueryClientIds(display, 1, &spec, &count, &ids) != Success) {
        return 0;
    }
    DWORD processId = 0;
    for (long i = 0; i < count && processId == 0; ++i) {
        const pid_t pid = res->XResGetClientPid(&ids[i]);
        processId = pid > 0 ? static_cast<DWORD>(pid) : 0;
    }
    res->XResClientIdsDestroy(count, ids);
    return processId;
}

bool XWindows::Exists(Window window) {
    XWindowAttributes attributes;
    return window != None && x.XGetWindowAttributes(display, window, &attributes) != 0;
}

XWindows::Window XWindows::FindToday() {
    for (const Window window : TopLevels()) {
        if (HasType(window, atoms->typeDesktop)) {
            return window;
        }
    }
    return root;
}

bool XWindows::HasWindowManager() {
    const std::vector<unsigned long> check = Property(root, atoms->supportingCheck, XA_WINDOW);
    if (check.empty() || check[0] == None) {
        return false;
    }
    // A window manager that has gone leaves the property behind; its own window then no
    // longer points at itself.
    const std::vector<unsigned long> self = Property(check[0], atoms->supportingCheck, XA_WINDOW);
    return !self.empty() && self[0] == check[0];
}

std::vector<unsigned long> XWindows::Property(Window window, unsigned long property,
                                              unsigned long type) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    std::vector<unsigned long> values;
    if (x.XGetWindowProperty(display, window, property, 0, 4096, False, type, &actualType, &format,
                             &count, &remaining, &data) != Success) {
        return values;
    }
    if (data && actualType == type && format == 32) {
        // Xlib hands out 32-bit items as longs.
        const auto* items = reinterpret_cast<const unsigned long*>(data);
        values.assign(items, items + count);
    }
    if (data) {
        x.XFree(data);
    }
    return values;
}

bool XWindows::HasType(Window window, unsigned long type) {
    const std::vector<unsigned long> types = Property(window, atoms->windowType, XA_ATOM);
    return std::find(types.begin(), types.end(), type) != types.end();
}

bool XWindows::Matches(Window window, const std::wstring* className, const std::wstring* title) {
    if (className) {
        XClassHint hint{};
        if (!x.XGetClassHint(display, window, &hint)) {
            return false;
        }
        const bool matches =
            Wide(hint.res_name) == *className || Wide(hint.res_class) == *className;
        x.XFree(hint.res_name);
        x.XFree(hint.res_class);
        if (!matches) {
            return false;
        }
    }
    if (!title) {
        return true;
    }
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (x.XGetWindowProperty(display, window, atoms->name, 0, 4096, False, atoms->utf8String,
                             &actualType, &format, &count, &remaining, &data) == Success &&
        data) {
        const bool matches =
            actualType == atoms->utf8String && format == 8 &&
            FileName::FromHost(std::string(reinterpret_cast<char*>(data), count)) == *title;
        x.XFree(data);
        if (matches) {
            return true;
        }
    }
    XTextProperty text{};
    if (!x.XGetWMName(display, window, &text)) {
        return false;
    }
    char** list = nullptr;
    int listCount = 0;
    bool matches = false;
    if (x.Xutf8TextPropertyToTextList(display, &text, &list, &listCount) >= Success && list) {
        matches = listCount > 0 && Wide(list[0]) == *title;
        x.XFreeStringList(list);
    }
    x.XFree(text.value);
    return matches;
}

// The window manager's clients, topmost first, then every other child of the root window
// (the client inside it when it is a frame), topmost first.
std::vector<XWindows::Window> XWindows::TopLevels() {
    std::vector<Window> windows;
    std::vector<unsigned long> managed = Property(root, atoms->clientListStacking, XA_WINDOW);
    if (managed.empty()) {
        managed = Property(root, atoms->clientList, XA_WINDOW);
    }
    windows.assign(managed.rbegin(), managed.rend());
    if (const std::optional<Tree> tree = TreeOf(root)) {
        for (auto child = tree->children.rbegin(); child != tree->children.rend(); ++child) {
            const Window client = ClientOf(*child, frameDepth);
            const Window window = client != None ? client : *child;
            if (std::find(windows.begin(), windows.end(), window) == windows.end()) {
                windows.push_back(window);
            }
        }
    }
    return windows;
}

std::optional<XWindows::Tree> XWindows::TreeOf(Window window) {
    Window ignoredRoot = None;
    Tree tree;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!x.XQueryTree(display, window, &ignoredRoot, &tree.parent, &children, &count)) {
        return std::nullopt;
    }
    if (children) {
        tree.children.assign(children, children + count);
        x.XFree(children);
    }
    return tree;
}

XWindows::Window XWindows::TopLevelOf(Window window) {
    for (int depth = 0; depth < treeDepth; ++depth) {
        const std::optional<Tree> tree = TreeOf(window);
        if (!tree || tree->parent == None) {
            return None;
        }
        if (tree->parent == root) {
            return window;
        }
        window = tree->parent;
    }
    return None;
}

// The window below a frame that the window manager manages (it carries WM_STATE); None when
// there is none.
XWindows::Window XWindows::ClientOf(Window frame, int depth) {
    Atom actualType = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    if (x.XGetWindowProperty(display, frame, atoms->wmState, 0, 0, False, AnyPropertyType,
                             &actualType, &format, &count, &remaining, &data) == Success) {
        if (data) {
            x.XFree(data);
        }
        if (actualType != None) {
            return frame;
        }
    }
    if (depth == 0) {
        return None;
    }
    const std::optional<Tree> tree = TreeOf(frame);
    if (!tree) {
        return None;
    }
    for (const Window child : tree->children) {
        if (const Window client = ClientOf(child, depth - 1); client != None) {
            return client;
        }
    }
    return None;
}

void XWindows::SendToRoot(unsigned long message, Window window, long first, long second) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = message;
    event.xclient.format = 32;
    event.xclient.data.l[0] = first;
    event.xclient.data.l[1] = second;
    x.XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

bool XWindows::SyncWithoutErrors() {
    x.XSync(display, False);
    return connection->Errors() == 0;
}

} // namespace platform
