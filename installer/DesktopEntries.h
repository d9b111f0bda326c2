// The desktop's own menu entries for Tapweave, beside the device's Start menu: freedesktop
// .desktop files in the user's applications folder ($XDG_DATA_HOME/applications, by default
// ~/.local/share/applications), each with its icon, the program's own artwork as a PNG in the
// user's icon theme ($XDG_DATA_HOME/icons/hicolor/32x32/apps). They are the only files the
// installer writes outside the device.
#pragma once

#include <string>

class DesktopEntries {
  public:
    // installer: the host path of tapweave-install, which the entries run to start a shortcut
    // of the device, beside the build's programs; device: the device's directory.
    DesktopEntries(std::string installer, std::string device);

    // "Tapweave Recorder" (with a recorder; its action "Quit" ends the running recorder) and
    // "Tapweave Macros"; false with a message on standard error when one cannot be written.
    bool Write(bool withRecorder) const;
    // Removes the entries that start this device's shortcuts, with their icons; whether there
    // were any. Entries written for another device stay.
    bool Remove() const;

    static std::string Folder();
    static std::string IconFolder();

  private:
    // The variable that sends a program to this device, as an argument of an Exec line.
    std::string DeviceArgument() const;

    std::string installer;
    std::string device;
};
