// What an event device is, judged from its capabilities by the rules udev's input_id tags it
// with (ID_INPUT_TOUCHSCREEN, ID_INPUT_TABLET, ...), so that a device the desktop treats as a
// touch screen is one here too, older single-touch screens without INPUT_PROP_DIRECT among them.
#pragma once

#include <string>

struct libevdev;

enum class EvdevKind { Other, TouchScreen, Tablet, Touchpad, Mouse, AbsoluteMouse };

EvdevKind ClassifyEvdev(const libevdev* device);
// Whether touch recording takes the device: a touch screen, or a pen display (a tablet over
// the screen), whose position it can follow (slots, or single-touch axes with BTN_TOUCH).
bool RecordsTouch(const libevdev* device);
// Whether pointer recording takes the device: a mouse or touchpad that moves with motion and
// clicks with its left button. An absolute pointer is not one: ours, through uinput, is where
// replays come from.
bool RecordsPointer(const libevdev* device);
// Whether the device gives a position touch recording can follow, whatever it is.
bool FollowsTouch(const libevdev* device);

// A device's capabilities as the kernel lists them under sysfs (the directory holding
// capabilities/ and properties, as /sys/class/input/event3/device), readable by everyone even
// where the device node is not. Null when the directory holds no capabilities. The caller frees
// it with libevdev_free.
libevdev* DescribeFromSysfs(const std::string& directory);
