#!/usr/bin/env bash
# Checks the Debian package: its files, its desktop entry, its dependencies, and that the installed
# program starts for an ordinary user, who cannot write to the program's folder, with its skin loaded
# from the engine installed beside it, Qt's Chinese texts loaded, and nothing written there.
# Usage: package_test.sh PATH_TO_DEB
set -euo pipefail
deb=$(realpath "$1")
fail() { echo "package_test: $*"; exit 1; }

expected='./usr/bin/quorlin -> ../libexec/quorlin/quorlin
./usr/bin/quorlin-cipher
./usr/libexec/quorlin/SkinH_EL.dll
./usr/libexec/quorlin/quorlin
./usr/share/applications/quorlin.desktop
./usr/share/icons/hicolor/48x48/apps/quorlin.png
./usr/share/icons/hicolor/scalable/apps/quorlin.svg
./usr/share/man/man1/quorlin-cipher.1.gz
./usr/share/man/man1/quorlin.1.gz'
files=$(dpkg-deb -c "$deb" | grep -v '^d' | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }' | sort)
[ "$files" = "$expected" ] || fail "files differ from the expected ones:
$(diff <(echo "$expected") <(echo "$files") || true)"

depends=$(dpkg-deb -f "$deb" Depends)
for package in libqt6widgets6 libcurl4 libc6 qt6-translations-l10n; do
  [[ ",$depends" == *", $package"* || "$depends" == "$package"* ]] || fail "Depends lacks $package: $depends"
done
apt-get install --simulate "$deb" >/dev/null || fail "apt-get cannot install it"

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
chmod 755 "$root"
dpkg -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/quorlin.desktop" || fail "the desktop entry is not valid"

# The program as nobody, offscreen: it must keep running with its skin, writing nothing.
home=$(mktemp -d -p "$root")
chown nobody "$home"
before=$(ls -A "$root/usr/libexec/quorlin")
env -i PATH=/usr/bin:/bin HOME="$home" QT_QPA_PLATFORM=offscreen \
  setpriv --reuid=nobody --regid=nogroup --clear-groups "$root/usr/bin/quorlin" 2>"$root/stderr" & pid=$!
sleep 2
kill -0 $pid 2>/dev/null || fail "the program did not keep running: $(cat "$root/stderr")"
kill $pid
wait $pid 2>/dev/null || true
# The program says on standard error when its skin or Qt's Chinese texts cannot be loaded.
! grep '^quorlin:' "$root/stderr" || fail "the program could not load all it needs"
[ "$(ls -A "$root/usr/libexec/quorlin")" = "$before" ] || fail "the program wrote into its folder"
echo "package_test: $(basename "$deb") passed"
