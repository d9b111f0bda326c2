// Pop-up menus without a display: the choice a test queues in place of a person, dismissal
// without one, what a menu accepts, and the input panel call that has nothing to raise.
#include <gtest/gtest.h>

#include <thread>

#include "FixedDisplay.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "platform/gui.h"
#include "platform/testing.h"

namespace {

class GuiMenu : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::ForgetMenuChoices();
        owner = CreateWindowExW(0, L"STATIC", L"owner", WS_VISIBLE, 0, 0, 100, 100, nullptr,
                                nullptr, nullptr, nullptr);
        ASSERT_NE(owner, nullptr);
        menu = CreatePopupMenu();
        ASSERT_NE(menu, nullptr);
        // As the library window builds its menu.
        ASSERT_TRUE(AppendMenuW(menu, MF_STRING, 2, L"Rename"));
        ASSERT_TRUE(AppendMenuW(menu, MF_STRING, 1, L"Edit"));
        ASSERT_TRUE(AppendMenuW(menu, MF_STRING, 3, L"Delete"));
    }
    void TearDown() override {
        DestroyMenu(menu);
        DestroyWindow(owner);
        platform::ForgetMenuChoices();
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    BOOL Track(UINT flags = TPM_RETURNCMD) {
        return TrackPopupMenuEx(menu, flags, 50, 60, owner, nullptr);
    }

    ScopedEnvironment gui{"TAPWEAVE_GUI", "headless"};
    TempDevice device;
    FixedDisplay display{240, 320};
    HWND owner = nullptr;
    HMENU menu = nullptr;
};

TEST_F(GuiMenu, AMenuReturnsTheQueuedChoicesInOrderThenIsDismissed) {
    platform::QueueMenuChoice(3);
    platform::QueueMenuChoice(1);
    EXPECT_EQ(Track(), 3);
    EXPECT_EQ(Track(), 1);
    EXPECT_EQ(Track(), 0);
    // A choice the menu does not hold dismisses it, and is used up.
    platform::QueueMenuChoice(9);
    EXPECT_EQ(Track(), 0);
    EXPECT_EQ(Track(), 0);
    // An empty menu takes no choice.
    const HMENU empty = CreatePopupMenu();
    platform::QueueMenuChoice(2);
    EXPECT_EQ(TrackPopupMenuEx(empty, TPM_RETURNCMD, 0, 0, owner, nullptr), 0);
    EXPECT_TRUE(DestroyMenu(empty));
    EXPECT_EQ(Track(), 2);
}

TEST_F(GuiMenu, WithoutReturnCmdTheChoiceIsPostedToTheOwner) {
    platform::QueueMenuChoice(2);
    EXPECT_TRUE(Track(0));
    MSG msg{};
    ASSERT_TRUE(PeekMessageW(&msg, owner, WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 2u);
    EXPECT_EQ(msg.lParam, 0);
    EXPECT_FALSE(Track(0));
    EXPECT_FALSE(PeekMessageW(&msg, owner, WM_COMMAND, WM_COMMAND, PM_REMOVE));
}

TEST_F(GuiMenu, BadMenusItemsAndOwnersAreRefused) {
    EXPECT_FALSE(AppendMenuW(menu, 0x0800 /* a separator */, 0, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(AppendMenuW(menu, MF_STRING, 4, nullptr));
    platform::QueueMenuChoice(4);
    EXPECT_EQ(Track(), 0);

    // The owner must be a window of the calling thread; a refused menu takes no choice.
    platform::QueueMenuChoice(1);
    EXPECT_FALSE(TrackPopupMenuEx(menu, TPM_RETURNCMD, 0, 0, nullptr, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_WINDOW_HANDLE));
    std::thread([&] {
        EXPECT_FALSE(TrackPopupMenuEx(menu, TPM_RETURNCMD, 0, 0, owner, nullptr));
    }).join();
    EXPECT_EQ(Track(), 1);

    // A menu that is gone, or a handle that is no menu.
    const HMENU gone = CreatePopupMenu();
    EXPECT_TRUE(DestroyMenu(gone));
    EXPECT_FALSE(DestroyMenu(gone));
    EXPECT_FALSE(AppendMenuW(gone, MF_STRING, 1, L"x"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(TrackPopupMenuEx(gone, TPM_RETURNCMD, 0, 0, owner, nullptr));
    const auto font = static_cast<HMENU>(GetStockObject(SYSTEM_FONT));
    EXPECT_FALSE(DestroyMenu(font));
    EXPECT_FALSE(AppendMenuW(font, MF_STRING, 1, L"x"));
}

TEST_F(GuiMenu, TheInputPanelHasNothingToRaise) {
    EXPECT_TRUE(SipShowIM(SIPF_ON));
    EXPECT_TRUE(SipShowIM(SIPF_OFF));
}

} // namespace
