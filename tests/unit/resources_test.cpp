// Resources inside a deliverable's file: this test program carries the recorder's, two test
// libraries carry the player's and the setup library's. Read back by number and by index,
// through module handles, and refused cleanly from files that hold none or damaged ones.
#include <gtest/gtest.h>

#include <cstdint>
#include <dlfcn.h>
#include <filesystem>
#include <fstream>
#include <link.h>
#include <string>
#include <vector>

#include "TempDevice.h"
#include "modules/ResourceFile.h"
#include "platform/gui.h"
#include "platform/resources.h"

namespace {

using Bytes = std::vector<BYTE>;

const std::string setupLibrary = TAPWEAVE_BIN_DIR "/libtapweave-test-setup.so";
const std::string playerLibrary = TAPWEAVE_BIN_DIR "/libtapweave-test-player.so";

std::uint32_t Number(const Bytes& bytes, std::size_t offset, int size = 4) {
    std::uint32_t value = 0;
    for (int index = size - 1; index >= 0; --index) {
        value = value << 8 | bytes.at(offset + static_cast<std::size_t>(index));
    }
    return value;
}

struct Rgb {
    int red;
    int green;
    int blue;
};

// A 24-bit bottom-up .bmp as the bitmaps are documented, read pixel by pixel from the top.
class Bitmap {
  public:
    explicit Bitmap(const Bytes& bytes) : bytes(bytes) {
        EXPECT_EQ(bytes.at(0), 'B');
        EXPECT_EQ(bytes.at(1), 'M');
        EXPECT_EQ(Number(bytes, 2), bytes.size());
        EXPECT_EQ(Number(bytes, 14), 40u);
        EXPECT_EQ(Number(bytes, 26, 2), 1u);
        EXPECT_EQ(Number(bytes, 28, 2), 24u);
        EXPECT_EQ(Number(bytes, 30), 0u);
        width = static_cast<int>(Number(bytes, 18));
        height = static_cast<int>(Number(bytes, 22));
        offset = Number(bytes, 10);
    }
    Rgb At(int x, int y) const {
        const std::size_t row = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
        const std::size_t at = offset + row * static_cast<std::size_t>(height - 1 - y) +
                               static_cast<std::size_t>(x) * 3;
        return {bytes.at(at + 2), bytes.at(at + 1), bytes.at(at)};
    }

    int width = 0;
    int height = 0;

  private:
    Bytes bytes;
    std::size_t offset = 0;
};

bool IsYellow(Rgb c) {
    return c.red > 200 && c.green > 180 && c.blue < 60;
}
bool IsBlack(Rgb c) {
    return c.red < 40 && c.green < 40 && c.blue < 40;
}
bool IsRed(Rgb c) {
    return c.red > 180 && c.green < 60 && c.blue < 60;
}
bool IsGreen(Rgb c) {
    return c.green > 120 && c.red < 60 && c.blue < 100;
}

// An icon as documented: width, height, then RGBA rows from the top.
struct Icon {
    explicit Icon(const Bytes& bytes) : bytes(bytes) {
        width = static_cast<int>(Number(bytes, 0));
        height = static_cast<int>(Number(bytes, 4));
    }
    Rgb At(int x, int y) const {
        const std::size_t at = 8 + (static_cast<std::size_t>(y) * 32 + x) * 4;
        return {bytes.at(at), bytes.at(at + 1), bytes.at(at + 2)};
    }
    int Alpha(int x, int y) const {
        return bytes.at(8 + (static_cast<std::size_t>(y) * 32 + x) * 4 + 3);
    }

    Bytes bytes;
    int width = 0;
    int height = 0;
};

std::string Text(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(Resources, ProgramCarriesTheRecorderButtonsIconAndVersion) {
    const std::string program = platform::ModuleFile(GetModuleHandleW(nullptr));
    ASSERT_FALSE(program.empty());
    EXPECT_EQ(platform::ResourceCount(program, RT_BITMAP), 4u);
    EXPECT_EQ(platform::ResourceCount(program, RT_GROUP_ICON), 1u);

    std::vector<Bitmap> bitmaps;
    for (DWORD id = 101; id <= 104; ++id) {
        const auto bytes = platform::ReadResource(program, RT_BITMAP, id);
        ASSERT_TRUE(bytes) << id;
        bitmaps.emplace_back(*bytes);
        EXPECT_EQ(bitmaps.back().width, 16) << id;
        EXPECT_EQ(bitmaps.back().height, 16) << id;
        EXPECT_TRUE(IsYellow(bitmaps.back().At(0, 0))) << id;
        EXPECT_TRUE(IsYellow(bitmaps.back().At(15, 15))) << id;
    }
    const Bitmap& record = bitmaps[0];
    EXPECT_TRUE(IsRed(record.At(8, 8)));
    EXPECT_TRUE(IsRed(record.At(4, 8)));
    const Bitmap& close = bitmaps[1];
    EXPECT_TRUE(IsBlack(close.At(5, 5)));
    EXPECT_TRUE(IsBlack(close.At(10, 5)));
    EXPECT_TRUE(IsYellow(close.At(8, 3)));
    // Two upright bars with a gap: the image is not upside down or on its side.
    const Bitmap& pause = bitmaps[2];
    EXPECT_TRUE(IsBlack(pause.At(5, 3)));
    EXPECT_TRUE(IsBlack(pause.At(10, 12)));
    EXPECT_TRUE(IsYellow(pause.At(5, 2)));
    EXPECT_TRUE(IsYellow(pause.At(5, 13)));
    EXPECT_TRUE(IsYellow(pause.At(8, 8)));
    const Bitmap& stop = bitmaps[3];
    EXPECT_TRUE(IsBlack(stop.At(4, 4)));
    EXPECT_TRUE(IsBlack(stop.At(11, 11)));
    EXPECT_TRUE(IsYellow(stop.At(3, 8)));

    const auto iconBytes = platform::ReadResource(program, RT_GROUP_ICON, 105);
    ASSERT_TRUE(iconBytes);
    const Icon icon(*iconBytes);
    EXPECT_EQ(icon.width, 32);
    EXPECT_EQ(icon.height, 32);
    EXPECT_EQ(iconBytes->size(), 8u + 32 * 32 * 4);
    EXPECT_TRUE(IsRed(icon.At(22, 10)));
    EXPECT_EQ(icon.Alpha(0, 0), 0);

    const auto version = platform::ReadResource(program, RT_VERSION, 1);
    ASSERT_TRUE(version);
    EXPECT_EQ(Text(*version), "041904b0\n"
                              "CompanyName=Veltrane\n"
                              "FileDescription=Recorder Application\n"
                              "FileVersion=0, 0, 0, 0\n"
                              "InternalName=Recorder\n"
                              "OriginalFilename=Recorder.exe\n"
                              "ProductName=Recorder Application\n"
                              "ProductVersion=0, 0, 0, 0\n");
}

TEST(Resources, MissingNumbersKindsAndIndexes) {
    const std::string program = platform::ModuleFile(nullptr);
    EXPECT_FALSE(platform::ReadResource(program, RT_BITMAP, 100));
    EXPECT_FALSE(platform::ReadResource(program, RT_BITMAP, 105));
    EXPECT_FALSE(platform::ReadResource(program, RT_GROUP_ICON, 101));
    EXPECT_FALSE(platform::ReadResource(program, RT_VERSION, 2));
    EXPECT_FALSE(platform::ReadResourceAt(program, RT_BITMAP, 4));
    EXPECT_EQ(platform::ReadResourceAt(program, RT_BITMAP, 0),
              platform::ReadResource(program, RT_BITMAP, 101));
    EXPECT_EQ(platform::ReadResourceAt(program, RT_BITMAP, 3),
              platform::ReadResource(program, RT_BITMAP, 104));
}

TEST(Resources, LibraryIconsByIndexThroughItsModuleHandle) {
    void* library = dlopen(setupLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    link_map* map = nullptr;
    ASSERT_EQ(dlinfo(library, RTLD_DI_LINKMAP, &map), 0);
    // An address inside the library (its ELF header) gives the library's own module.
    const HMODULE module = platform::ModuleOf(reinterpret_cast<const void*>(map->l_addr));
    ASSERT_NE(module, nullptr);
    EXPECT_NE(module, GetModuleHandleW(nullptr));
    const std::string file = platform::ModuleFile(module);
    EXPECT_TRUE(std::filesystem::equivalent(file, setupLibrary)) << file;

    EXPECT_EQ(platform::ResourceCount(file, RT_GROUP_ICON), 2u);
    const auto about = platform::ReadResourceAt(file, RT_GROUP_ICON, 0);
    const auto macro = platform::ReadResourceAt(file, RT_GROUP_ICON, 1);
    ASSERT_TRUE(about && macro);
    EXPECT_EQ(about, platform::ReadResource(file, RT_GROUP_ICON, 101));
    EXPECT_EQ(macro, platform::ReadResource(file, RT_GROUP_ICON, 102));
    EXPECT_FALSE(platform::ReadResourceAt(file, RT_GROUP_ICON, 2));
    // About: a white "i" on a blue disc, its corners clear.
    const Icon aboutIcon(*about);
    EXPECT_EQ(aboutIcon.Alpha(0, 0), 0);
    EXPECT_GT(aboutIcon.At(16, 4).blue, 150);
    EXPECT_EQ(aboutIcon.At(16, 20).red, 255);
    EXPECT_EQ(aboutIcon.At(16, 20).blue, 255);
    EXPECT_TRUE(IsGreen(Icon(*macro).At(22, 24)));
    dlclose(library);
}

TEST(Resources, PlayerIconAndVersion) {
    const auto icon = platform::ReadResource(playerLibrary, RT_GROUP_ICON, 101);
    ASSERT_TRUE(icon);
    EXPECT_EQ(Icon(*icon).width, 32);
    EXPECT_TRUE(IsGreen(Icon(*icon).At(18, 14)));
    EXPECT_EQ(platform::ResourceCount(playerLibrary, RT_BITMAP), 0u);
    const auto version = platform::ReadResource(playerLibrary, RT_VERSION, 1);
    ASSERT_TRUE(version);
    const std::string text = Text(*version);
    EXPECT_EQ(text.substr(0, 9), "041904b0\n");
    for (const char* line : {"\nCompanyName=Veltrane\n", "\nFileDescription=Player Application\n",
                             "\nProductName=Player Application\n", "\nInternalName=Player\n",
                             "\nOriginalFilename=Player.exe\n", "\nFileVersion=0, 0, 0, 0\n",
                             "\nProductVersion=0, 0, 0, 0\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line;
    }
}

TEST(Resources, ModulesOfTheProgramAndOfALibraryWithout) {
    EXPECT_EQ(platform::ModuleOf(reinterpret_cast<const void*>(&Text)), GetModuleHandleW(nullptr));
    EXPECT_EQ(platform::ModuleFile(GetModuleHandleW(nullptr)), "/proc/self/exe");
    EXPECT_EQ(platform::ModuleOf(nullptr), nullptr);
    EXPECT_EQ(platform::ModuleFile(reinterpret_cast<HMODULE>(std::uintptr_t{0x1000})), "");

    // The platform library carries no resources.
    const HMODULE platformModule =
        platform::ModuleOf(reinterpret_cast<const void*>(&platform::ResourceCount));
    const std::string platformFile = platform::ModuleFile(platformModule);
    EXPECT_NE(platformFile.find("libtapweave-platform"), std::string::npos) << platformFile;
    EXPECT_EQ(platform::ResourceCount(platformFile, RT_BITMAP), 0u);
    EXPECT_FALSE(platform::ReadResource(platformFile, RT_VERSION, 1));
}

TEST(Resources, FilesThatAreNoProgramsGiveNothing) {
    TempDevice device;
    device.Write("text.txt", "not a program");
    std::ifstream self("/proc/self/exe", std::ios::binary);
    std::string head(64, '\0');
    self.read(head.data(), 64);
    device.Write("truncated", head);
    for (const std::string& file : {device.Host("text.txt"), device.Host("truncated"),
                                    device.Host("missing"), device.Host("")}) {
        EXPECT_EQ(platform::ResourceCount(file, RT_BITMAP), 0u) << file;
        EXPECT_FALSE(platform::ReadResource(file, RT_BITMAP, 101)) << file;
        EXPECT_FALSE(platform::ReadResourceAt(file, RT_BITMAP, 0)) << file;
    }
}

// A table as the resource compiler lays it out, from entries of (kind, number, data).
Bytes Table(const std::vector<std::tuple<DWORD, DWORD, std::string>>& entries) {
    Bytes table = {'T', 'W', 'R', 'S', 'R', 'C', '0', '1'};
    const auto put = [](Bytes& out, std::uint32_t value) {
        for (int index = 0; index < 4; ++index) {
            out.push_back(static_cast<BYTE>(value >> (8 * index)));
        }
    };
    Bytes data;
    Bytes list;
    const std::size_t start = 16 + 16 * entries.size();
    for (const auto& [type, id, text] : entries) {
        put(list, type);
        put(list, id);
        put(list, static_cast<std::uint32_t>(start + data.size()));
        put(list, static_cast<std::uint32_t>(text.size()));
        data.insert(data.end(), text.begin(), text.end());
        data.resize((data.size() + 7) / 8 * 8);
    }
    put(table, static_cast<std::uint32_t>(entries.size()));
    put(table, static_cast<std::uint32_t>(start + data.size()));
    table.insert(table.end(), list.begin(), list.end());
    table.insert(table.end(), data.begin(), data.end());
    return table;
}

TEST(ResourceTables, TablesOfSeveralPartsJoinAndTheFirstOfTwoWins) {
    Bytes section = Table({{RT_BITMAP, 7, "seven"}, {RT_BITMAP, 3, "three"}});
    section.resize(section.size() + 16, 0);
    const Bytes second = Table({{RT_BITMAP, 5, "five"}, {RT_BITMAP, 7, "other"}});
    section.insert(section.end(), second.begin(), second.end());
    const auto resources = platform::ResourceFile::Parse(section);
    ASSERT_TRUE(resources);
    ASSERT_EQ(resources->size(), 3u);
    EXPECT_EQ((*resources)[0].id, 3u);
    EXPECT_EQ((*resources)[1].id, 5u);
    EXPECT_EQ((*resources)[2].id, 7u);
    EXPECT_EQ(Text((*resources)[2].data), "seven");
}

TEST(ResourceTables, DamagedTablesAreRefused) {
    const Bytes good = Table({{RT_BITMAP, 1, "data"}});
    ASSERT_TRUE(platform::ResourceFile::Parse(good));
    const auto damaged = [&](std::size_t at, BYTE value) {
        Bytes bytes = good;
        bytes.at(at) = value;
        return bytes;
    };
    // The marker; an entry count beyond the table; a table size beyond the section, below its
    // header or not a multiple of 8; data beyond the table.
    for (const Bytes& bytes :
         {damaged(0, 'X'), damaged(8, 200), damaged(12, 200), damaged(12, 8), damaged(12, 33),
          damaged(16 + 8, 250), damaged(16 + 12, 200), Bytes(good.begin(), good.begin() + 20)}) {
        EXPECT_FALSE(platform::ResourceFile::Parse(bytes));
    }
    EXPECT_TRUE(platform::ResourceFile::Parse(Bytes(24, 0)));
}

} // namespace
