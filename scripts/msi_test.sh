#!/usr/bin/env bash
# msi_test.sh <windows-build-dir>: tries the Windows installer
# (Tidewash-<version>-x64.msi, target tidewash_msi) as a user's machine
# would, under Wine in a throw-away prefix of its own (made once, removed
# at the end; nothing of the build's own prefix or the user's is used):
#   - every DLL the installed modules import is installed or the system's;
#   - msiexec /i installs every file of the package, byte for byte as the
#     build laid it out (packaging/msi);
#   - the registration the installer wrote is exactly what the modules'
#     own DllRegisterServer writes (unregistered and registered again with
#     regsvr32, the keys must read the same), and every value of its
#     Registry table reads back;
#   - the handler is created by its class through the system's COM,
#     scans a test tree, shows its review window, where a folder is
#     unchecked, and purges the rest (handler_Tidewash_win32_test, copied
#     alone into the prefix: the DLLs it loads are the installed ones);
#   - the wizard and the settings editor have their Start menu entries;
#   - msiexec /x removes every file, the folder, the Start menu entry and
#     its folder, and every key of its Registry table, each asked for with
#     reg query.
set -euo pipefail
build=$(cd "${1:?usage: msi_test.sh <windows-build-dir>}" && pwd)
msi=$(ls "$build"/Tidewash-*-x64.msi)
stage=$build/packaging/msi
client=$build/out/handler_Tidewash_win32_test.exe

fail() { echo "msi test: $*" >&2; exit 1; }

work=$(mktemp -d "${TIDEWASH_TEST_TMPDIR:-${TMPDIR:-/tmp}}/tws-msi.XXXXXX")
export WINEPREFIX=$work/prefix WINEDEBUG=-all WINEARCH=win64
# As cmake/wine-run.in: no .NET or Gecko installers, no menu entries, no
# debugger; the recycle bin in the throw-away folder.
export WINEDLLOVERRIDES='mscoree,mshtml=;winedbg.exe=d;winemenubuilder.exe=d'
export XDG_DATA_HOME=$work/xdg-data
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$XDG_DATA_HOME"
wineboot --init >"$work/wineboot.log" 2>&1 || { cat "$work/wineboot.log" >&2; fail "wineboot failed"; }
# Windows need a graphics driver, as in cmake/wine-run.in: the X server's
# when there is a display, else Wine's null driver. A fresh prefix takes
# the X server's, and without a display no window can be made (the review
# window of the installed handler's test never came up). The desktop that
# wineboot started keeps the driver it failed to load for as long as the
# server lives: the server is ended so that the next program starts a
# desktop with the null driver.
if [[ -z ${DISPLAY:-} ]]; then
  wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f </dev/null >"$work/out.log" 2>&1 ||
    { cat "$work/out.log" >&2; fail "cannot choose Wine's null graphics driver"; }
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w >/dev/null 2>&1 || true
fi

# A command under Wine, its output kept for the message when it fails.
run() { wine "$@" </dev/null >"$work/out.log" 2>&1; }
windows_msi="Z:${msi//\//\\}"

# The package's own tables: its files (name) and its registry values
# (HKCR or HKLM, key, name; "" is the default value).
msiinfo export "$msi" File | tail -n +4 | cut -f3 >"$work/files"
msiinfo export "$msi" Registry | tail -n +4 |
  awk -F'\t' '{ root = $2 == 0 ? "HKCR" : $2 == 2 ? "HKLM" : "root" $2; print root "\\" $3 "\t" $4 }' >"$work/values"
(($(wc -l <"$work/files") >= 3)) || fail "the package lists no files"
grep -q . "$work/values" || fail "the package writes no registry values"
# The keys asked for whole: those no other key of the table lies below.
cut -f1 "$work/values" | sort -u | awk '
  { keys[NR] = $0 }
  END { for (i in keys) { top = 1; for (j in keys) if (i != j && index(keys[i], keys[j] "\\") == 1) top = 0
                          if (top) print keys[i] } }' | sort >"$work/roots"

# Every DLL a file of the package imports is in the package or is one of
# the system's (system32 of the fresh prefix).
system32=$WINEPREFIX/drive_c/windows/system32
while read -r name; do
  while read -r import; do
    grep -qixF -- "$import" "$work/files" || [[ -n $(find "$system32" -maxdepth 1 -iname "$import" -print -quit) ]] ||
      fail "$name imports $import, which is neither installed nor the system's"
  done < <("${TIDEWASH_OBJDUMP:-x86_64-w64-mingw32-objdump}" -p "$stage/$name" | awk '/DLL Name:/ { print $3 }')
done <"$work/files"

run msiexec /i "$windows_msi" /qn || { cat "$work/out.log" >&2; fail "msiexec /i failed"; }
install=$WINEPREFIX/drive_c/Program\ Files/Tidewash
while read -r name; do
  cmp -s "$stage/$name" "$install/$name" || fail "$name is not installed as built"
done <"$work/files"

# The wizard in the Start menu. The package is per machine (ALLUSERS=1),
# where Windows takes the common Start menu; Wine's msiexec takes the
# user's.
menu=
for programs in ProgramData/Microsoft/Windows "users/$(id -un)/AppData/Roaming/Microsoft/Windows"; do
  [[ -f "$WINEPREFIX/drive_c/$programs/Start Menu/Programs/Tidewash/Tidewash Cleanup Wizard.lnk" ]] &&
    menu="$WINEPREFIX/drive_c/$programs/Start Menu/Programs/Tidewash"
done
[[ -n $menu ]] || fail "no Start menu entry for the wizard"
[[ -f "$menu/Tidewash Settings.lnk" ]] || fail "no Start menu entry for the settings editor"

# Each value of the Registry table reads back.
while IFS=$'\t' read -r key name; do
  if [[ -z $name ]]; then run reg query "$key" /ve; else run reg query "$key" /v "$name"; fi ||
    fail "the installation did not write $key ${name:-(default)}"
done <"$work/values"

dump() {
  while read -r key; do
    wine reg query "$key" /s </dev/null 2>&1 || true
  done <"$work/roots"
}
dump >"$work/installed.txt"
modules=()
for m in Tidewash.dll TWSConfig.dll; do modules+=("C:\\Program Files\\Tidewash\\$m"); done
for m in "${modules[@]}"; do run regsvr32 /s /u "$m" || fail "regsvr32 /u $m failed"; done
dump >"$work/unregistered.txt"
if grep -q REG_ "$work/unregistered.txt"; then
  cat "$work/unregistered.txt" >&2
  fail "the modules' own unregistration leaves values the installer wrote: they are not the modules' own"
fi
for m in "${modules[@]}"; do run regsvr32 /s "$m" || fail "regsvr32 $m failed"; done
dump >"$work/registered.txt"
diff -u "$work/registered.txt" "$work/installed.txt" >&2 ||
  fail "the installer's registration (+) differs from what the modules' own registration writes (-)"
# Back to the package's own registration: regsvr32's goes, then the
# package is removed and installed again.
for m in "${modules[@]}"; do run regsvr32 /s /u "$m" || fail "regsvr32 /u $m failed"; done
run msiexec /x "$windows_msi" /qn || { cat "$work/out.log" >&2; fail "msiexec /x failed"; }
run msiexec /i "$windows_msi" /qn || { cat "$work/out.log" >&2; fail "msiexec /i (again) failed"; }
dump >"$work/reinstalled.txt"
cmp -s "$work/installed.txt" "$work/reinstalled.txt" || fail "installed again, the registration differs"

# The handler through the system's COM, by its class. The client and the
# handler load the installed DLLs: the client's folder holds none, and
# the installation's is on the search path.
mkdir "$WINEPREFIX/drive_c/client"
cp "$client" "$WINEPREFIX/drive_c/client/"
WINEPATH='C:\Program Files\Tidewash' run "C:\\client\\$(basename "$client")" ||
  { cat "$work/out.log" >&2; fail "the installed handler failed its test"; }

run msiexec /x "$windows_msi" /qn || { cat "$work/out.log" >&2; fail "msiexec /x failed"; }
while read -r name; do
  [[ ! -e $install/$name ]] || fail "the removal left $name"
done <"$work/files"
[[ ! -e $install ]] || fail "the removal left $(find "$install")"
[[ ! -e $menu ]] || fail "the removal left the Start menu's $(find "$menu")"
rm -r "$WINEPREFIX/drive_c/client"
while IFS=$'\t' read -r key name; do
  ! run reg query "$key" || fail "the removal left the key $key"
done <"$work/values"
echo "msi test: $(basename "$msi") installs $(wc -l <"$work/files") files and $(wc -l <"$work/values") registry values" \
     "as the modules register themselves, its handler cleans through COM, and its removal leaves none of them"
