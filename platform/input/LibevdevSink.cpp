#include "LibevdevSink.h"

#include <cstring>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <linux/input.h>

namespace platform {

namespace {

struct EvdevDeleter {
    void operator()(libevdev* device) const { libevdev_free(device); }
};
using Evdev = std::unique_ptr<libevdev, EvdevDeleter>;

libevdev_uinput* CreateDevice(const Evdev& description, const char* what, std::string& error) {
    libevdev_uinput* device = nullptr;
    const int result = libevdev_uinput_create_from_device(description.get(),
                                                          LIBEVDEV_UINPUT_OPEN_MANAGED, &device);
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
    libevdev_enable_event_code(device, EV_ABS, axis, &info);
}

} // namespace

std::unique_ptr<LibevdevSink>
LibevdevSink::Create(int maxX, int maxY, std::span<const unsigned> keys, std::string& error) {
    // An absolute pointer like a virtual machine's tablet, not a touch screen: the touch
    // driver takes the first direct-touch device for itself, and it must never pick up the
    // injector's own output.
    Evdev pointer(libevdev_new());
    libevdev_set_name(pointer.get(), "Tapweave pointer");
    libevdev_enable_property(pointer.get(), INPUT_PROP_POINTER);
    libevdev_enable_event_type(pointer.get(), EV_ABS);
    EnableAxis(pointer.get(), ABS_X, maxX);
    EnableAxis(pointer.get(), ABS_Y, maxY);
    libevdev_enable_event_type(pointer.get(), EV_KEY);
    libevdev_enable_event_code(pointer.get(), EV_KEY, BTN_LEFT, nullptr);

    Evdev keyboard(libevdev_new());
    libevdev_set_name(keyboard.get(), "Tapweave keyboard");
    libevdev_enable_event_type(keyboard.get(), EV_KEY);
    for (const unsigned key : keys) {
        libevdev_enable_event_code(keyboard.get(), EV_KEY, key, nullptr);
    }

    libevdev_uinput* pointerDevice = CreateDevice(pointer, "pointer", error);
    if (!pointerDevice) {
        return nullptr;
    }
    libevdev_uinput* keyboardDevice = CreateDevice(keyboard, "keyboard", error);
    if (!keyboardDevice) {
        libevdev_uinput_destroy(pointerDevice);
        return nullptr;
    }
    return std::unique_ptr<LibevdevSink>(new LibevdevSink(pointerDevice, keyboardDevice));
}

LibevdevSink::LibevdevSink(libevdev_uinput* pointer, libevdev_uinput* keyboard)
    : pointer(pointer), keyboard(keyboard) {}

LibevdevSink::~LibevdevSink() {
    libevdev_uinput_destroy(keyboard);
    libevdev_uinput_destroy(pointer);
}

void LibevdevSink::Write(UinputDevice device, unsigned type, unsigned code, int value) {
    libevdev_uinput_write_event(device == UinputDevice::Pointer ? pointer : keyboard, type, code,
                                value);
}

} // namespace platform
