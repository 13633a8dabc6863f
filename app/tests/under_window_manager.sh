#!/usr/bin/env bash
# Runs a command under Xvfb with the openbox window manager, which gives windows real frames.
# Usage: under_window_manager.sh COMMAND [ARGUMENTS...]
set -euo pipefail
unset QT_QPA_PLATFORM
export QUORLIN_WINDOW_MANAGER=openbox
exec timeout 120 xvfb-run -a -s "-screen 0 1280x800x24" bash -c 'openbox & sleep 1; "$@"' _ "$@"
