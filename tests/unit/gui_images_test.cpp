// Icons and bitmaps from resources, image lists, and a list view painting its icons. This test
// program carries the recorder's resources; program files with icons of the test's own making
// are written into the device.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <elf.h>
#include <string>
#include <vector>

#include "FixedDisplay.h"
#include "ScopedEnvironment.h"
#include "TempDevice.h"
#include "gui/GuiBackend.h"
#include "platform/commctrl.h"
#include "platform/gdi.h"
#include "platform/gui.h"
#include "platform/resources.h"

namespace {

using Bytes = std::vector<BYTE>;

constexpr std::uint32_t red = 0xFFFF0000u;
constexpr std::uint32_t green = 0xFF00FF00u;
constexpr std::uint32_t clear = 0x00000000u;

void Put(Bytes& bytes, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes.push_back(static_cast<BYTE>(value >> (8 * i)));
    }
}

// An icon resource of one colour, its top-left pixel clear: width, height, then red, green,
// blue and alpha bytes.
Bytes IconData(std::uint32_t argb, std::uint32_t width = 32, std::uint32_t height = 32) {
    Bytes data;
    Put(data, width);
    Put(data, height);
    for (std::uint32_t i = 0; i < width * height; ++i) {
        const std::uint32_t pixel = i == 0 ? clear : argb;
        data.insert(data.end(), {static_cast<BYTE>(pixel >> 16), static_cast<BYTE>(pixel >> 8),
                                 static_cast<BYTE>(pixel), static_cast<BYTE>(pixel >> 24)});
    }
    return data;
}

struct Resource {
    DWORD type;
    DWORD id;
    Bytes data;
};

// A 64-bit ELF file that holds nothing but the resource section, laid out as the resource
// compiler lays it out: one table, its entries sorted by kind and number.
std::string ProgramFile(const std::vector<Resource>& resources) {
    Bytes table(16 + 16 * resources.size());
    std::vector<std::uint32_t> offsets;
    for (const Resource& resource : resources) {
        offsets.push_back(static_cast<std::uint32_t>(table.size()));
        table.insert(table.end(), resource.data.begin(), resource.data.end());
        table.resize((table.size() + 7) / 8 * 8);
    }
    Bytes header;
    header.insert(header.end(), {'T', 'W', 'R', 'S', 'R', 'C', '0', '1'});
    Put(header, static_cast<std::uint32_t>(resources.size()));
    Put(header, static_cast<std::uint32_t>(table.size()));
    for (std::size_t i = 0; i < resources.size(); ++i) {
        Put(header, resources[i].type);
        Put(header, resources[i].id);
        Put(header, offsets[i]);
        Put(header, static_cast<std::uint32_t>(resources[i].data.size()));
    }
    std::copy(header.begin(), header.end(), table.begin());

    const char names[] = "\0.tapweave.rsrc\0.shstrtab";
    Elf64_Ehdr elf{};
    std::memcpy(elf.e_ident, ELFMAG, SELFMAG);
    elf.e_ident[EI_CLASS] = ELFCLASS64;
    elf.e_ident[EI_DATA] = ELFDATA2LSB;
    elf.e_ident[EI_VERSION] = EV_CURRENT;
    elf.e_type = ET_DYN;
    elf.e_version = EV_CURRENT;
    elf.e_ehsize = sizeof elf;
    elf.e_shentsize = sizeof(Elf64_Shdr);
    elf.e_shnum = 3;
    elf.e_shstrndx = 2;
    const std::size_t tableAt = sizeof elf;
    const std::size_t namesAt = tableAt + table.size();
    elf.e_shoff = (namesAt + sizeof names + 7) / 8 * 8;
    Elf64_Shdr sections[3]{};
    sections[1].sh_name = 1;
    sections[1].sh_type = SHT_PROGBITS;
    sections[1].sh_offset = tableAt;
    sections[1].sh_size = table.size();
    sections[2].sh_name = 16;
    sections[2].sh_type = SHT_STRTAB;
    sections[2].sh_offset = namesAt;
    sections[2].sh_size = sizeof names;

    std::string file(elf.e_shoff + sizeof sections, '\0');
    std::memcpy(file.data(), &elf, sizeof elf);
    std::memcpy(file.data() + tableAt, table.data(), table.size());
    std::memcpy(file.data() + namesAt, names, sizeof names);
    std::memcpy(file.data() + elf.e_shoff, sections, sizeof sections);
    return file;
}

// The colour at a point of a 24-bit bottom-up .bmp, as 0x00RRGGBB.
std::uint32_t BmpPixel(const Bytes& bmp, int x, int y) {
    const auto number = [&](std::size_t at) {
        return static_cast<std::uint32_t>(bmp[at] | bmp[at + 1] << 8 | bmp[at + 2] << 16 |
                                          bmp[at + 3] << 24);
    };
    const std::uint32_t width = number(18);
    const std::uint32_t height = number(22);
    const std::size_t stride = (width * 3 + 3) / 4 * 4;
    const std::size_t at = number(10) + stride * (height - 1 - static_cast<std::uint32_t>(y)) +
                           static_cast<std::size_t>(x) * 3;
    return static_cast<std::uint32_t>(bmp[at + 2] << 16 | bmp[at + 1] << 8 | bmp[at]);
}

class GuiImages : public ::testing::Test {
  protected:
    // Icons of a program file the test puts on the device.
    std::vector<HICON> Extract(const wchar_t* file, int index, UINT count, UINT* extracted) {
        std::vector<HICON> icons(count + 1, nullptr);
        *extracted = ExtractIconExW(file, index, icons.data(), nullptr, count);
        return icons;
    }
    HIMAGELIST ListOf(std::initializer_list<HICON> icons) {
        const HIMAGELIST list = ImageList_Create(32, 32, ILC_MASK, 0, 1);
        for (const HICON icon : icons) {
            ImageList_ReplaceIcon(list, -1, icon);
        }
        return list;
    }

    ScopedEnvironment gui{"TAPWEAVE_GUI", "headless"};
    TempDevice device;
    FixedDisplay display{240, 320};
};

TEST_F(GuiImages, BitmapsAndIconsOfTheProgramsOwnResources) {
    const HINSTANCE program = GetModuleHandleW(nullptr);
    const HBITMAP bitmap = LoadBitmapW(program, MAKEINTRESOURCEW(101));
    ASSERT_NE(bitmap, nullptr);
    const auto bmp = platform::ReadResource(platform::ModuleFile(program), RT_BITMAP, 101);
    ASSERT_TRUE(bmp);
    BITMAP info{};
    ASSERT_EQ(GetObjectW(bitmap, sizeof info, &info), static_cast<int>(sizeof info));
    EXPECT_EQ(info.bmWidth, static_cast<LONG>((*bmp)[18] | (*bmp)[19] << 8));
    EXPECT_EQ(info.bmHeight, static_cast<LONG>((*bmp)[22] | (*bmp)[23] << 8));
    EXPECT_EQ(info.bmBitsPixel, 24);
    EXPECT_GT(info.bmWidth, 1);

    // Its pixels reach a memory DC, the top row first.
    const HDC dc = CreateCompatibleDC(nullptr);
    const HGDIOBJ first = SelectObject(dc, bitmap);
    for (const POINT at : {POINT{0, 0}, POINT{info.bmWidth / 2, info.bmHeight / 2},
                           POINT{info.bmWidth - 1, info.bmHeight - 1}}) {
        const COLORREF pixel = GetPixel(dc, at.x, at.y);
        EXPECT_EQ(RGB(GetRValue(pixel), GetGValue(pixel), GetBValue(pixel)), pixel);
        const std::uint32_t expected = BmpPixel(*bmp, at.x, at.y);
        EXPECT_EQ(pixel, RGB(expected >> 16, (expected >> 8) & 0xFF, expected & 0xFF));
    }
    SelectObject(dc, first);
    DeleteDC(dc);
    EXPECT_TRUE(DeleteObject(bitmap));

    const HICON icon = LoadIconW(program, MAKEINTRESOURCEW(105));
    ASSERT_NE(icon, nullptr);
    EXPECT_TRUE(DestroyIcon(icon));
    EXPECT_FALSE(DestroyIcon(icon));

    // Numbers the program does not hold, a name, a module that is none.
    EXPECT_EQ(LoadBitmapW(program, MAKEINTRESOURCEW(105)), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND));
    EXPECT_EQ(LoadIconW(program, MAKEINTRESOURCEW(101)), nullptr);
    EXPECT_EQ(LoadIconW(program, L"recorder"), nullptr);
    EXPECT_EQ(
        LoadBitmapW(reinterpret_cast<HINSTANCE>(std::uintptr_t{0x1000}), MAKEINTRESOURCEW(101)),
        nullptr);
}

TEST_F(GuiImages, IconsOfAProgramFileOnTheDevice) {
    device.Write("Program Files/Two.exe",
                 ProgramFile({{RT_BITMAP, 1, {1, 2, 3}},
                              {RT_GROUP_ICON, 7, IconData(red)},
                              {RT_GROUP_ICON, 9, IconData(green, 16, 16)}}));
    const wchar_t* const two = L"\\Program Files\\Two.exe";
    EXPECT_EQ(ExtractIconExW(two, -1, nullptr, nullptr, 0), 2u);

    UINT extracted = 0;
    std::vector<HICON> icons = Extract(two, 0, 3, &extracted);
    EXPECT_EQ(extracted, 2u);
    ASSERT_TRUE(icons[0] && icons[1]);
    EXPECT_EQ(icons[2], nullptr);
    // Index 1 and number 9 are the same icon.
    HICON small = nullptr;
    HICON large = nullptr;
    EXPECT_EQ(ExtractIconExW(L"/program files/TWO.EXE", -9, &large, &small, 5), 1u);
    ASSERT_TRUE(large && small);
    const HIMAGELIST list = ListOf({icons[0], icons[1], large, small});
    EXPECT_EQ(ImageList_GetImageCount(list), 4);
    for (const HICON icon : {icons[0], icons[1], large, small}) {
        EXPECT_TRUE(DestroyIcon(icon));
    }
    // The list keeps its copies.
    EXPECT_EQ(ImageList_GetImageCount(list), 4);
    EXPECT_TRUE(ImageList_Destroy(list));

    // Beyond the last icon, by a number the file does not hold, only the small one.
    EXPECT_EQ(ExtractIconExW(two, 2, &large, nullptr, 1), 0u);
    EXPECT_EQ(ExtractIconExW(two, -8, &large, nullptr, 1), 0u);
    EXPECT_EQ(ExtractIconExW(two, 1, nullptr, &small, 1), 1u);
    EXPECT_TRUE(DestroyIcon(small));
}

TEST_F(GuiImages, FilesWithoutUsableIconsGiveNone) {
    // A damaged icon stops the extraction there.
    Bytes cut = IconData(red);
    cut.pop_back();
    device.Write("Windows/short.exe", ProgramFile({{RT_GROUP_ICON, 1, IconData(red)},
                                                   {RT_GROUP_ICON, 2, cut},
                                                   {RT_GROUP_ICON, 3, IconData(red, 0, 0)},
                                                   {RT_GROUP_ICON, 4, IconData(red, 300, 1)}}));
    UINT extracted = 0;
    std::vector<HICON> icons = Extract(L"\\Windows\\short.exe", 0, 4, &extracted);
    EXPECT_EQ(extracted, 1u);
    DestroyIcon(icons[0]);
    for (const int number : {-2, -3, -4}) {
        Extract(L"\\Windows\\short.exe", number, 1, &extracted);
        EXPECT_EQ(extracted, 0u) << number;
    }

    device.Write("Windows/text.exe", "not a program");
    device.Write("Windows/bare.exe", ProgramFile({}));
    std::string damaged = ProgramFile({{RT_GROUP_ICON, 1, IconData(red)}});
    damaged[sizeof(Elf64_Ehdr) + 12] = 0x7F; // the table's size
    device.Write("Windows/damaged.exe", damaged);
    // A path that climbs out of the device stays inside it.
    device.Write("../outside.exe", ProgramFile({{RT_GROUP_ICON, 1, IconData(red)}}));
    for (const wchar_t* file :
         {L"\\Windows\\text.exe", L"\\Windows\\bare.exe", L"\\Windows\\damaged.exe",
          L"\\Windows\\missing.exe", L"\\Windows", L"\\..\\outside.exe", L"bad|name.exe", L""}) {
        Extract(file, 0, 1, &extracted);
        EXPECT_EQ(extracted, 0u);
        EXPECT_EQ(ExtractIconExW(file, -1, nullptr, nullptr, 0), 0u);
    }
    EXPECT_EQ(ExtractIconExW(nullptr, 0, nullptr, nullptr, 1), 0u);
}

TEST_F(GuiImages, ImageListsCountReplaceAndRemove) {
    device.Write("a.exe", ProgramFile({{RT_GROUP_ICON, 1, IconData(red)},
                                       {RT_GROUP_ICON, 2, IconData(green)}}));
    UINT extracted = 0;
    const std::vector<HICON> icons = Extract(L"a.exe", 0, 2, &extracted);
    ASSERT_EQ(extracted, 2u);

    EXPECT_EQ(ImageList_Create(0, 32, ILC_MASK, 0, 1), nullptr);
    EXPECT_EQ(ImageList_Create(32, 257, ILC_MASK, 0, 1), nullptr);
    const HIMAGELIST list = ImageList_Create(32, 32, ILC_MASK, 0, 1);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ImageList_GetImageCount(list), 0);
    EXPECT_EQ(ImageList_ReplaceIcon(list, -1, icons[0]), 0);
    EXPECT_EQ(ImageList_ReplaceIcon(list, -1, icons[1]), 1);
    EXPECT_EQ(ImageList_ReplaceIcon(list, -1, icons[0]), 2);
    EXPECT_EQ(ImageList_ReplaceIcon(list, 1, icons[0]), 1);
    EXPECT_EQ(ImageList_ReplaceIcon(list, 3, icons[0]), -1);
    EXPECT_EQ(ImageList_ReplaceIcon(list, -1, reinterpret_cast<HICON>(list)), -1);
    EXPECT_EQ(ImageList_GetImageCount(list), 3);
    EXPECT_TRUE(ImageList_Remove(list, 0));
    EXPECT_FALSE(ImageList_Remove(list, 2));
    EXPECT_EQ(ImageList_GetImageCount(list), 2);
    EXPECT_TRUE(ImageList_Remove(list, -1));
    EXPECT_EQ(ImageList_GetImageCount(list), 0);
    EXPECT_TRUE(ImageList_Remove(list, -1));

    EXPECT_TRUE(ImageList_Destroy(list));
    EXPECT_FALSE(ImageList_Destroy(list));
    EXPECT_EQ(ImageList_GetImageCount(list), 0);
    EXPECT_EQ(ImageList_ReplaceIcon(list, -1, icons[0]), -1);
    EXPECT_FALSE(ImageList_Remove(list, -1));
    // An image list is no icon, nor a GDI object.
    const HIMAGELIST other = ImageList_Create(32, 32, ILC_MASK, 0, 1);
    EXPECT_FALSE(DestroyIcon(reinterpret_cast<HICON>(other)));
    EXPECT_FALSE(DeleteObject(other));
    EXPECT_TRUE(ImageList_Destroy(other));
    for (std::size_t i = 0; i < extracted; ++i) {
        DestroyIcon(icons[i]);
    }
}

TEST_F(GuiImages, AListViewPaintsItsIconsInTheirCells) {
    device.Write("a.exe", ProgramFile({{RT_GROUP_ICON, 1, IconData(red)},
                                       {RT_GROUP_ICON, 2, IconData(green, 16, 16)}}));
    UINT extracted = 0;
    const std::vector<HICON> icons = Extract(L"a.exe", 0, 2, &extracted);
    ASSERT_EQ(extracted, 2u);
    // The green icon is scaled to the list's size.
    const HIMAGELIST images = ListOf({icons[0], icons[1]});

    const HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_VISIBLE | LVS_SORTASCENDING, 0, 0,
                                      160, 100, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(list, nullptr);
    SendMessageW(list, LVM_SETICONSPACING, 0, 0x0044004B);
    EXPECT_EQ(SendMessageW(list, LVM_SETIMAGELIST, LVSIL_NORMAL, reinterpret_cast<LPARAM>(images)),
              0);
    EXPECT_EQ(SendMessageW(list, LVM_GETIMAGELIST, LVSIL_NORMAL, 0),
              reinterpret_cast<LRESULT>(images));
    for (const auto& [label, image] :
         std::vector<std::pair<const wchar_t*, int>>{{L"b", 1}, {L"a", 0}, {L"c", 5}}) {
        LVITEMW item{};
        item.mask = LVIF_TEXT | LVIF_IMAGE;
        item.pszText = const_cast<wchar_t*>(label);
        item.iImage = image;
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    LVITEMW selected{};
    selected.state = selected.stateMask = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, 1, reinterpret_cast<LPARAM>(&selected));
    UpdateWindow(list);

    platform::Pixels pixels;
    ASSERT_TRUE(platform::GuiBackend::CopyPixels(list, pixels));
    ASSERT_EQ(pixels.width, 160);
    const auto at = [&](int x, int y) {
        return pixels.data[static_cast<std::size_t>(y * pixels.width + x)];
    };
    // "a" (red) in the first cell, "b" (green, selected: tinted with the highlight) in the
    // second, "c" (no such image) on the next row, nothing drawn; a clear pixel shows white.
    const int left = (75 - 32) / 2;
    EXPECT_EQ(at(left, 2), 0x00FFFFFFu);
    EXPECT_EQ(at(left + 1, 3), 0x00FF0000u);
    const std::uint32_t tinted = at(75 + left + 5, 10);
    EXPECT_EQ(tinted, ((0xFF + 0x6A) / 2) << 8 | (0x31 / 2) << 16 | (0xC5 / 2));
    EXPECT_EQ(at(left + 5, 68 + 10), 0x00FFFFFFu);

    const auto items = platform::GuiBackend::ListItems(list);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[1].label, L"b");
    EXPECT_TRUE(items[1].selected);
    EXPECT_FALSE(items[0].selected);
    EXPECT_EQ(items[2].iconRect.top, 68 + 2);
    EXPECT_TRUE(platform::GuiBackend::ListItems(nullptr).empty());

    DestroyWindow(list);
    ImageList_Destroy(images);
    for (std::size_t i = 0; i < extracted; ++i) {
        DestroyIcon(icons[i]);
    }
}

} // namespace
