// The device's application installer for Tapweave: puts the product's files into the device
// (links to the build's outputs), its Start-menu entries, its document association and its
// installation record, and calls the setup library's hooks around them, as the device's own
// installer does with a product's package; and takes it all away again.
#pragma once

#include <string>
#include <vector>

#include "Snapshot.h"
#include "platform/setup.h"
#include "platform/types.h"

class Installer {
  public:
    // buildFolder: the host folder of the build's programs and libraries.
    explicit Installer(std::string buildFolder);
    ~Installer();
    Installer(const Installer&) = delete;
    Installer& operator=(const Installer&) = delete;

    // Installs into the device path installDir (no trailing backslash). 0 on success; 1 on
    // failure, with everything it changed put back as it was.
    int Install(const std::wstring& installDir);
    // Removes the installation the device records. 0 on success; 1 when there is none, or
    // with a line for each part that could not be removed. While files of the installation
    // remain, its record stays, so that removal can be run again.
    int Uninstall();

    // Whether the build has the recorder, which gets its Start-menu entry only when it exists.
    bool HasRecorder() const;

    static constexpr const wchar_t* setupLibrary = L"\\Windows\\Tapweave Setup.dll";

  private:
    struct ProductFile {
        std::wstring devicePath;
        std::string buildOutput;
    };

    std::vector<ProductFile> ProductFiles(const std::wstring& installDir) const;
    static std::wstring ShortcutFolder(bool create);
    bool KeepWhatInstallChanges(const std::wstring& installDir);
    bool CreateFolders(const std::wstring& folder);
    // Puts the build's setup library in place of any other one (a damaged one included) and
    // loads it.
    bool LoadSetupLibrary();
    bool PlaceFile(const ProductFile& file);
    // The number of entries that could not be written.
    WORD WriteShortcuts(const std::wstring& installDir);
    bool RegisterDocuments();
    bool RecordInstallDirectory(const std::wstring& installDir);
    void RollBack();
    static void RemoveProductFiles(const std::vector<ProductFile>& files);
    // The registry keys that could not be removed.
    static std::vector<std::wstring> RemoveRegistration();

    std::string buildFolder;
    HMODULE library = nullptr;
    pfnInstall_Init installInit = nullptr;
    pfnInstall_Exit installExit = nullptr;
    pfnUninstall_Init uninstallInit = nullptr;
    pfnUninstall_Exit uninstallExit = nullptr;
    // What the device held where Install writes, and the folders it created.
    Snapshot before;
};
