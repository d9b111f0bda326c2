#include "LibevdevSink.h"

#include <cstring>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <linux/input.h>

#include "SystemLibrary.h"

#define TAPWEAVE_LIBEVDEV_CALLS(CALL)                                                              \
    CALL(libevdev_new)                                                                             \
    CALL(libevdev_free)                                                                            \
    CALL(libevdev_set_name)                                                                        \
    CALL(libevdev_enable_property)                                                                 \
    CALL(libevdev_enable_event_type)                                                               \
    CALL(libevdev_enable_event_code)                                                               \
    CALL(libevdev_uinput_create_from_device)                                                       \
    CALL(libevdev_uinput_destroy)                                                                  \
    CALL(libevdev_uinput_write_event)

namespace platform {

namespace {

// libevdev's calls, taken from the library when the first devices are made, so that a program
// that never injects through uinput never loads it.
struct Libevdev {
    TAPWEAVE_LIBEVDEV_CALLS(SYSTEM_LIBRARY_CALL)

    static const Libevdev* Calls() {
        static const Libevdev* const calls =
            SystemLibrary::Load<Libevdev>("libevdev.so.2", "injection through uinput",
                                          [](SystemLibrary& library, Libevdev& table) {
                                              TAPWEAVE_LIBEVDEV_CALLS(SYSTEM_LIBRARY_TAKE)
                                          });
        return calls;
    }
};

// Used only once Create has found the library.
const Libevdev& Calls() {
    return *Libevdev::Calls();
}

struct EvdevDeleter {
    void operator()(libevdev* device) const { Calls().libevdev_free(device); }
};
using Evdev = std::unique_ptr<libevdev, EvdevDeleter>;

libevdev_uinput* CreateDevice(const Evdev& description, const char* what, std::string& error) {
    libevdev_uinput* device = nullptr;
    const int result = Calls().libevdev_uinput_create_from_device(
        description.get(), LIBEVDEV_UINPUT_OPEN_MANAGED, &device);
    if (result < 0) {
        error = std::string("cannot create the uinput ") + what + ": " + std::strerror(-result);
        return nullptr;
    }
    return device;
}

void EnableAxis(libevdev* device, unsigned axis, int maximum) {
    input_absinfo info{};
    info.minimum = 0;
    info.maximum = maximum;
    Calls().libevdev_enable_event_code(device, EV_ABS, axis, &info);
}

} // namespace

std::unique_ptr<LibevdevSink>
LibevdevSink::Create(int maxX, int maxY, std::span<const unsigned> keys, std::string& error) {
    // An absolute pointer like a virtual machine's tablet, not a touch screen: the touch
    // driver takes the first direct-touch device for itself, and it must never pick up the
    // injector's own output.
    if (!Libevdev::Calls()) {
        error = "libevdev cannot be loaded";
        return nullptr;
    }
    Evdev pointer(Calls().libevdev_new());
    Calls().libevdev_set_name(pointer.get(), "Tapweave pointer");
    Calls().libevdev_enable_property(pointer.get(), INPUT_PROP_POINTER);
    Calls().libevdev_enable_event_type(pointer.get(), EV_ABS);
    EnableAxis(pointer.get(), ABS_X, maxX);
    EnableAxis(pointer.get(), ABS_Y, maxY);
    Calls().libevdev_enable_event_type(pointer.get(), EV_KEY);
    Calls().libevdev_enable_event_code(pointer.get(), EV_KEY, BTN_LEFT, nullptr);

    Evdev keyboard(Calls().libevdev_new());
    Calls().libevdev_set_name(keyboard.get(), "Tapweave keyboard");
    Calls().libevdev_enable_event_type(keyboard.get(), EV_KEY);
    for (const unsigned key : keys) {
        Calls().libevdev_enable_event_code(keyboard.get(), EV_KEY, key, nullptr);
    }

    libevdev_uinput* pointerDevice = CreateDevice(pointer, "pointer", error);
    if (!pointerDevice) {
        return nullptr;
    }
    libevdev_uinput* keyboardDevice = CreateDevice(keyboard, "keyboard", error);
    if (!keyboardDevice) {
        Calls().libevdev_uinput_destroy(pointerDevice);
        return nullptr;
    }
    return std::unique_ptr<LibevdevSink>(new LibevdevSink(pointerDevice, keyboardDevice));
}

LibevdevSink::LibevdevSink(libevdev_uinput* pointer, libevdev_uinput* keyboard)
    : pointer(pointer), keyboard(keyboard) {}

LibevdevSink::~LibevdevSink() {
    Calls().libevdev_uinput_destroy(keyboard);
    Calls().libevdev_uinput_destroy(pointer);
}

void LibevdevSink::Write(UinputDevice device, unsigned type, unsigned code, int value) {
    Calls().libevdev_uinput_write_event(device == UinputDevice::Pointer ? pointer : keyboard, type,
                                        code, value);
}

} // namespace platform
