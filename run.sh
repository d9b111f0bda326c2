#!/usr/bin/env bash
# Sets Tapweave up on this machine and runs it: installs the Debian packages it needs, builds
# it, shows the device it uses, and puts the player and a sample macro into the device. On a
# display it then opens the macro library window; without one it plays the sample macro into
# the input journal on standard output.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
bin=$PWD/build/bin

"$bin/tapweave-device" init >/dev/null
"$bin/tapweave-device" info

# The device's player, \Program Files\Tapweave\Player.exe, is the build's tapweave-player, so
# the macro shortcuts run it. A player the installer put there is kept.
player=$("$bin/tapweave-device" path '\Program Files\Tapweave\Player.exe')
mkdir -p "$(dirname "$player")"
if [ ! -e "$player" ] || [ -L "$player" ]; then
    ln -sfn "$bin/tapweave-player" "$player"
fi

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
    echo "The macro library window is open: tap \"$sample\" to play it; tap and hold a macro to"
    echo "rename, edit or delete it; \"ok\" closes the window."
    "$bin/tapweave-player"
else
    echo "The sample macro \"$sample\" (\\Program Files\\Tapweave\\Macros\\$sample.macros):"
    sed 's/^/    /' "$macros/$sample.macros"
    echo
    echo "Played into the input journal instead of the screen:"
    TAPWEAVE_INPUT=journal:- "$bin/tapweave-player" "$sample"
fi
