#!/usr/bin/env bash
# tests/packaging/installer_test.sh SETUP.exe ARCH BUILD_DIR: the Windows installer under
# Wine, in a prefix of its own: the silent install (/S), what it puts where, the window
# started from the Start-menu entry, and the silent uninstall taking all of it away again.
# Exit 77 is a skip, its reason on the last line.
set -euo pipefail
installer=$(realpath "$1") arch=$2 build=$(realpath "$3")
top=$(realpath "$(dirname "$0")/../..")
skip() { echo "$1"; exit 77; }
fail() { echo "FAILED: $1"; exit 1; }
[ -n "${DISPLAY:-}" ] || skip "no display for the window (./test.sh starts Xvfb for the Windows phase)"

# The prefix's user folders follow HOME, which is the test's own.
export ICOFORGE_WINEPREFIX=$build/wine-installer
export HOME=$build/wine-installer-home
mkdir -p "$HOME"
wine() { "$top/scripts/wine-run.sh" --arch="$arch" "$@"; }
wine --prepare || skip "no Wine prefix could be made (see above)"
trap 'wine --stop || true' EXIT
drive=$ICOFORGE_WINEPREFIX/drive_c
programs="Program Files"
[ "$arch" = x86_64 ] || [ ! -d "$drive/Program Files (x86)" ] || programs="Program Files (x86)"
installed=$drive/$programs/icoforge
menu_entry="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/icoforge.lnk"
verbs='Software\Classes\SystemFileAssociations\EXT\shell\icoforge'
uninstall_key='Software\Microsoft\Windows\CurrentVersion\Uninstall\icoforge'

# A run before that failed half-way leaves its install; the test starts from none.
if [ -x "$installed/uninstall.exe" ]; then wine "C:\\$programs\\icoforge\\uninstall.exe" /S; WINEPREFIX=$ICOFORGE_WINEPREFIX wineserver -w; fi
# Files of the prefix, but those Wine itself changes as it runs.
files() { (cd "$drive" && find . -path ./windows -prune -o -path '*/Temp' -prune -o -print | sort); }
files >"$build/wine-installer.before"

wine "$installer" /S || fail "the silent install exited with $?"
WINEPREFIX=$ICOFORGE_WINEPREFIX wineserver -w
for file in icoforge.exe bin/icoforge.exe uninstall.exe; do
  [ -f "$installed/$file" ] || fail "the install lacks $programs/icoforge/$file"
done
[ -f "$menu_entry" ] || fail "no Start-menu entry"
# The entry starts the installed window with a folder the user owns.
entry_text=$(iconv -f UTF-16LE -t UTF-8 -c <"$menu_entry" | tr -d '\0')
[[ $entry_text == *'--output "%USERPROFILE%\Pictures\icoforge"'* ]] || fail "the Start-menu entry passes no --output"
target=$(wine "$installed/bin/icoforge.exe" resolve 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\icoforge.lnk' | tr -d '\r')
[ "$target" = "C:\\$programs\\icoforge\\icoforge.exe" ] || fail "the Start-menu entry starts '$target'"
for ext in .exe .dll .icl .ico; do
  key="HKLM\\${verbs/EXT/$ext}"
  wine reg query "$key" /ve | grep -q 'Extract icons with icoforge' || fail "no verb for $ext"
  command=$(wine reg query "$key\\command" /ve | tr -d '\r')
  [[ $command == *REG_EXPAND_SZ*"\"C:\\$programs\\icoforge\\icoforge.exe\" --output \"%USERPROFILE%\\Pictures\\icoforge\" \"%1\""* ]] ||
    fail "the verb for $ext runs: $command"
done
wine reg query "HKLM\\$uninstall_key" /v UninstallString | grep -q 'uninstall.exe' || fail "not in the list of installed programs"

# The window started as the Start menu starts it makes the user's folder, then is closed.
pictures=$(wine cmd /c 'echo %USERPROFILE%\Pictures\icoforge' | tr -d '\r')
output=$(wine winepath -u "$pictures" | tr -d '\r')
rm -rf "$output"
wine start 'C:\ProgramData\Microsoft\Windows\Start Menu\Programs\icoforge.lnk'
for _ in $(seq 100); do [ -d "$output" ] && break; sleep 0.2; done
[ -d "$output" ] || fail "the window started from the Start menu made no $pictures"
wine taskkill /IM icoforge.exe >/dev/null 2>&1 || true
WINEPREFIX=$ICOFORGE_WINEPREFIX wineserver -w

wine "C:\\$programs\\icoforge\\uninstall.exe" /S || fail "the silent uninstall exited with $?"
# The uninstaller works from a copy of itself in the temporary folder, after it returns.
WINEPREFIX=$ICOFORGE_WINEPREFIX wineserver -w
[ ! -e "$installed" ] || fail "the uninstall left $(cd "$installed" && find . | tr '\n' ' ')"
[ ! -e "$menu_entry" ] || fail "the uninstall left the Start-menu entry"
for key in "${verbs/EXT/.exe}" "${verbs/EXT/.dll}" "${verbs/EXT/.icl}" "${verbs/EXT/.ico}" "$uninstall_key"; do
  if wine reg query "HKLM\\$key" >/dev/null 2>&1; then fail "the uninstall left HKLM\\$key"; fi
done
# The icons the user extracted are theirs and stay; anything else new is left behind.
rm -rf "$output"
left=$(comm -13 "$build/wine-installer.before" <(files) | grep -v -x -F "./users/$(basename "$(dirname "$(dirname "$pictures")")")/Pictures" || true)
[ -z "$left" ] || fail "the uninstall left: $left"
echo "installer: silent install, Start-menu window, verbs, silent uninstall leaving nothing"
