#!/usr/bin/env bash
# Sets Tapweave up on this machine and runs it: installs the Debian packages it needs, builds
# it, shows the device it uses and installs Tapweave onto it with tapweave-install. On a
# display it then starts the recorder through its Start-menu entry "Macros - Create"; without
# one it records the bundled touch script examples/demo.touch, saves the macro and plays it into
# the input journal on standard output.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
bin=$PWD/build/bin
device() { timeout 10 "$bin/tapweave-device" "$@"; }

device init >/dev/null
device info
echo
# Installing again over an installation replaces the product's files and entries; the
# macros stay.
timeout 60 "$bin/tapweave-install" install

echo
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ] && [ "${TAPWEAVE_GUI:-}" != headless ]; then
    timeout 10 "$bin/tapweave-install" start "Macros - Create"
    echo "The recorder floats in the middle of the screen: tap its red button to record, work on"
    echo "the screen, tap its black square to stop; the macro is saved as \"New Macro\" and the"
    echo "library window opens for you to name it. Its X hides it; this ends it:"
    echo "  $bin/tapweave-device post 'Tapweave Class' 'Tapweave Recorder' WM_CLOSE 1 0"
    exit 0
fi

# Without a display the recorder's window is not drawn and the script's taps on its buttons
# reach only the journal, so record and stop are tapped with window messages at the moments
# the script taps them; the stroke between them comes from the script.
macros=$(device path '\Program Files\Tapweave\Macros')
journal=$(mktemp)
trap 'rm -f "$journal"' EXIT
before=$(ls "$macros")
recorder() { device "$1" 'Tapweave Class' 'Tapweave Recorder' "${@:2}"; }
lifts() { grep -c 0x8004 "$journal" || true; }
waitFor() {
    for _ in $(seq 100); do
        if eval "$1"; then return 0; fi
        sleep 0.1
    done
    echo "run.sh: gave up waiting for: $1" >&2
    return 1
}

TAPWEAVE_GUI=headless TAPWEAVE_INPUT=journal:$journal TAPWEAVE_TOUCH=script:$PWD/examples/demo.touch \
    timeout 30 "$bin/tapweave-recorder" &
recorderPid=$!
waitFor '[[ $(device windows) == *"Tapweave Recorder"* ]]'
# A tap on the record button (client 8, 8) once the script has tapped it, then on stop
# (24, 8) once the script has drawn its stroke and tapped stop. Stop opens the library window
# modally, so its lift is posted rather than sent.
waitFor '[ "$(lifts)" -ge 1 ]'
recorder send WM_LBUTTONDOWN 0 $(((8 << 16) | 8)) >/dev/null
recorder send WM_LBUTTONUP 0 $(((8 << 16) | 8)) >/dev/null
waitFor '[ "$(lifts)" -ge 3 ]'
recorder send WM_LBUTTONDOWN 0 $(((8 << 16) | 24)) >/dev/null
recorder post WM_LBUTTONUP 0 $(((8 << 16) | 24))
waitFor '[[ $(device windows) == *"Dialog	Tapweave	"* ]]'
device send Dialog Tapweave WM_COMMAND 1 0 >/dev/null
recorder post WM_CLOSE 1 0
wait "$recorderPid"

saved=$(comm -13 <(echo "$before") <(ls "$macros") | head -n 1)
name=${saved%.macros}
echo "The touch script examples/demo.touch, recorded as \"$name\" (\\Program Files\\Tapweave\\Macros\\$saved):"
sed 's/^/    /' "$macros/$saved"
echo
echo "Played into the input journal instead of the screen:"
TAPWEAVE_INPUT=journal:- timeout 30 "$bin/tapweave-player" "$name"
