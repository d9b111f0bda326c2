// The player (the device's Player.exe): plays the macro its shortcut names and ends. Without a
// name it shows the macro library window; with a name that cannot be loaded, the About dialog
// (the "Macros - About" shortcut comes this way). It has no window of its own, so playing a
// macro never loads the on-screen toolkit. From a Linux shell it also takes options: repeat,
// speed, stopping every playback of the device, usage and version.
#include <cstdio>
#include <string>
#include <vector>

#include "Arguments.h"
#include "Macros.h"
#include "PlaybackSpeed.h"
#include "PlayerWindows.h"
#include "ProductVersion.h"
#include "Request.h"
#include "platform/Playbacks.h"
#include "platform/StopKey.h"
#include "platform/StopRequest.h"
#include "platform/alerts.h"
#include "platform/gui.h"
#include "platform/shell.h"
#include "platform/text.h"

namespace {

// The buffer of the module path, in characters, as the device's player has it.
constexpr DWORD modulePathSize = 256;

// How long --stop waits for the playbacks it stopped to end.
constexpr int stopTimeoutMs = 2000;

const char* const usage =
    "usage: tapweave-player [--repeat N] [--speed F] [--] [NAME]\n"
    "       tapweave-player --stop | --help | --version\n"
    "Plays the macro NAME of the device and ends; without a name, shows the macro library.\n"
    "  --repeat N  plays the macro N times; 0 plays it again and again until stopped\n"
    "  --speed F   plays every pause F times faster, from 0.1 to 10 (0.5: twice as slow)\n"
    "  --stop      stops every playback running on the device\n"
    "  --          takes what follows as the name, even when it begins with --\n"
    "On an X display the Pause key stops the playback too. A stopped playback never leaves the\n"
    "stylus pressed.\n";

// A playback ends at its end, at a failing step, or when asked to stop: by --stop, the Pause
// key, SIGINT or SIGTERM. The stylus is released in every case, and the player ends with 0.
int Play(Macros& document, const Request& request) {
    SetPlaybackSpeed(request.speed);
    platform::StopRequest::CatchSignals();
    const std::string entry = platform::Playbacks::Enter();
    {
        const platform::StopKey stopKey;
        for (unsigned long played = 0; request.repeat == 0 || played < request.repeat; ++played) {
            if (!document.Play()) {
                break;
            }
            // A macro without a pause never waits: the stop key is read between plays too.
            platform::StopRequest::ReadSource();
        }
    }
    platform::Playbacks::Leave(entry);
    return 0;
}

} // namespace

int WinMain(HINSTANCE, HINSTANCE, LPWSTR commandLine, int) {
    wchar_t modulePath[modulePathSize] = {};
    if (GetModuleFileNameW(nullptr, modulePath, modulePathSize) == 0) {
        return 0;
    }
    std::vector<std::wstring> arguments = SplitArguments(modulePath, commandLine);
    arguments.erase(arguments.begin());
    const Request request = Request::Read(arguments, !platform::StartedByDeviceShell());
    switch (request.action) {
    case Request::ShowLibrary:
        return ShowLibraryWindow();
    case Request::PlayMacro:
        break;
    case Request::DoNothing:
        // More than one name, such as a name with spaces but no quotes: nothing to do.
        return 0;
    case Request::PrintUsage:
        std::fputs(usage, stdout);
        return 0;
    case Request::PrintVersion:
        std::puts(productVersion);
        return 0;
    case Request::StopPlaybacks:
        platform::Playbacks::StopAll(stopTimeoutMs);
        return 0;
    case Request::Refuse:
        std::fprintf(stderr, "tapweave-player: %s\n%s", request.error.c_str(), usage);
        return 2;
    }
    Macros& document = Macros::GetInstance();
    if (document.Load(request.name)) {
        return Play(document, request);
    }
    // Nobody could close an About dialog without a display: the player says which macro it
    // could not play and ends with 1, so that a script learns that nothing was played.
    if (!platform::OnDisplay()) {
        std::fprintf(stderr, "tapweave-player: no macro \"%s\" to play\n",
                     platform::Utf8(request.name).c_str());
        return 1;
    }
    return ShowAboutWindow();
}

int main() {
    return WinMain(GetModuleHandleW(nullptr), nullptr, platform::CommandLineParameters(), SW_SHOW);
}
