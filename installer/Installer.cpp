#include "Installer.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <utility>

#include "InstallPaths.h"
#include "SharedNames.h"
#include "platform/files.h"
#include "platform/modules.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace {

namespace fs = std::filesystem;

const wchar_t* const documentClass = L"macrosfile";

void Complain(const std::string& message) {
    std::fprintf(stderr, "tapweave-install: %s\n", message.c_str());
}

// Whether anything, a dangling link included, is at the device path.
bool OnDevice(const std::wstring& devicePath) {
    std::error_code error;
    const std::string host = platform::HostPath(devicePath);
    return !host.empty() && fs::exists(fs::symlink_status(host, error));
}

// The installation directory the device records; empty when nothing is installed.
std::wstring InstalledDirectory() {
    return RecordedInstallDirectory().value_or(std::wstring());
}

std::wstring InstallKey() {
    return L"Software\\Apps\\" + companyName + L" " + productName;
}

bool SetDefault(HKEY root, const std::wstring& keyName, const wchar_t* name,
                const std::wstring& value) {
    HKEY key = nullptr;
    if (RegCreateKeyExW(root, keyName.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS,
                        nullptr, &key, nullptr) != ERROR_SUCCESS) {
        return false;
    }
    const LONG result =
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                       static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

// A graphical text editor of the host for .macros files. Without one, no program is associated
// and Edit opens the person's own editor in a terminal: a desktop's document opener
// (xdg-open) may have no program for text files at all, and would then open nothing.
std::string FindEditor() {
    for (const char* editor : {"gnome-text-editor", "gedit", "kate", "kwrite", "mousepad", "xed",
                               "pluma", "featherpad", "leafpad", "geany"}) {
        if (const std::optional<std::string> found = platform::FindProgram(editor)) {
            return *found;
        }
    }
    return {};
}

} // namespace

Installer::Installer(std::string buildFolder) : buildFolder(std::move(buildFolder)) {}

Installer::~Installer() {
    if (library) {
        FreeLibrary(library);
    }
}

bool Installer::HasRecorder() const {
    return fs::exists(buildFolder + "/tapweave-recorder");
}

std::vector<Installer::ProductFile> Installer::ProductFiles(const std::wstring& installDir) const {
    std::vector<ProductFile> files = {
        {installDir + L"\\Player.exe", "tapweave-player"},
        {installDir + L"\\Common.dll", "libtapweave-common.so"},
        {L"\\Windows\\Tapweave Help.htm", "Tapweave Help.htm"},
    };
    if (HasRecorder()) {
        files.push_back({installDir + L"\\Recorder.exe", "tapweave-recorder"});
    }
    return files;
}

// Tapweave's folder of the Start menu; empty when the device has no Start menu. With create,
// the Start menu's own folder is made when it is missing.
std::wstring Installer::ShortcutFolder(bool create) {
    wchar_t programs[MAX_PATH] = {};
    if (!SHGetSpecialFolderPath(nullptr, programs, CSIDL_PROGRAMS, create)) {
        return {};
    }
    return std::wstring(programs) + L"\\" + productName;
}

// Keeps what the installation may overwrite or remove, before it changes anything: the
// product's files, the setup library, the Start-menu folder and every registry key that the
// installation or the setup library writes or deletes.
bool Installer::KeepWhatInstallChanges(const std::wstring& installDir) {
    std::vector<std::wstring> paths = {setupLibrary};
    for (const ProductFile& file : ProductFiles(installDir)) {
        paths.push_back(file.devicePath);
    }
    if (const std::wstring folder = ShortcutFolder(true); !folder.empty()) {
        paths.push_back(folder);
    }
    for (const std::wstring& path : paths) {
        if (!before.KeepPath(path)) {
            Complain("cannot keep a copy of " + platform::Utf8(path) +
                     " to put back if the installation fails");
            return false;
        }
    }
    if (!before.KeepKey(HKEY_LOCAL_MACHINE, InstallKey()) ||
        !before.KeepKey(HKEY_LOCAL_MACHINE, productRegistryKey) ||
        !before.KeepKey(HKEY_CLASSES_ROOT, macroExtension) ||
        !before.KeepKey(HKEY_CLASSES_ROOT, documentClass)) {
        Complain("cannot read the device registry");
        return false;
    }
    return true;
}

// The product's files are links to the build's outputs; the programs find the libraries they
// need (the device layer, its Qt backend) beside their targets.
bool Installer::PlaceFile(const ProductFile& file) {
    const fs::path target = fs::path(buildFolder) / file.buildOutput;
    if (!fs::exists(target)) {
        Complain("the build has no " + file.buildOutput + " (in " + buildFolder + ")");
        return false;
    }
    const std::string host = platform::HostPath(file.devicePath);
    std::error_code error;
    if (host.empty()) {
        Complain("cannot place " + platform::Utf8(file.devicePath) + " on the device");
        return false;
    }
    // Already in place (the device links its help file itself): nothing to put or undo.
    if (fs::equivalent(host, target, error)) {
        return true;
    }
    fs::remove(host, error);
    fs::create_symlink(fs::absolute(target), host, error);
    if (error) {
        Complain("cannot place " + platform::Utf8(file.devicePath) + ": " + error.message());
        return false;
    }
    return true;
}

// Creates the folder and those above it that are missing, each remembered for a roll-back.
bool Installer::CreateFolders(const std::wstring& folder) {
    std::wstring path;
    for (std::size_t start = 0; start <= folder.size();) {
        std::size_t end = folder.find(L'\\', start);
        if (end == std::wstring::npos) {
            end = folder.size();
        }
        if (end > start) {
            path += L"\\" + folder.substr(start, end - start);
            if (CreateDirectoryW(path.c_str(), nullptr)) {
                before.AddCreatedFolder(path);
            }
            const DWORD attributes = GetFileAttributesW(path.c_str());
            if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
                return false;
            }
        }
        start = end + 1;
    }
    return true;
}

bool Installer::LoadSetupLibrary() {
    if (!PlaceFile({setupLibrary, "libtapweave-setup.so"})) {
        return false;
    }
    library = LoadLibraryW(setupLibrary);
    if (!library) {
        Complain("cannot load the setup library (error " + std::to_string(GetLastError()) + ")");
        return false;
    }
    installInit = reinterpret_cast<pfnInstall_Init>(GetProcAddressW(library, L"Install_Init"));
    installExit = reinterpret_cast<pfnInstall_Exit>(GetProcAddressW(library, L"Install_Exit"));
    uninstallInit =
        reinterpret_cast<pfnUninstall_Init>(GetProcAddressW(library, L"Uninstall_Init"));
    uninstallExit =
        reinterpret_cast<pfnUninstall_Exit>(GetProcAddressW(library, L"Uninstall_Exit"));
    if (!installInit || !installExit || !uninstallInit || !uninstallExit) {
        Complain("the setup library lacks its hooks");
        return false;
    }
    return true;
}

WORD Installer::WriteShortcuts(const std::wstring& installDir) {
    struct Entry {
        const wchar_t* name;
        std::wstring target;
    };
    const std::wstring recorder = L"\"" + installDir + L"\\Recorder.exe\"";
    const std::wstring player = L"\"" + installDir + L"\\Player.exe\"";
    std::vector<Entry> entries = {
        {L"icon", HasRecorder() ? recorder : player},
        {L"Macros - Show All", player},
        {L"Macros - Useful Tips", L"\"\\Windows\\peghelp.exe\" Tapweave Help.htm"},
    };
    if (HasRecorder()) {
        entries.push_back({L"Macros - Create", recorder});
    }
    const std::wstring folder = ShortcutFolder(true);
    if (folder.empty()) {
        return static_cast<WORD>(entries.size());
    }
    CreateDirectoryW(folder.c_str(), nullptr);
    WORD failed = 0;
    for (Entry& entry : entries) {
        std::wstring path = folder + L"\\" + entry.name + L".lnk";
        if (!SHCreateShortcut(path.data(), entry.target.data())) {
            ++failed;
        }
    }
    return failed;
}

bool Installer::RegisterDocuments() {
    const std::string editor = FindEditor();
    if (editor.empty()) {
        Complain("no graphical text editor found: Edit opens macros with $VISUAL, $EDITOR or vi "
                 "in a terminal");
        return false;
    }
    return SetDefault(HKEY_CLASSES_ROOT, macroExtension, nullptr, documentClass) &&
           SetDefault(HKEY_CLASSES_ROOT, std::wstring(documentClass) + L"\\Shell\\Open\\Command",
                      nullptr, platform::FromUtf8(editor) + L" \"%1\"");
}

bool Installer::RecordInstallDirectory(const std::wstring& installDir) {
    return SetDefault(HKEY_LOCAL_MACHINE, InstallKey(), L"InstallDir", installDir);
}

std::vector<std::wstring> Installer::RemoveRegistration() {
    const std::pair<HKEY, std::wstring> keys[] = {
        {HKEY_CLASSES_ROOT, macroExtension},
        {HKEY_CLASSES_ROOT, documentClass},
        {HKEY_LOCAL_MACHINE, InstallKey()},
    };
    std::vector<std::wstring> failed;
    for (const auto& [root, name] : keys) {
        const LONG result = RegDeleteKeyW(root, name.c_str());
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
            failed.push_back((root == HKEY_CLASSES_ROOT ? L"HKCR\\" : L"HKLM\\") + name);
        }
    }
    return failed;
}

// Puts back what Install changed: the files, shortcuts and registry keys as they were before it,
// and no folder it created.
void Installer::RollBack() {
    for (const std::wstring& part : before.Restore()) {
        Complain("cannot put back " + platform::Utf8(part));
    }
}

void Installer::RemoveProductFiles(const std::vector<ProductFile>& files) {
    for (const ProductFile& file : files) {
        DeleteFileW(file.devicePath.c_str());
    }
    DeleteFileW(setupLibrary);
}

int Installer::Install(const std::wstring& installDir) {
    if (!KeepWhatInstallChanges(installDir)) {
        return 1;
    }
    if (!LoadSetupLibrary()) {
        RollBack();
        return 1;
    }
    const bool previouslyInstalled = !InstalledDirectory().empty();
    if (installInit(nullptr, TRUE, previouslyInstalled, (installDir + L"\\").c_str()) !=
        codeINSTALL_INIT_CONTINUE) {
        Complain("the setup library refused the installation");
        RollBack();
        return 1;
    }
    if (!CreateFolders(installDir + L"\\" + macrosFolderName)) {
        Complain("cannot create " + platform::Utf8(installDir) + " on the device");
        RollBack();
        return 1;
    }
    for (const ProductFile& file : ProductFiles(installDir)) {
        if (!PlaceFile(file)) {
            RollBack();
            return 1;
        }
    }
    const WORD failedShortcuts = WriteShortcuts(installDir);
    const WORD failedValues = RegisterDocuments() ? 0 : 1;
    if (!RecordInstallDirectory(installDir)) {
        Complain("cannot record the installation in the device registry");
        RollBack();
        return 1;
    }
    if (installExit(nullptr, installDir.c_str(), 0, 0, 0, failedValues, failedShortcuts) ==
        codeINSTALL_EXIT_UNINSTALL) {
        Complain("the Start-menu shortcuts could not be written; the installation is undone");
        RollBack();
        return 1;
    }
    std::printf("Tapweave installed in %s on the device %s\n", platform::Utf8(installDir).c_str(),
                platform::HostPath(L"\\").c_str());
    return 0;
}

int Installer::Uninstall() {
    const std::wstring installDir = InstalledDirectory();
    if (installDir.empty()) {
        Complain("Tapweave is not installed on the device " + platform::HostPath(L"\\"));
        return 1;
    }
    if (!LoadSetupLibrary()) {
        return 1;
    }
    uninstallInit(nullptr, installDir.c_str());
    const std::vector<ProductFile> files = ProductFiles(installDir);
    RemoveProductFiles(files);
    std::vector<std::wstring> left;
    std::vector<std::wstring> parts = {ShortcutFolder(false), installDir, setupLibrary};
    for (const ProductFile& file : files) {
        parts.push_back(file.devicePath);
    }
    for (const std::wstring& part : parts) {
        if (!part.empty() && OnDevice(part)) {
            left.push_back(part);
        }
    }
    // The record stays while files of the installation do, so that removal can be run again.
    if (left.empty()) {
        left = RemoveRegistration();
    }
    uninstallExit(nullptr);
    for (const std::wstring& part : left) {
        Complain("cannot remove " + platform::Utf8(part));
    }
    if (!left.empty()) {
        return 1;
    }
    std::printf("Tapweave removed from %s on the device %s\n", platform::Utf8(installDir).c_str(),
                platform::HostPath(L"\\").c_str());
    return 0;
}
