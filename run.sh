#!/usr/bin/env bash
# Sets Tapweave up on this machine and runs it: installs the Debian packages it needs, builds
# it, and shows the device it uses and one injected tap in the device's input journal.
set -euo pipefail
cd "$(dirname "$0")"
scripts/deps.sh
cmake --preset default >/dev/null
cmake --build --preset default -j "$(nproc)"
bin=build/bin

"$bin/tapweave-device" init >/dev/null
"$bin/tapweave-device" info
echo
echo "A tap at the screen's centre, written to the input journal instead of the screen:"
TAPWEAVE_INPUT=journal:- "$bin/tapweave-device" mouse 0x8002 32767 32767
TAPWEAVE_INPUT=journal:- "$bin/tapweave-device" mouse 0x8004 32767 32767
