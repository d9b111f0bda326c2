#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "ChildProcess.h"
#include "TempDevice.h"
#include "platform/Device.h"
#include "platform/registry.h"

namespace {

// An open key, closed at the end of the scope.
class Key {
  public:
    Key() = default;
    ~Key() {
        if (handle) {
            RegCloseKey(handle);
        }
    }
    Key(const Key&) = delete;
    Key& operator=(const Key&) = delete;

    HKEY* Out() { return &handle; }
    operator HKEY() const { return handle; }

  private:
    HKEY handle = nullptr;
};

LONG Create(HKEY parent, const wchar_t* path, Key& key, DWORD* disposition = nullptr) {
    return RegCreateKeyExW(parent, path, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                           nullptr, key.Out(), disposition);
}

LONG Open(HKEY parent, const wchar_t* path, Key& key) {
    return RegOpenKeyExW(parent, path, 0, 0, key.Out());
}

LONG SetString(HKEY key, const wchar_t* name, const std::wstring& text) {
    return RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
}

LONG SetDword(HKEY key, const wchar_t* name, DWORD value) {
    return RegSetValueExW(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof value);
}

// The value's type and bytes, read the way callers do: the size first, then the data.
struct Value {
    LONG error = ERROR_SUCCESS;
    DWORD type = REG_NONE;
    std::vector<BYTE> data;

    // The text without its terminating NUL, which must be there.
    std::wstring Text() const {
        std::wstring text(reinterpret_cast<const wchar_t*>(data.data()),
                          data.size() / sizeof(wchar_t));
        if (text.empty() || text.back() != L'\0') {
            return L"(no NUL)";
        }
        text.pop_back();
        return text;
    }
    DWORD Dword() const {
        DWORD value = 0;
        std::memcpy(&value, data.data(), std::min(data.size(), sizeof value));
        return value;
    }
};

Value Query(HKEY key, const wchar_t* name) {
    Value value;
    DWORD size = 0;
    value.error = RegQueryValueExW(key, name, nullptr, &value.type, nullptr, &size);
    if (value.error == ERROR_SUCCESS) {
        value.data.resize(size);
        value.error = RegQueryValueExW(key, name, nullptr, &value.type, value.data.data(), &size);
        value.data.resize(size);
    }
    return value;
}

std::string FileContent(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

std::wstring Numbered(const wchar_t* prefix, int number) {
    return prefix + std::to_wstring(number);
}

// Writes count values named prefix0, prefix1, ... under its own key and under a key shared with
// other writers, creating and closing the keys for every value as separate programs would.
bool WriteMany(const wchar_t* ownKey, const wchar_t* prefix, int count) {
    for (int i = 0; i < count; ++i) {
        Key own;
        Key shared;
        if (Create(HKEY_LOCAL_MACHINE, ownKey, own) != ERROR_SUCCESS ||
            Create(HKEY_LOCAL_MACHINE, L"Software\\Shared", shared) != ERROR_SUCCESS ||
            SetDword(own, Numbered(prefix, i).c_str(), i) != ERROR_SUCCESS ||
            SetString(shared, Numbered(prefix, i).c_str(), Numbered(L"text ", i)) !=
                ERROR_SUCCESS) {
            return false;
        }
    }
    return true;
}

void ExpectWritten(const wchar_t* ownKey, const wchar_t* prefix, int count) {
    Key own;
    Key shared;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, ownKey, own), ERROR_SUCCESS);
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, L"Software\\Shared", shared), ERROR_SUCCESS);
    for (int i = 0; i < count; ++i) {
        const Value number = Query(own, Numbered(prefix, i).c_str());
        ASSERT_EQ(number.error, ERROR_SUCCESS) << i;
        EXPECT_EQ(number.Dword(), static_cast<DWORD>(i));
        EXPECT_EQ(Query(shared, Numbered(prefix, i).c_str()).Text(), Numbered(L"text ", i));
    }
}

} // namespace

TEST(Registry, EachTypeComesBackAsWritten) {
    TempDevice device;
    Key key;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, L"Software\\Types", key), ERROR_SUCCESS);

    const std::wstring text = L"Gr\u00fc\u00dfe \u2713 \U0001F600";
    ASSERT_EQ(SetString(key, L"Text", text), ERROR_SUCCESS);
    Value value = Query(key, L"Text");
    EXPECT_EQ(value.type, REG_SZ);
    EXPECT_EQ(value.data.size(), (text.size() + 1) * sizeof(wchar_t));
    EXPECT_EQ(value.Text(), text);

    // Text without its NUL is taken whole; text with a NUL inside ends there.
    const std::wstring bare = L"bare";
    ASSERT_EQ(RegSetValueExW(key, L"Bare", 0, REG_SZ, reinterpret_cast<const BYTE*>(bare.data()),
                             static_cast<DWORD>(bare.size() * sizeof(wchar_t))),
              ERROR_SUCCESS);
    EXPECT_EQ(Query(key, L"Bare").Text(), L"bare");
    const wchar_t cut[] = L"one\0two";
    ASSERT_EQ(
        RegSetValueExW(key, L"Cut", 0, REG_SZ, reinterpret_cast<const BYTE*>(cut), sizeof cut),
        ERROR_SUCCESS);
    EXPECT_EQ(Query(key, L"Cut").Text(), L"one");
    ASSERT_EQ(RegSetValueExW(key, L"Empty", 0, REG_SZ, nullptr, 0), ERROR_SUCCESS);
    EXPECT_EQ(Query(key, L"Empty").Text(), L"");

    ASSERT_EQ(SetDword(key, L"Number", 0xFFFFFFFFu), ERROR_SUCCESS);
    value = Query(key, L"Number");
    EXPECT_EQ(value.type, REG_DWORD);
    EXPECT_EQ(value.data.size(), 4u);
    EXPECT_EQ(value.Dword(), 0xFFFFFFFFu);

    const std::vector<BYTE> bytes = {0, 1, 0, 255, 128, 0};
    for (const DWORD type : {REG_BINARY, 7u}) {
        ASSERT_EQ(
            RegSetValueExW(key, L"Bytes", 0, type, bytes.data(), static_cast<DWORD>(bytes.size())),
            ERROR_SUCCESS);
        value = Query(key, L"Bytes");
        EXPECT_EQ(value.type, type);
        EXPECT_EQ(value.data, bytes);
    }

    // Writing a value again replaces its type and data.
    ASSERT_EQ(SetDword(key, L"Text", 7), ERROR_SUCCESS);
    value = Query(key, L"Text");
    EXPECT_EQ(value.type, REG_DWORD);
    EXPECT_EQ(value.Dword(), 7u);

    // A null and an empty name are both the default value.
    ASSERT_EQ(SetString(key, nullptr, L"default"), ERROR_SUCCESS);
    EXPECT_EQ(Query(key, L"").Text(), L"default");
}

TEST(Registry, ValuesThatCannotBeStoredAreRefusedAndChangeNothing) {
    TempDevice device;
    Key key;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, L"Software\\Refused", key), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, L"Kept", 5), ERROR_SUCCESS);

    const WORD shortNumber = 5;
    EXPECT_EQ(RegSetValueExW(key, L"Kept", 0, REG_DWORD,
                             reinterpret_cast<const BYTE*>(&shortNumber), sizeof shortNumber),
              ERROR_INVALID_PARAMETER);
    const wchar_t text[] = L"abc";
    EXPECT_EQ(RegSetValueExW(key, L"Kept", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), 6),
              ERROR_INVALID_PARAMETER);
    const std::wstring surrogate(1, static_cast<wchar_t>(0xD800));
    EXPECT_EQ(SetString(key, L"Kept", surrogate), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(SetDword(key, surrogate.c_str(), 1), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(RegSetValueExW(key, L"Kept", 0, REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(Query(key, L"Kept").Dword(), 5u);

    Key tooLong;
    EXPECT_EQ(Create(HKEY_LOCAL_MACHINE, std::wstring(256, L'k').c_str(), tooLong),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(static_cast<HKEY>(tooLong), nullptr);
}

TEST(Registry, KeyAndValueNamesIgnoreCase) {
    TempDevice device;
    Key created;
    DWORD disposition = 0;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, L"Software\\Veltrane\\\u00c4rger", created, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_CREATED_NEW_KEY);
    ASSERT_EQ(SetString(created, L"InstallDir", L"\\Storage Card\\TW"), ERROR_SUCCESS);

    Key again;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, L"SOFTWARE\\veltrane\\\u00e4RGER", again, &disposition),
              ERROR_SUCCESS);
    EXPECT_EQ(disposition, REG_OPENED_EXISTING_KEY);
    EXPECT_EQ(Query(again, L"INSTALLDIR").Text(), L"\\Storage Card\\TW");

    // Empty components count for nothing.
    Key opened;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, L"\\software\\\\VELTRANE\\\u00e4rger\\", opened),
              ERROR_SUCCESS);
    ASSERT_EQ(SetString(opened, L"installdir", L"\\Apps"), ERROR_SUCCESS);
    EXPECT_EQ(Query(created, L"InstallDir").Text(), L"\\Apps");

    // The roots are separate trees.
    Key elsewhere;
    EXPECT_EQ(Open(HKEY_CURRENT_USER, L"Software\\Veltrane", elsewhere), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(static_cast<HKEY>(elsewhere), nullptr);
}

TEST(Registry, QueriesReportSizesAndNeverWriteAPartialValue) {
    TempDevice device;
    Key key;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, L"Software\\Sizes", key), ERROR_SUCCESS);
    ASSERT_EQ(SetString(key, L"Text", L"12345"), ERROR_SUCCESS);
    ASSERT_EQ(SetDword(key, L"Number", 42), ERROR_SUCCESS);

    // No buffer: the size and the type only.
    DWORD type = 0;
    DWORD size = 0;
    ASSERT_EQ(RegQueryValueExW(key, L"Text", nullptr, &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 6 * sizeof(wchar_t));
    ASSERT_EQ(RegQueryValueExW(key, L"Number", nullptr, nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);

    // One byte short: the size needed, and the buffer untouched.
    std::vector<BYTE> buffer(6 * sizeof(wchar_t), 0xAB);
    size = static_cast<DWORD>(buffer.size() - 1);
    type = 0;
    EXPECT_EQ(RegQueryValueExW(key, L"Text", nullptr, &type, buffer.data(), &size),
              ERROR_MORE_DATA);
    EXPECT_EQ(size, 6 * sizeof(wchar_t));
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(buffer, std::vector<BYTE>(buffer.size(), 0xAB));

    // A buffer larger than needed: the size used, no type asked.
    wchar_t text[260] = {};
    size = sizeof text;
    ASSERT_EQ(
        RegQueryValueExW(key, L"Text", nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size),
        ERROR_SUCCESS);
    EXPECT_EQ(size, 6 * sizeof(wchar_t));
    EXPECT_EQ(std::wstring(text), L"12345");

    EXPECT_EQ(RegQueryValueExW(key, L"Missing", nullptr, &type, nullptr, &size),
              ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegQueryValueExW(key, L"Text", nullptr, nullptr, buffer.data(), nullptr),
              ERROR_INVALID_PARAMETER);
}

TEST(Registry, DeletingAKeyTakesEverythingBelowItAndKeepsItsSiblings) {
    TempDevice device;
    {
        Key deep;
        Key sibling;
        Key parent;
        ASSERT_EQ(
            Create(HKEY_LOCAL_MACHINE, L"Software\\Veltrane\\Tapweave\\Recorder\\Window", deep),
            ERROR_SUCCESS);
        ASSERT_EQ(SetDword(deep, L"x", 10), ERROR_SUCCESS);
        ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, L"Software\\Veltrane\\Other", sibling), ERROR_SUCCESS);
        ASSERT_EQ(SetDword(sibling, L"kept", 1), ERROR_SUCCESS);
        ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, L"Software\\Veltrane\\Tapweave", parent), ERROR_SUCCESS);
        ASSERT_EQ(SetDword(parent, L"y", 20), ERROR_SUCCESS);
    }

    Key window;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, L"Software\\Veltrane\\Tapweave\\Recorder\\Window", window),
              ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Veltrane\\TAPWEAVE"), ERROR_SUCCESS);
    for (const wchar_t* gone :
         {L"Software\\Veltrane\\Tapweave", L"Software\\Veltrane\\Tapweave\\Recorder",
          L"Software\\Veltrane\\Tapweave\\Recorder\\Window"}) {
        Key key;
        EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, gone, key), ERROR_FILE_NOT_FOUND);
    }
    Key sibling;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, L"Software\\Veltrane\\Other", sibling), ERROR_SUCCESS);
    EXPECT_EQ(Query(sibling, L"kept").Dword(), 1u);
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software\\Veltrane\\Tapweave"),
              ERROR_FILE_NOT_FOUND);

    // A handle to the deleted key fails cleanly, also once a key of that path exists again.
    EXPECT_EQ(Query(window, L"x").error, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(SetDword(window, L"x", 11), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(RegFlushKey(window), ERROR_FILE_NOT_FOUND);
    Key child;
    EXPECT_EQ(Create(window, L"Child", child), ERROR_FILE_NOT_FOUND);
    Key recreated;
    ASSERT_EQ(
        Create(HKEY_LOCAL_MACHINE, L"Software\\Veltrane\\Tapweave\\Recorder\\Window", recreated),
        ERROR_SUCCESS);
    EXPECT_EQ(Query(recreated, L"x").error, ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(SetDword(window, L"x", 11), ERROR_FILE_NOT_FOUND);

    // The roots stay, whichever handle names them.
    EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L""), ERROR_ACCESS_DENIED);
    EXPECT_EQ(RegDeleteKeyW(HKEY_CURRENT_USER, nullptr), ERROR_ACCESS_DENIED);
    Key root;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, L"\\", root), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteKeyW(root, L""), ERROR_ACCESS_DENIED);
    Key software;
    EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, L"Software", software), ERROR_SUCCESS);
}

TEST(Registry, HandlesAreDistinctAndClosingIsHarmless) {
    TempDevice device;
    Key first;
    Key second;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, L"Software", first), ERROR_SUCCESS);
    ASSERT_EQ(Open(first, nullptr, second), ERROR_SUCCESS);
    EXPECT_NE(static_cast<HKEY>(first), static_cast<HKEY>(second));
    for (HKEY root : {HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE}) {
        EXPECT_NE(static_cast<HKEY>(first), root);
        EXPECT_EQ(RegCloseKey(root), ERROR_SUCCESS);
    }
    ASSERT_EQ(SetDword(second, L"v", 3), ERROR_SUCCESS);
    ASSERT_EQ(RegCloseKey(first), ERROR_SUCCESS);
    EXPECT_EQ(RegCloseKey(first), ERROR_INVALID_HANDLE);
    EXPECT_EQ(Query(first, L"v").error, ERROR_INVALID_HANDLE);
    EXPECT_EQ(Query(second, L"v").Dword(), 3u);
    EXPECT_EQ(RegCloseKey(reinterpret_cast<HKEY>(0x1234567)), ERROR_INVALID_HANDLE);
}

TEST(Registry, EnumerationListsNamesInOrderUntilNoMoreItems) {
    TempDevice device;
    Key key;
    ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, L"Software\\List", key), ERROR_SUCCESS);
    for (const wchar_t* name : {L"beta\\deeper", L"Alpha", L"gamma"}) {
        Key child;
        ASSERT_EQ(Create(key, name, child), ERROR_SUCCESS);
        ASSERT_EQ(SetDword(key, name, 1), ERROR_SUCCESS);
    }
    std::vector<std::wstring> keys;
    wchar_t name[16];
    DWORD length = 16;
    LONG error;
    while ((error = RegEnumKeyExW(key, static_cast<DWORD>(keys.size()), name, &length, nullptr,
                                  nullptr, nullptr, nullptr)) == ERROR_SUCCESS) {
        keys.emplace_back(name, length);
        length = 16;
    }
    EXPECT_EQ(error, ERROR_NO_MORE_ITEMS);
    EXPECT_EQ(keys, (std::vector<std::wstring>{L"Alpha", L"beta", L"gamma"}));

    DWORD type = 0;
    DWORD number = 0;
    DWORD size = sizeof number;
    ASSERT_EQ(RegEnumValueW(key, 1, name, &length, nullptr, &type, reinterpret_cast<BYTE*>(&number),
                            &size),
              ERROR_SUCCESS);
    EXPECT_EQ(std::wstring(name, length), L"beta\\deeper");
    EXPECT_EQ(number, 1u);
    EXPECT_EQ(RegEnumValueW(key, 3, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_NO_MORE_ITEMS);
    // A name buffer without room for the NUL is too short.
    length = 5;
    EXPECT_EQ(RegEnumKeyExW(key, 0, name, &length, nullptr, nullptr, nullptr, nullptr),
              ERROR_MORE_DATA);
}

TEST(Registry, TwoProcessesWriteAtOnceAndLoseNothing) {
    TempDevice device;
    constexpr int count = 200;
    // Neither child finds an open connection or even a database: both create it at once.
    ChildProcess first([] { return WriteMany(L"Software\\First", L"a", count) ? 0 : 1; });
    ChildProcess second([] { return WriteMany(L"Software\\Second", L"b", count) ? 0 : 1; });
    ASSERT_TRUE(first.Started());
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(first.ExitCode(std::chrono::seconds(60)), 0);
    EXPECT_EQ(second.ExitCode(std::chrono::seconds(60)), 0);

    ExpectWritten(L"Software\\First", L"a", count);
    ExpectWritten(L"Software\\Second", L"b", count);
}

TEST(Registry, ThreadsOfOneProcessWriteAtOnce) {
    TempDevice device;
    constexpr int count = 100;
    bool firstDone = false;
    bool secondDone = false;
    std::thread first([&] { firstDone = WriteMany(L"Software\\First", L"a", count); });
    std::thread second([&] { secondDone = WriteMany(L"Software\\Second", L"b", count); });
    first.join();
    second.join();
    EXPECT_TRUE(firstDone);
    EXPECT_TRUE(secondDone);
    ExpectWritten(L"Software\\First", L"a", count);
    ExpectWritten(L"Software\\Second", L"b", count);
}

TEST(Registry, ADamagedDatabaseFailsEveryCallAndIsLeftAsItWas) {
    TempDevice device;
    const std::string file = platform::Device::RegistryFile();
    std::string garbage(4096, '\0');
    for (std::size_t i = 0; i < garbage.size(); ++i) {
        garbage[i] = static_cast<char>(i * 7 + 3);
    }
    std::ofstream(file, std::ios::binary) << garbage;

    for (int attempt = 0; attempt < 2; ++attempt) {
        Key key;
        EXPECT_EQ(Create(HKEY_LOCAL_MACHINE, L"Software", key), ERROR_BADDB);
        EXPECT_EQ(static_cast<HKEY>(key), nullptr);
        EXPECT_EQ(Open(HKEY_LOCAL_MACHINE, L"Software", key), ERROR_BADDB);
        EXPECT_EQ(Query(HKEY_LOCAL_MACHINE, L"v").error, ERROR_BADDB);
        EXPECT_EQ(SetDword(HKEY_LOCAL_MACHINE, L"v", 1), ERROR_BADDB);
        EXPECT_EQ(RegDeleteKeyW(HKEY_LOCAL_MACHINE, L"Software"), ERROR_BADDB);
        EXPECT_EQ(RegFlushKey(HKEY_LOCAL_MACHINE), ERROR_BADDB);
    }
    EXPECT_EQ(FileContent(file), garbage);

    // A folder in its place cannot be opened.
    std::filesystem::rename(file, file + ".damaged");
    std::filesystem::create_directory(file);
    Key key;
    EXPECT_EQ(Create(HKEY_LOCAL_MACHINE, L"Software", key), ERROR_CANTOPEN);
    EXPECT_TRUE(std::filesystem::is_empty(file));

    // Once the file is taken away the next call opens a fresh database.
    std::filesystem::remove(file);
    EXPECT_EQ(Create(HKEY_LOCAL_MACHINE, L"Software", key), ERROR_SUCCESS);
    EXPECT_EQ(FileContent(file + ".damaged"), garbage);
}

TEST(Registry, WhatWasWrittenSurvivesTheWriterAndAReopen) {
    TempDevice device;
    {
        Key key;
        ASSERT_EQ(Create(HKEY_LOCAL_MACHINE, L"Software\\Kept", key), ERROR_SUCCESS);
        ASSERT_EQ(SetString(key, L"InstallDir", L"\\Program Files\\Tapweave"), ERROR_SUCCESS);
        ASSERT_EQ(RegFlushKey(key), ERROR_SUCCESS);
    }

    // A child writes beside the parent's open connection and ends without closing its own.
    ChildProcess child([] {
        Key key;
        return Create(HKEY_LOCAL_MACHINE, L"Software\\Kept", key) == ERROR_SUCCESS &&
                       SetDword(key, L"x", 17) == ERROR_SUCCESS && RegFlushKey(key) == ERROR_SUCCESS
                   ? 0
                   : 1;
    });
    ASSERT_TRUE(child.Started());
    ASSERT_EQ(child.ExitCode(std::chrono::seconds(60)), 0);

    platform::Device::Reset();
    Key key;
    ASSERT_EQ(Open(HKEY_LOCAL_MACHINE, L"software\\kept", key), ERROR_SUCCESS);
    EXPECT_EQ(Query(key, L"InstallDir").Text(), L"\\Program Files\\Tapweave");
    EXPECT_EQ(Query(key, L"x").Dword(), 17u);
}
