#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "TempDevice.h"
#include "platform/files.h"

namespace fs = std::filesystem;

namespace {

HANDLE Open(const std::wstring& path, DWORD disposition,
            DWORD access = GENERIC_READ | GENERIC_WRITE) {
    return CreateFileW(path.c_str(), access, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL,
                       nullptr);
}

bool WriteText(HANDLE file, const std::string& text) {
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

std::string ReadText(HANDLE file) {
    std::string text;
    char buffer[7];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) {
        text.append(buffer, read);
    }
    return text;
}

// The names a search finds, in the order it finds them; the last error tells why it ended.
std::vector<std::wstring> Find(const std::wstring& pattern) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    const HANDLE search = FindFirstFileW(pattern.c_str(), &data);
    if (search == INVALID_HANDLE_VALUE) {
        return names;
    }
    do {
        names.emplace_back(data.cFileName);
    } while (FindNextFileW(search, &data));
    const DWORD error = GetLastError();
    EXPECT_TRUE(FindClose(search));
    SetLastError(error);
    return names;
}

// Whether a host path lies below the device's fs/ folder, by its text alone.
bool Inside(const TempDevice& device, const std::string& hostPath) {
    const std::string root = device.Directory() + "/fs";
    return hostPath == root || hostPath.starts_with(root + "/");
}

} // namespace

TEST(DevicePaths, DotDotNeverLeavesTheDevice) {
    TempDevice device;
    EXPECT_EQ(platform::HostPath(L"..\\..\\etc\\passwd"), device.Host("etc/passwd"));
    EXPECT_EQ(platform::HostPath(L"\\Windows\\..\\..\\x"), device.Host("x"));
    EXPECT_EQ(platform::HostPath(L"/Windows/./../Windows/a.txt"), device.Host("Windows/a.txt"));
    for (const wchar_t* path :
         {L"..", L"\\..\\..\\..", L"/../../../tmp", L"\\Windows\\..\\..\\..\\..",
          L"..\\fs\\..\\..\\registry.db", L"", L"\\", L"."}) {
        const std::string host = platform::HostPath(path);
        EXPECT_TRUE(Inside(device, host)) << host;
        EXPECT_EQ(host.find("/.."), std::string::npos) << host;
    }

    const HANDLE file = Open(L"..\\..\\..\\escaped.txt", CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_TRUE(fs::exists(device.Host("escaped.txt")));
    EXPECT_FALSE(fs::exists(fs::path(device.Directory()).parent_path() / "escaped.txt"));
}

TEST(DevicePaths, ExistingNamesMatchWithoutRegardToCase) {
    TempDevice device;
    EXPECT_EQ(platform::HostPath(L"\\WINDOWS\\x"), device.Host("Windows/x"));
    EXPECT_EQ(platform::HostPath(L"windows/start menu\\PROGRAMS/"),
              device.Host("Windows/Start Menu/Programs"));

    // A new name keeps the case it was given and is found again in any case.
    const HANDLE file = Open(L"\\windows\\NewFile.TXT", CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_TRUE(fs::exists(device.Host("Windows/NewFile.TXT")));
    EXPECT_NE(GetFileAttributesW(L"\\WINDOWS\\newfile.txt"), INVALID_FILE_ATTRIBUTES);

    // Beyond ASCII, and the exact name wins when the host holds several cases of one name.
    device.Write("My Documents/Ärger.txt", "umlaut");
    device.Write("My Documents/a.txt", "lower");
    device.Write("My Documents/A.txt", "upper");
    EXPECT_EQ(platform::HostPath(L"\\my documents\\äRGER.TXT"),
              device.Host("My Documents/Ärger.txt"));
    EXPECT_EQ(platform::HostPath(L"\\My Documents\\A.txt"), device.Host("My Documents/A.txt"));
    EXPECT_EQ(platform::HostPath(L"\\My Documents\\a.txt"), device.Host("My Documents/a.txt"));

    // Below a folder that does not exist, every name is taken as given.
    EXPECT_EQ(platform::HostPath(L"\\New\\WINDOWS"), device.Host("New/WINDOWS"));
}

TEST(DevicePaths, NamesWithForbiddenCharactersAreRefused) {
    TempDevice device;
    std::vector<std::wstring> names;
    for (const wchar_t c : std::wstring(L":*?\"<>|")) {
        names.push_back(std::wstring(L"a") + c + L"b");
    }
    for (const wchar_t c : {L'\x01', L'\t', L'\n', L'\x1f'}) {
        names.push_back(std::wstring(L"a") + c + L"b");
    }
    names.push_back(std::wstring(L"a") + static_cast<wchar_t>(0xD800));
    for (const std::wstring& name : names) {
        const std::wstring path = L"\\My Documents\\" + name;
        const auto refused = [&](bool failed) {
            EXPECT_TRUE(failed) << path.size();
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
        };
        EXPECT_EQ(platform::HostPath(path), "");
        EXPECT_EQ(platform::HostPath(name + L"\\x.txt"), "");
        refused(Open(path, CREATE_ALWAYS) == INVALID_HANDLE_VALUE);
        refused(!CreateDirectoryW(path.c_str(), nullptr));
        refused(GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES);
        refused(!DeleteFileW(path.c_str()));
        refused(!MoveFileW(L"\\Windows", path.c_str()));
    }
    EXPECT_EQ(fs::directory_iterator(device.Host("My Documents")), fs::directory_iterator());

    // A search takes wildcards in its last component only.
    WIN32_FIND_DATAW data;
    EXPECT_EQ(FindFirstFileW(L"\\Win*\\x.txt", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
    EXPECT_EQ(FindFirstFileW(L"\\Windows\\a|*", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_NAME));
}

TEST(DevicePaths, DevicePathIsTheReverseOfHostPath) {
    TempDevice device;
    EXPECT_EQ(platform::DevicePath(device.Host("Windows/touch.dll")), L"\\Windows\\touch.dll");
    EXPECT_EQ(platform::DevicePath(device.Host("Program Files/Tapweave/Ä.macros")),
              L"\\Program Files\\Tapweave\\Ä.macros");
    EXPECT_EQ(platform::DevicePath(device.Directory() + "/fs"), L"\\");
    EXPECT_EQ(platform::DevicePath(device.Directory() + "/fs/Windows/../My Documents/"),
              L"\\My Documents");
    // The same device reached through a link.
    const std::string link = device.Directory() + "/run/link";
    fs::create_directory_symlink(device.Directory(), link);
    EXPECT_EQ(platform::DevicePath(link + "/fs/Windows"), L"\\Windows");
    for (const std::string& outside :
         {std::string("/etc/passwd"), link + "/registry.db", device.Directory() + "/registry.db",
          device.Directory() + "/fs/../run/x", device.Directory() + "/fs2/Windows"}) {
        EXPECT_EQ(platform::DevicePath(outside), L"") << outside;
    }
}

TEST(Files, DispositionsFollowTheDevice) {
    TempDevice device;
    const std::wstring path = L"\\My Documents\\notes.txt";

    SetLastError(ERROR_GEN_FAILURE);
    HANDLE file = Open(path, OPEN_EXISTING);
    EXPECT_EQ(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(Open(L"\\No Folder\\notes.txt", CREATE_ALWAYS), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(Open(path, TRUNCATE_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));

    file = Open(path, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    EXPECT_TRUE(WriteText(file, "first"));
    CloseHandle(file);
    EXPECT_EQ(Open(path, CREATE_NEW), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_EXISTS));

    file = Open(path, OPEN_ALWAYS);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(ReadText(file), "first");
    CloseHandle(file);

    file = Open(path, CREATE_ALWAYS);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_TRUE(WriteText(file, "second, longer"));
    CloseHandle(file);
    EXPECT_EQ(device.Read("My Documents/notes.txt"), "second, longer");

    file = Open(path, TRUNCATE_EXISTING);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
    EXPECT_EQ(device.Read("My Documents/notes.txt"), "");
    EXPECT_EQ(Open(path, TRUNCATE_EXISTING, GENERIC_READ), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    file = Open(L"\\My Documents\\new.txt", OPEN_ALWAYS);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SUCCESS));
    CloseHandle(file);

    for (const wchar_t* folder : {L"\\Windows", L"\\", L""}) {
        for (const DWORD disposition : {OPEN_EXISTING, OPEN_ALWAYS, CREATE_ALWAYS}) {
            EXPECT_EQ(Open(folder, disposition), INVALID_HANDLE_VALUE);
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED)) << folder;
        }
    }
    EXPECT_EQ(Open(path, 0), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(CreateFileW(nullptr, GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr),
              INVALID_HANDLE_VALUE);
}

TEST(Files, ReadAndWriteCountTheirBytesAndRespectAccess) {
    TempDevice device;
    HANDLE file = Open(L"\\data.bin", CREATE_NEW, GENERIC_WRITE);
    const std::string content("a\0b\nc\r\nlast", 11);
    EXPECT_TRUE(WriteText(file, content));
    DWORD count = 99;
    EXPECT_TRUE(WriteFile(file, "", 0, &count, nullptr));
    EXPECT_EQ(count, 0u);
    char buffer[4];
    EXPECT_FALSE(ReadFile(file, buffer, sizeof buffer, &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(CloseHandle(file));

    file = Open(L"\\DATA.BIN", OPEN_EXISTING, GENERIC_READ);
    EXPECT_EQ(ReadText(file), content);
    EXPECT_TRUE(ReadFile(file, buffer, sizeof buffer, &count, nullptr));
    EXPECT_EQ(count, 0u) << "reading at the end gives no bytes and no error";
    EXPECT_FALSE(WriteFile(file, "x", 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(CloseHandle(file));

    // A closed handle, and handles that never were, are refused by every call.
    for (const HANDLE bad : {file, static_cast<HANDLE>(nullptr), INVALID_HANDLE_VALUE}) {
        EXPECT_FALSE(ReadFile(bad, buffer, sizeof buffer, &count, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_FALSE(WriteFile(bad, "x", 1, &count, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        EXPECT_FALSE(CloseHandle(bad));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    }
}

TEST(Handles, ValuesAreDistinctAndNotReusedAtOnceAcrossThreads) {
    TempDevice device;
    const HANDLE first = Open(L"\\a.txt", CREATE_ALWAYS);
    ASSERT_NE(first, INVALID_HANDLE_VALUE);
    ASSERT_NE(first, nullptr);
    CloseHandle(first);
    const HANDLE second = Open(L"\\a.txt", OPEN_EXISTING);
    EXPECT_NE(second, first);
    CloseHandle(second);

    constexpr int threads = 4;
    constexpr int perThread = 200;
    std::vector<std::vector<HANDLE>> opened(threads);
    std::vector<std::thread> workers;
    for (int t = 0; t < threads; ++t) {
        workers.emplace_back([&opened, t] {
            for (int i = 0; i < perThread; ++i) {
                opened[t].push_back(Open(L"\\a.txt", OPEN_EXISTING, GENERIC_READ));
                if (i % 2 == 1) {
                    CloseHandle(opened[t][i - 1]);
                }
            }
        });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    std::set<HANDLE> distinct;
    for (const std::vector<HANDLE>& handles : opened) {
        distinct.insert(handles.begin(), handles.end());
    }
    EXPECT_EQ(distinct.size(), static_cast<std::size_t>(threads * perThread));
    EXPECT_FALSE(distinct.contains(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(distinct.contains(nullptr));
    for (const std::vector<HANDLE>& handles : opened) {
        for (std::size_t i = 1; i < handles.size(); i += 2) {
            EXPECT_TRUE(CloseHandle(handles[i]));
        }
    }
}

TEST(FileSearch, PatternsMatchWithoutRegardToCase) {
    TempDevice device;
    device.Write("Windows/Start Menu/Programs/Tapweave/a.lnk", "12345");
    device.Write("Windows/Start Menu/Programs/Tapweave/B.LNK", "");
    device.Write("Windows/Start Menu/Programs/Tapweave/c.lnk.bak", "");
    device.Write("Windows/Start Menu/Programs/Tapweave/README", "");
    fs::create_directory(device.Host("Windows/Start Menu/Programs/Tapweave/sub.lnk"));
    const std::wstring folder = L"\\WINDOWS\\start menu\\Programs\\tapweave\\";

    EXPECT_EQ(Find(folder + L"*.lnk"), (std::vector<std::wstring>{L"B.LNK", L"a.lnk", L"sub.lnk"}));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_NO_MORE_FILES));
    EXPECT_EQ(Find(folder + L"?.LNK"), (std::vector<std::wstring>{L"B.LNK", L"a.lnk"}));
    EXPECT_EQ(Find(folder + L"*.*").size(), 5u);
    EXPECT_EQ(Find(folder + L"*").size(), 5u);
    EXPECT_EQ(Find(folder + L"readme"), (std::vector<std::wstring>{L"README"}));
    EXPECT_EQ(Find(folder + L"*a*e"), (std::vector<std::wstring>{L"README"}));

    WIN32_FIND_DATAW data;
    HANDLE search = FindFirstFileW((folder + L"a.*").c_str(), &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    EXPECT_EQ(data.nFileSizeLow, 5u);
    EXPECT_EQ(data.nFileSizeHigh, 0u);
    EXPECT_EQ(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_FALSE(
        CloseHandle(reinterpret_cast<HANDLE>(reinterpret_cast<std::uintptr_t>(search) + 1)));
    EXPECT_TRUE(CloseHandle(search)) << "CloseHandle ends a search too";
    search = FindFirstFileW((folder + L"SUB.lnk").c_str(), &data);
    EXPECT_NE(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_TRUE(FindClose(search));
    EXPECT_FALSE(FindClose(search));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    EXPECT_EQ(FindFirstFileW((folder + L"*.macros").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(FindFirstFileW(L"\\Missing\\*.lnk", &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_EQ(FindFirstFileW((folder + L"a.lnk\\*").c_str(), &data), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    // A file handle is not a search.
    const HANDLE file = Open(folder + L"a.lnk", OPEN_EXISTING, GENERIC_READ);
    EXPECT_FALSE(FindNextFileW(file, &data));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_FALSE(FindClose(file));
    EXPECT_TRUE(CloseHandle(file));
}

TEST(FileSearch, RemovingEntriesDuringASearchSkipsNone) {
    TempDevice device;
    for (const char* name : {"1", "2", "3", "4"}) {
        device.Write(std::string("My Documents/tree/") + name, name);
    }
    WIN32_FIND_DATAW data;
    const HANDLE search = FindFirstFileW(L"\\My Documents\\tree\\*", &data);
    ASSERT_NE(search, INVALID_HANDLE_VALUE);
    int removed = 0;
    do {
        EXPECT_TRUE(
            DeleteFileW((std::wstring(L"\\My Documents\\tree\\") + data.cFileName).c_str()));
        ++removed;
    } while (FindNextFileW(search, &data));
    FindClose(search);
    EXPECT_EQ(removed, 4);
    EXPECT_TRUE(RemoveDirectoryW(L"\\My Documents\\tree"));
}

TEST(MoveFile, RefusesAnExistingTargetInAnyCase) {
    TempDevice device;
    device.Write("Macros/one.macros", "one");
    device.Write("Macros/two.macros", "two");
    for (const wchar_t* target : {L"\\Macros\\two.macros", L"\\MACROS\\TWO.macros"}) {
        EXPECT_FALSE(MoveFileW(L"\\Macros\\one.macros", target));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    }
    EXPECT_FALSE(MoveFileW(L"\\Macros\\one.macros", L"\\Macros"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(device.Read("Macros/one.macros"), "one");
    EXPECT_EQ(device.Read("Macros/two.macros"), "two");

    EXPECT_FALSE(MoveFileW(L"\\Macros\\three.macros", L"\\Macros\\four.macros"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(MoveFileW(L"\\Macros\\one.macros", L"\\Nowhere\\one.macros"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(MoveFileW(L"\\", L"\\Elsewhere"));
    EXPECT_FALSE(MoveFileW(L"\\Macros", L"\\macros\\inside"));
    EXPECT_TRUE(fs::is_directory(device.Host("Macros")));
}

TEST(MoveFile, RenamesFilesAndFoldersIncludingACaseChangeOnly) {
    TempDevice device;
    device.Write("Macros/a.macros", "steps");
    ASSERT_TRUE(MoveFileW(L"\\macros\\A.MACROS", L"\\Macros\\A.macros"));
    std::vector<std::string> names;
    for (const fs::directory_entry& entry : fs::directory_iterator(device.Host("Macros"))) {
        names.push_back(entry.path().filename().string());
    }
    EXPECT_EQ(names, std::vector<std::string>{"A.macros"});
    EXPECT_EQ(device.Read("Macros/A.macros"), "steps");

    ASSERT_TRUE(MoveFileW(L"\\Macros\\A.macros", L"\\My Documents\\Renamed.macros"));
    EXPECT_EQ(device.Read("My Documents/Renamed.macros"), "steps");
    ASSERT_TRUE(MoveFileW(L"\\Macros", L"\\Program Files\\Library"));
    EXPECT_TRUE(fs::is_directory(device.Host("Program Files/Library")));
    EXPECT_FALSE(fs::exists(device.Host("Macros")));
}

TEST(FileOperations, DeleteAndRemoveKeepToTheirKindAndNeverTakeTheRoot) {
    TempDevice device;
    device.Write("Full/file.txt", "x");
    fs::create_directory(device.Host("Empty"));

    EXPECT_FALSE(DeleteFileW(L"\\Full"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(DeleteFileW(L"\\Full\\missing.txt"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_FALSE(DeleteFileW(L"\\Missing\\file.txt"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
    EXPECT_FALSE(RemoveDirectoryW(L"\\Full"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIR_NOT_EMPTY));
    EXPECT_FALSE(RemoveDirectoryW(L"\\Full\\file.txt"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DIRECTORY));
    EXPECT_FALSE(RemoveDirectoryW(L"\\Missing"));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    for (const wchar_t* root : {L"\\", L"", L"/", L"\\Windows\\..", L"..\\.."}) {
        EXPECT_FALSE(DeleteFileW(root));
        EXPECT_FALSE(RemoveDirectoryW(root));
    }
    EXPECT_TRUE(fs::is_directory(device.Directory() + "/fs"));

    EXPECT_TRUE(DeleteFileW(L"\\FULL\\FILE.TXT"));
    EXPECT_TRUE(RemoveDirectoryW(L"\\full"));
    EXPECT_TRUE(RemoveDirectoryW(L"\\EMPTY"));
    EXPECT_FALSE(fs::exists(device.Host("Full")));
    EXPECT_FALSE(fs::exists(device.Host("Empty")));
}

TEST(FileOperations, CreateDirectoryAndAttributes) {
    TempDevice device;
    EXPECT_TRUE(CreateDirectoryW(L"\\Program Files\\Tapweave", nullptr));
    EXPECT_TRUE(fs::is_directory(device.Host("Program Files/Tapweave")));
    for (const wchar_t* existing : {L"\\PROGRAM FILES\\tapweave", L"\\", L""}) {
        EXPECT_FALSE(CreateDirectoryW(existing, nullptr));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS)) << existing;
    }
    EXPECT_FALSE(CreateDirectoryW(L"\\Missing\\Folder", nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

    device.Write("Windows/touch.dll", "library");
    EXPECT_EQ(GetFileAttributesW(L"\\windows\\TOUCH.DLL") & FILE_ATTRIBUTE_DIRECTORY, 0u);
    EXPECT_EQ(GetFileAttributesW(L"\\Windows"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesW(L"\\"), FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_EQ(GetFileAttributesW(L"\\Windows\\gone.dll"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(GetFileAttributesW(L"\\Gone\\gone.dll"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

TEST(FileOperations, LinksPlacedInTheDeviceOpenButNeverCreateOutsideIt) {
    TempDevice device;
    const std::string outside = device.Directory() + "/outside";
    fs::create_directory(outside);
    {
        std::FILE* program = std::fopen((outside + "/program").c_str(), "w");
        std::fputs("binary", program);
        std::fclose(program);
    }
    fs::create_symlink(outside + "/program", device.Host("Windows/Player.exe"));
    fs::create_symlink(outside + "/created", device.Host("Windows/dangling.txt"));

    HANDLE file = Open(L"\\Windows\\player.exe", OPEN_EXISTING, GENERIC_READ);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadText(file), "binary");
    CloseHandle(file);
    EXPECT_EQ(Find(L"\\Windows\\Player.*"), std::vector<std::wstring>{L"Player.exe"});

    for (const DWORD disposition : {CREATE_ALWAYS, OPEN_ALWAYS, CREATE_NEW}) {
        EXPECT_EQ(Open(L"\\Windows\\dangling.txt", disposition), INVALID_HANDLE_VALUE);
    }
    EXPECT_FALSE(fs::exists(outside + "/created"));
    EXPECT_TRUE(DeleteFileW(L"\\Windows\\Player.exe"));
    EXPECT_TRUE(fs::exists(outside + "/program")) << "deleting a link keeps what it points at";
}
