#include "LibevdevSink.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <initializer_list>
#include <libevdev/libevdev-uinput.h>
#include <libevdev/libevdev.h>
#include <linux/input.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "SystemLibrary.h"
#include "UinputInjector.h"

#define TAPWEAVE_LIBEVDEV_CALLS(CALL)                                                              \
    CALL(libevdev_new)                                                                             \
    CALL(libevdev_free)                                                                            \
    CALL(libevdev_set_name)                                                                        \
    CALL(libevdev_set_id_bustype)                                                                  \
    CALL(libevdev_set_id_vendor)                                                                   \
    CALL(libevdev_set_id_product)                                                                  \
    CALL(libevdev_enable_property)                                                                 \
    CALL(libevdev_enable_event_type)                                                               \
    CALL(libevdev_enable_event_code)                                                               \
    CALL(libevdev_uinput_create_from_device)                                                       \
    CALL(libevdev_uinput_destroy)                                                                  \
    CALL(libevdev_uinput_get_fd)                                                                   \
    CALL(libevdev_uinput_get_devnode)                                                              \
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

constexpr auto linger = std::chrono::milliseconds(100);

// The reason /dev/uinput refused, with what mends it.
std::string OpenError(int errnum) {
    std::string error = std::string("cannot open /dev/uinput: ") + std::strerror(errnum);
    if (errnum == ENOENT || errnum == ENODEV || errnum == ENXIO) {
        error += "; load the kernel's uinput module (sudo modprobe uinput) and";
    } else {
        error += ";";
    }
    return error + " " + std::string(UinputInjector::enableHint);
}

// One device on a /dev/uinput of its own, which Destroy closes with it.
libevdev_uinput* CreateDevice(const UinputDescription& description, std::string& error) {
    const int fd = open("/dev/uinput", O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        error = OpenError(errno);
        return nullptr;
    }
    const Evdev evdev(Calls().libevdev_new());
    Calls().libevdev_set_name(evdev.get(), description.name.c_str());
    Calls().libevdev_set_id_bustype(evdev.get(), static_cast<int>(description.bus));
    Calls().libevdev_set_id_vendor(evdev.get(), static_cast<int>(description.vendor));
    Calls().libevdev_set_id_product(evdev.get(), static_cast<int>(description.product));
    for (const unsigned property : description.properties) {
        Calls().libevdev_enable_property(evdev.get(), property);
    }
    if (!description.keys.empty()) {
        Calls().libevdev_enable_event_type(evdev.get(), EV_KEY);
    }
    for (const unsigned key : description.keys) {
        Calls().libevdev_enable_event_code(evdev.get(), EV_KEY, key, nullptr);
    }
    if (!description.axes.empty()) {
        Calls().libevdev_enable_event_type(evdev.get(), EV_ABS);
    }
    for (const UinputDescription::Axis& axis : description.axes) {
        input_absinfo info{};
        info.maximum = axis.maximum;
        Calls().libevdev_enable_event_code(evdev.get(), EV_ABS, axis.code, &info);
    }
    libevdev_uinput* device = nullptr;
    const int result = Calls().libevdev_uinput_create_from_device(evdev.get(), fd, &device);
    if (result < 0) {
        close(fd);
        error = "cannot create the uinput device \"" + description.name +
                "\": " + std::strerror(-result);
        return nullptr;
    }
    return device;
}

void Destroy(libevdev_uinput* device) {
    const int fd = Calls().libevdev_uinput_get_fd(device);
    Calls().libevdev_uinput_destroy(device);
    close(fd);
}

std::vector<std::string> Nodes(std::initializer_list<libevdev_uinput*> devices) {
    std::vector<std::string> nodes;
    for (libevdev_uinput* device : devices) {
        if (const char* node = Calls().libevdev_uinput_get_devnode(device)) {
            nodes.emplace_back(node);
        }
    }
    return nodes;
}

} // namespace

std::unique_ptr<LibevdevSink> LibevdevSink::Create(const UinputDescription& pointer,
                                                   const UinputDescription& keyboard,
                                                   std::string& error) {
    // Without /dev/uinput there is no need to load libevdev to say so.
    if (access("/dev/uinput", W_OK) != 0) {
        error = OpenError(errno);
        return nullptr;
    }
    if (!Libevdev::Calls()) {
        error = "libevdev cannot be loaded";
        return nullptr;
    }
    libevdev_uinput* pointerDevice = CreateDevice(pointer, error);
    if (!pointerDevice) {
        return nullptr;
    }
    libevdev_uinput* keyboardDevice = CreateDevice(keyboard, error);
    if (!keyboardDevice) {
        Destroy(pointerDevice);
        return nullptr;
    }
    return std::unique_ptr<LibevdevSink>(new LibevdevSink(pointerDevice, keyboardDevice));
}

LibevdevSink::LibevdevSink(libevdev_uinput* pointer, libevdev_uinput* keyboard)
    : pointer(pointer), keyboard(keyboard), announcement(Nodes({pointer, keyboard})) {}

LibevdevSink::~LibevdevSink() {
    std::this_thread::sleep_until(lastWrite + linger);
    Destroy(keyboard);
    Destroy(pointer);
}

bool LibevdevSink::AwaitReaders(std::string& error) {
    return announcement.Wait(error);
}

bool LibevdevSink::Write(UinputDevice device, unsigned type, unsigned code, int value,
                         std::string& error) {
    const bool toPointer = device == UinputDevice::Pointer;
    const int result =
        Calls().libevdev_uinput_write_event(toPointer ? pointer : keyboard, type, code, value);
    lastWrite = std::chrono::steady_clock::now();
    if (result < 0) {
        error = std::string("cannot write to the uinput ") + (toPointer ? "pointer" : "keyboard") +
                ": " + std::strerror(-result);
        return false;
    }
    return true;
}

} // namespace platform
