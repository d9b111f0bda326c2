// The desktop's own menu entries for Tapweave, beside the device's Start menu: freedesktop
// .desktop files in the user's applications folder ($XDG_DATA_HOME/applications, by default
// ~/.local/share/applications). They are the only files the installer writes outside the device.
#pragma once

#include <string>

class DesktopEntries {
  public:
    // installer: the host path of tapweave-install, which the entries run to start a shortcut
    // of the device; device: the device's directory.
    DesktopEntries(std::string installer, std::string device);

    // "Tapweave Recorder" (with a recorder) and "Tapweave Macros"; false with a message on
    // standard error when one cannot be written.
    bool Write(bool withRecorder) const;
    // Removes both; a missing one is no failure.
    void Remove() const;

    static std::string Folder();

  private:
    bool WriteEntry(const std::string& file, const std::string& name, const std::string& comment,
                    const std::string& shortcut) const;

    std::string installer;
    std::string device;
};
