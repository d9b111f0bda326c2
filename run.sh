#!/usr/bin/env bash
# Sets Tapweave up on this machine and runs it: installs the Debian packages it needs, builds
# it, shows the device it uses, and puts the player, the recorder and a sample macro into the
# device. On a display it then starts the recorder; without one it plays the sample macro into
# the input journal on standard output.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
bin=$PWD/build/bin

"$bin/tapweave-device" init >/dev/null
"$bin/tapweave-device" info

# The device's player and recorder, \Program Files\Tapweave\Player.exe and Recorder.exe, are
# the build's programs, so the macro shortcuts run them. Programs the installer put there are
# kept.
for program in Player Recorder; do
    file=$("$bin/tapweave-device" path "\\Program Files\\Tapweave\\$program.exe")
    mkdir -p "$(dirname "$file")"
    if [ ! -e "$file" ] || [ -L "$file" ]; then
        ln -sfn "$bin/tapweave-${program,,}" "$file"
    fi
done

# A sample macro and its Start-menu shortcut, unless the device has them already. A shortcut is
# the number of bytes of its command line, "#", and the command line.
sample="Sample Tap"
macros=$("$bin/tapweave-device" path '\Program Files\Tapweave\Macros')
shortcuts=$("$bin/tapweave-device" path '\Windows\Start Menu\Programs\Tapweave')
mkdir -p "$macros" "$shortcuts"
if [ ! -e "$macros/$sample.macros" ]; then
    printf 'Press 120 160\nPause 0.1 s\nRelease \n \nPause 0.5 s\nPress 60 80\nMove 180 240\nRelease \n' \
        >"$macros/$sample.macros"
fi
if [ ! -e "$shortcuts/$sample.lnk" ]; then
    command_line="\"\\Program Files\\Tapweave\\Player.exe\" \"$sample\""
    printf '%s#%s' "$(printf '%s' "$command_line" | wc -c)" "$command_line" \
        >"$shortcuts/$sample.lnk"
fi

echo
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "${TAPWEAVE_GUI:-}" != headless ]; then
    echo "The recorder floats in the middle of the screen: tap its red button to record, work on"
    echo "the screen, tap its black square to stop; the macro is saved as \"New Macro\" and the"
    echo "library window opens for you to name it. Its X hides it; Ctrl+C here ends it."
    "$bin/tapweave-recorder"
else
    echo "The sample macro \"$sample\" (\\Program Files\\Tapweave\\Macros\\$sample.macros):"
    sed 's/^/    /' "$macros/$sample.macros"
    echo
    echo "Played into the input journal instead of the screen:"
    TAPWEAVE_INPUT=journal:- "$bin/tapweave-player" "$sample"
fi
