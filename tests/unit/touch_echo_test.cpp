#include <gtest/gtest.h>

#include <thread>

#include "RecordingInjector.h"
#include "platform/Injector.h"
#include "platform/input.h"

// The driver thread of a source that leaves the pointer with the desktop drops the replay of
// its samples; keys, and other threads, are unaffected.
TEST(TouchEcho, MouseInputIsDroppedOnlyOnTheMarkedThread) {
    RecordingInjector injector;
    std::thread driver([] {
        platform::Injector::DropMouseOnThisThread(true);
        mouse_event(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE, 100, 200, 0, 0);
        keybd_event(0x41, 0, 0, 0);
        std::thread other(
            [] { mouse_event(MOUSEEVENTF_LEFTUP | MOUSEEVENTF_ABSOLUTE, 1, 2, 0, 0); });
        other.join();
        platform::Injector::DropMouseOnThisThread(false);
        mouse_event(MOUSEEVENTF_LEFTDOWN | MOUSEEVENTF_ABSOLUTE, 3, 4, 0, 0);
    });
    driver.join();
    ASSERT_EQ(injector.events.size(), 3u);
    EXPECT_TRUE(injector.events[0].key);
    EXPECT_EQ(injector.events[0].vk, 0x41);
    EXPECT_FALSE(injector.events[1].key);
    EXPECT_EQ(injector.events[1].dx, 1);
    EXPECT_EQ(injector.events[2].dx, 3);
}
