#!/usr/bin/env bash
# Builds the Windows installer around the Windows programs this machine makes (the stand-in
# kelvora.exe of the `windows` preset, see src/standin/main.cpp) with Debian's makensis, and checks
# what it does under Wine, silently, its answers given as switches:
#   1. install with /DESKTOP /AUTOSTART: the files, the Start-menu and desktop shortcuts, the
#      uninstall entry (version, publisher) and the Run value are there; the installed program runs;
#   2. uninstall with no answers: the program, its shortcuts, its entry and its Run value go; the
#      user's data and accounts stay;
#   3. install again, uninstall with /DELETEDATA /FORGETACCOUNTS: the data and the accounts go too.
# Run after scripts/test-windows.sh, which makes the Windows Qt and the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" != --inside ]; then
  started=$SECONDS
  KELVORA_WINDOWS_QT=$(scripts/windows-qt.sh)
  export KELVORA_WINDOWS_QT
  scripts/install-packages.sh nsis wine64 xvfb xauth
  cmake --preset windows >/dev/null
  cmake --build --preset windows --target kelvora
  rm -f build/windows/kelvora-*-win64.exe
  (cd build/windows && cpack -G NSIS >/dev/null)
  installer=$(ls "$PWD"/build/windows/kelvora-*-win64.exe)
  echo "== installer: $(basename "$installer"), $(du -k "$installer" | cut -f1) KB, made in $((SECONDS - started)) s"
  # Wine wants a display for the installer's windows, even silent ones.
  exec xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside "$installer" "$started"
fi
installer=$2
started=$3

work=$(mktemp -d)
trap '/usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$work" /tmp/kelvora-entry.reg' EXIT
export HOME=$work/home WINEPREFIX=$work/prefix WINEDEBUG=-all
# No menu entries or file associations on this machine: Wine's menu builder stays off.
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree,mshtml="
mkdir -p "$HOME"
wine=/usr/lib/wine/wine64
$wine wineboot -i >/dev/null 2>&1
/usr/lib/wine/wineserver -w
user_dir=$WINEPREFIX/drive_c/users/$(id -un)
program_dir=$user_dir/AppData/Local/Programs/Kelvora
menu=$user_dir/AppData/Roaming/Microsoft/Windows/Start\ Menu/Programs/Kelvora
desktop=$user_dir/Desktop
data_dirs=("$user_dir/AppData/Roaming/kelvora" "$user_dir/AppData/Local/kelvora")
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Kelvora'
run_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Run'

failures=0
check() { # what, then the command that must succeed
  local what=$1
  shift
  if "$@" >/dev/null 2>&1; then echo "  ok: $what"; else echo "  FAILED: $what"; failures=$((failures + 1)); fi
}
absent() { ! "$@"; }
registry() { $wine reg query "$@" 2>/dev/null | tr -d '\r'; }
has_value() { registry "$1" /v "$2" | grep -q "$2"; }
installed_program() { # the installed program, as its shortcut starts it: no WINEPATH, its own DLLs
  (cd "$program_dir" && $wine ./kelvora.exe "$@")
}
install() {
  $wine "$installer" /S "$@"
  /usr/lib/wine/wineserver -w
}
uninstall() { # the uninstaller where it is, waited for (_?= keeps it from copying itself away)
  $wine "$program_dir/uninstall.exe" /S "$@" "_?=$(sed 's|/|\\|g; s|^|Z:|' <<<"$program_dir")"
  /usr/lib/wine/wineserver -w
}
# A copy of the installed program, to ask the Credential Manager after the uninstaller ran.
asker() { (cd "$work/asker" && $wine ./kelvora.exe "$@"); }
exported_name() { # the uninstall entry's name, exported as Windows writes it (UTF-16)
  $wine regedit /E 'Z:\tmp\kelvora-entry.reg' "${uninstall_key/HKCU/HKEY_CURRENT_USER}" >/dev/null 2>&1
  iconv -f UTF-16LE -t UTF-8 /tmp/kelvora-entry.reg | tr -d '\r' | grep -q '"DisplayName"="Kelvora 论坛挂机"'
}
leftover_program() { [ -e "$program_dir/kelvora.exe" ] || [ -e "$program_dir/Qt6Core.dll" ]; }

echo "1. install with /DESKTOP /AUTOSTART"
install /DESKTOP /AUTOSTART
check "the program, its icon and its libraries" test -f "$program_dir/kelvora.exe" -a -f "$program_dir/kelvora.ico" -a -f "$program_dir/Qt6Core.dll" -a -f "$program_dir/uninstall.exe"
check "the Start-menu shortcuts" test -f "$menu/Kelvora 论坛挂机.lnk" -a -f "$menu/卸载 Kelvora.lnk"
check "the desktop shortcut" test -f "$desktop/Kelvora 论坛挂机.lnk"
check "the uninstall entry's version" bash -c "$(declare -f registry); wine=$wine; registry '$uninstall_key' /v DisplayVersion | grep -q '0\.1\.0'"
check "the uninstall entry's publisher" bash -c "$(declare -f registry); wine=$wine; registry '$uninstall_key' /v Publisher | grep -q Tavren"
check "the uninstall entry's name" exported_name
check "the Run value, as the program writes it" bash -c "$(declare -f registry); wine=$wine; registry '$run_key' /v Kelvora | grep -q 'kelvora.exe\" --minimized'"
check "the installed program runs on its own libraries" installed_program --forget-accounts
# What a user leaves behind: the slots' state, a browser profile, an account.
for dir in "${data_dirs[@]}"; do mkdir -p "$dir/kelvora" && echo '{"version": 1, "slots": []}' >"$dir/kelvora/slots.json"; done
check "an account kept for slot 3" installed_program --remember-account 3
check "the account is there" installed_program --has-account 3
cp -r "$program_dir" "$work/asker"

echo "2. uninstall with no answers"
uninstall
check "the program is gone" absent leftover_program
check "the Start-menu folder is gone" test ! -e "$menu"
check "the desktop shortcut is gone" test ! -e "$desktop/Kelvora 论坛挂机.lnk"
check "the uninstall entry is gone" absent has_value "$uninstall_key" DisplayName
check "the Run value is gone" absent has_value "$run_key" Kelvora
check "the data stays" test -f "${data_dirs[0]}/kelvora/slots.json" -a -f "${data_dirs[1]}/kelvora/slots.json"
check "the account stays" asker --has-account 3

echo "3. install again; uninstall with /DELETEDATA /FORGETACCOUNTS"
install
check "installed again, no desktop shortcut, no Run value" bash -c "test -f '$program_dir/kelvora.exe' && test ! -e '$desktop/Kelvora 论坛挂机.lnk'"
check "no Run value when not asked for" absent has_value "$run_key" Kelvora
uninstall /DELETEDATA /FORGETACCOUNTS
check "the program is gone" absent leftover_program
check "the data is gone" test ! -e "${data_dirs[0]}" -a ! -e "${data_dirs[1]}"
check "the account is gone" absent asker --has-account 3

echo "== installer rows under Wine: $failures failed, $((SECONDS - started)) s in all"
[ "$failures" -eq 0 ]
