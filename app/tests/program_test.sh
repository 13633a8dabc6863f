#!/usr/bin/env bash
# The real program: it starts offscreen and under an X server (Xvfb) in a fresh run directory, writes
# its skin engine there hidden, and ends with exit code 0 on Esc, also after asking about changed text
# (where only No lets it go).
# Usage: program_test.sh PATH_TO_QUORLIN WINDOW_CAPTION
set -euo pipefail
program=$1
caption=$2
run=$(mktemp -d)
trap 'rm -rf "$run"' EXIT
cp "$program" "$run/quorlin"

# Offscreen it has no way to be closed: it must still be running after two seconds.
QT_QPA_PLATFORM=offscreen "$run/quorlin" 2>/dev/null & pid=$!
sleep 2
kill -0 $pid 2>/dev/null || { echo "the program did not keep running offscreen"; exit 1; }
kill $pid
wait $pid 2>/dev/null || true
rm -f "$run/SkinH_EL.dll" "$run/.hidden"

unset QT_QPA_PLATFORM

# Runs the program under Xvfb with the steps given as xdotool commands in $1; prints its exit code.
session() {
  timeout 60 xvfb-run -a -s "-screen 0 1280x800x24" bash -c '
    "$1/quorlin" 2>/dev/null & pid=$!
    w=$(xdotool search --sync --name "^${3//./\\.}$" | head -n 1)
    sleep 0.5
    eval "$2"
    wait $pid; echo $?' _ "$run" "$1" "$caption"
}

code=$(session 'xdotool windowfocus --sync $w key Escape')
[ "$code" = 0 ] || { echo "closed with Esc: exit code $code, not 0"; exit 1; }
[ -f "$run/SkinH_EL.dll" ] || { echo "the skin engine was not written"; exit 1; }
grep -qx 'SkinH_EL.dll' "$run/.hidden" || { echo "the skin engine is not hidden"; exit 1; }

# Changed text: Esc asks first; Esc on the question is its Cancel and keeps the window, whose text is
# still there to be dropped with No (Alt+N) on the next close.
code=$(session 'xdotool windowfocus --sync $w type abc
  xdotool windowfocus --sync $w key Escape
  q=$(xdotool search --sync --name "^提示$" | head -n 1)
  sleep 0.3
  xdotool windowfocus --sync $q key Escape
  sleep 0.5
  kill -0 $pid 2>/dev/null || { echo "gone after Cancel"; exit; }
  xdotool windowfocus --sync $w key Escape
  q=$(xdotool search --sync --name "^提示$" | head -n 1)
  sleep 0.3
  xdotool windowfocus --sync $q key alt+n')
[ "$code" = 0 ] || { echo "closed after a change: exit code $code, not 0"; exit 1; }
