#!/usr/bin/env bash
# Runs a command on an X server (Xvfb, 1280x800) with a real window manager (openbox), which frames a
# window only once it maps it, and exits with the command's exit code.
# Usage: under_window_manager.sh COMMAND [ARGUMENT...]
set -euo pipefail
unset QT_QPA_PLATFORM
exec timeout 300 xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
  ready=$(mktemp -u)
  openbox --startup "touch $ready" >/dev/null 2>&1 &
  for _ in $(seq 100); do [ -e "$ready" ] && break; sleep 0.1; done
  [ -e "$ready" ] || { echo "openbox did not start"; exit 1; }
  rm -f "$ready"
  "$@"' _ "$@"
