// Drawing without a display: memory DCs and bitmaps, fonts and brushes, and a window's client
// area read back as pixels.
#include <gtest/gtest.h>

#include <csignal>
#include <cstring>
#include <unistd.h>

#include "FixedDisplay.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "gui/GuiBackend.h"
#include "platform/gdi.h"
#include "platform/gui.h"

namespace {

constexpr COLORREF red = RGB(255, 0, 0);
constexpr COLORREF blue = RGB(0, 0, 255);
constexpr COLORREF white = RGB(255, 255, 255);

// A memory DC holding a new bitmap of the size; the DC's first bitmap is kept in *first.
HDC Canvas(int width, int height, HBITMAP* bitmap, HGDIOBJ* first) {
    const HDC dc = CreateCompatibleDC(nullptr);
    *bitmap = CreateCompatibleBitmap(dc, width, height);
    *first = SelectObject(dc, *bitmap);
    return dc;
}

TEST(GuiGdi, BitBltCopiesBetweenMemoryDCsWithinBothBitmaps) {
    HBITMAP sourceBitmap, targetBitmap;
    HGDIOBJ sourceFirst, targetFirst;
    const HDC source = Canvas(4, 3, &sourceBitmap, &sourceFirst);
    const HDC target = Canvas(5, 5, &targetBitmap, &targetFirst);
    ASSERT_TRUE(source && target && sourceFirst && targetFirst);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            SetPixel(source, x, y, RGB(x * 10, y * 10, 7));
        }
    }
    EXPECT_EQ(GetPixel(source, 3, 2), RGB(30, 20, 7));
    EXPECT_EQ(GetPixel(source, 4, 0), CLR_INVALID);
    EXPECT_EQ(SetPixel(source, -1, 0, red), CLR_INVALID);

    // Placed at (3, 3): only the 2 x 2 pixels inside the target arrive.
    ASSERT_TRUE(BitBlt(target, 3, 3, 4, 3, source, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(target, 3, 3), RGB(0, 0, 7));
    EXPECT_EQ(GetPixel(target, 4, 4), RGB(10, 10, 7));
    EXPECT_EQ(GetPixel(target, 2, 3), white);
    // A source origin outside the source moves the copy with it.
    ASSERT_TRUE(BitBlt(target, 0, 0, 2, 2, source, -1, 2, SRCCOPY));
    EXPECT_EQ(GetPixel(target, 0, 0), white);
    EXPECT_EQ(GetPixel(target, 1, 0), RGB(0, 20, 7));
    EXPECT_EQ(GetPixel(target, 1, 1), white);
    // Within one bitmap, overlapping rows are copied as they were.
    ASSERT_TRUE(BitBlt(source, 1, 0, 3, 3, source, 0, 0, SRCCOPY));
    EXPECT_EQ(GetPixel(source, 1, 0), RGB(0, 0, 7));
    EXPECT_EQ(GetPixel(source, 3, 2), RGB(20, 20, 7));

    EXPECT_FALSE(BitBlt(target, 0, 0, 1, 1, source, 0, 0, 0x00EE0086));
    EXPECT_FALSE(BitBlt(target, 0, 0, 1, 1, reinterpret_cast<HDC>(0x7777), 0, 0, SRCCOPY));

    BITMAP info{};
    ASSERT_EQ(GetObjectW(sourceBitmap, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, 4);
    EXPECT_EQ(info.bmHeight, 3);
    EXPECT_EQ(info.bmPlanes, 1);
    EXPECT_EQ(info.bmBitsPixel, 32);
    EXPECT_EQ(GetObjectW(sourceBitmap, 4, &info), 0);

    // A selected bitmap is in use: it cannot be deleted, nor selected into a second DC.
    EXPECT_FALSE(DeleteObject(sourceBitmap));
    EXPECT_EQ(SelectObject(target, sourceBitmap), nullptr);
    EXPECT_EQ(SelectObject(source, sourceFirst), sourceBitmap);
    EXPECT_TRUE(DeleteObject(sourceBitmap));
    EXPECT_FALSE(DeleteObject(sourceBitmap));
    // The DC's own first bitmap goes with the DC.
    EXPECT_TRUE(DeleteDC(source));
    EXPECT_FALSE(DeleteDC(source));
    EXPECT_EQ(GetObjectW(sourceFirst, sizeof info, &info), 0);
    // Deleting a DC releases the bitmap selected into it.
    EXPECT_TRUE(DeleteDC(target));
    EXPECT_TRUE(DeleteObject(targetBitmap));
}

TEST(GuiGdi, FontsKeepTheirDescriptionAndStockObjectsStay) {
    LOGFONTW description{};
    description.lfHeight = 20;
    description.lfWeight = FW_BOLD;
    std::wcscpy(description.lfFaceName, L"Tahoma");
    const HFONT font = CreateFontIndirectW(&description);
    ASSERT_NE(font, nullptr);
    LOGFONTW read{};
    ASSERT_EQ(GetObjectW(font, sizeof read, &read), static_cast<int>(sizeof read));
    EXPECT_EQ(read.lfHeight, 20);
    EXPECT_EQ(read.lfWeight, FW_BOLD);
    EXPECT_EQ(std::wstring(read.lfFaceName), L"Tahoma");
    // A DC starts with the system font.
    const HDC dc = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(dc, font), GetStockObject(SYSTEM_FONT));
    EXPECT_EQ(SelectObject(dc, GetStockObject(SYSTEM_FONT)), font);
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(font));
    EXPECT_EQ(GetObjectW(font, sizeof read, &read), 0);
    EXPECT_EQ(CreateFontIndirectW(nullptr), nullptr);

    const HGDIOBJ gray = GetStockObject(LTGRAY_BRUSH);
    EXPECT_TRUE(DeleteObject(gray));
    EXPECT_EQ(GetStockObject(LTGRAY_BRUSH), gray);
    EXPECT_EQ(GetStockObject(99), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, -1, 5), nullptr);
    EXPECT_EQ(CreateCompatibleBitmap(nullptr, 100000, 100000), nullptr);
}

constexpr int imageSize = 4;
HDC image = nullptr;

// Paints the image at (2, 1) over the class's background.
LRESULT PaintingProcedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(hwnd, &paint);
        EXPECT_FALSE(paint.fErase);
        BitBlt(dc, 2, 1, imageSize, imageSize, image, 0, 0, SRCCOPY);
        EndPaint(hwnd, &paint);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

TEST(GuiGdi, AWindowPaintsItsClientAreaIntoPixelsTheBackendShows) {
    ScopedEnvironment gui("TAPWEAVE_GUI", "headless");
    TempDevice device;
    FixedDisplay display(240, 320);
    alarm(30);
    HBITMAP bitmap;
    HGDIOBJ first;
    image = Canvas(imageSize, imageSize, &bitmap, &first);
    RECT all{0, 0, imageSize, imageSize};
    const HBRUSH brush = CreateSolidBrush(red);
    EXPECT_EQ(FillRect(image, &all, brush), 1);
    SetPixel(image, 0, 0, blue);

    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = PaintingProcedure;
    windowClass.lpszClassName = L"Painting Class";
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    ASSERT_NE(RegisterClassW(&windowClass), 0);
    const HWND hwnd =
        CreateWindowExW(0, L"Painting Class", L"painted", WS_POPUP | WS_BORDER | WS_VISIBLE, 50, 60,
                        12, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    ASSERT_TRUE(UpdateWindow(hwnd));

    platform::Pixels pixels;
    ASSERT_TRUE(platform::GuiBackend::CopyPixels(hwnd, pixels));
    // The client area inside the border: 10 x 8.
    ASSERT_EQ(pixels.width, 10);
    ASSERT_EQ(pixels.height, 8);
    const auto at = [&](int x, int y) { return pixels.data[y * pixels.width + x]; };
    EXPECT_EQ(at(0, 0), 0x00C0C0C0u);
    EXPECT_EQ(at(2, 1), 0x000000FFu);
    EXPECT_EQ(at(3, 1), 0x00FF0000u);
    EXPECT_EQ(at(5, 4), 0x00FF0000u);
    EXPECT_EQ(at(6, 4), 0x00C0C0C0u);

    DestroyWindow(hwnd);
    UnregisterClassW(L"Painting Class", nullptr);
    DeleteObject(brush);
    SelectObject(image, first);
    DeleteDC(image);
    DeleteObject(bitmap);
    EXPECT_FALSE(platform::GuiBackend::CopyPixels(hwnd, pixels));
    alarm(0);
}

} // namespace
