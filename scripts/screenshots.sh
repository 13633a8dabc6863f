#!/usr/bin/env bash
# Takes the README's screenshots under Xvfb with the openbox window manager: the Open dialog over the
# main window (docs/open-dialog.png), then the main window with the opened text (docs/window.png).
# Needs a release build (scripts/package.sh or scripts/run.sh) and ImageMagick's import.
set -euo pipefail
cd "$(dirname "$0")/.."
command -v import >/dev/null || { echo "screenshots.sh: needs ImageMagick (apt-get install imagemagick)"; exit 1; }
program=build/release/app/quorlin
[ -x "$program" ] || { echo "screenshots.sh: build the release program first"; exit 1; }

# The program in a folder of its own, started in a folder of notes, where its dialogs open.
run=/tmp/quorlin-screenshots
rm -rf "$run"
trap 'rm -rf "$run"' EXIT
mkdir -p "$run/program" "$run/笔记/归档"
cp "$program" "$run/program/quorlin"
printf '%s\r\n' '星期五，晴。' '今天把这份记事加密保存，密码只有我知道。' '' \
  'Friday, sunny. The note is saved encrypted under a number only I know.' |
  iconv -f UTF-8 -t GBK > "$run/笔记/note.txt"
printf '%s\r\n' '周六出发，带上相机。' | iconv -f UTF-8 -t GBK > "$run/笔记/旅行计划.txt"
printf 'x%.0s' {1..104} > "$run/笔记/notes-2025.enc"

# The window's outer frame is 766x485, centred on the 1280x800 screen.
crop=766x485+257+157
app/tests/under_window_manager.sh bash -c '
  set -euo pipefail
  cd "$1/笔记"
  HOME=$1 LANG=zh_CN.UTF-8 ../program/quorlin 2>/dev/null & pid=$!
  w=$(xdotool search --sync --name "^QuorlinV1\.2$" | head -n 1)
  sleep 1
  xdotool mousemove --window "$w" 20 10 click 1   # 文件
  sleep 0.5
  xdotool key Down Down Return                    # 打开
  sleep 1.5
  import -window root -crop "$3" "$2/docs/open-dialog.png"
  xdotool type note.txt
  xdotool key Return
  sleep 1
  xdotool mousemove 0 0
  sleep 0.5
  import -window root -crop "$3" "$2/docs/window.png"
  kill $pid' _ "$run" "$PWD" "$crop"
echo "docs/open-dialog.png and docs/window.png written"
