#!/usr/bin/env bash
# Checks a Windows Installer package of dist/ under Wine, in a fresh wine prefix inside the
# build folder:
#
#   tests/packaging/msi-test.sh x64|x86 [dist folder]
#
#   1. `msiexec /i ... /qn` installs every file of the package (as msiextract reads them) under
#      the architecture's Program Files, and the COM registration in its registry view only;
#   2. those registry keys are the ones the server's own DllRegisterServer writes for the
#      machine (regsvr32 on the same files at the same place, compared key by key);
#   3. `ravelin.exe --version` runs from the install folder and names the package's version;
#   4. a VBScript under the architecture's cscript creates Ravelin.Base and Ravelin.BaseLink by
#      their ProgIDs and opens a venue the installed tool made;
#   5. a MinGW program builds against the installed CMake package and runs on its DLLs;
#   6. `msiexec /x ... /qn` leaves no file of the package and no key it wrote: the registry
#      (wine reg export of HKLM and HKCU) and drive C: are as before the installation, save the
#      empty folders and keys Windows Installer keeps for itself.

set -euo pipefail
cd "$(dirname "$0")/../.."
root="$PWD"
arch="${1:-}"
dist="$(cd "${2:-dist}" && pwd)"
case "$arch" in
  x64)
    wine=/usr/lib/wine/wine64 toolchain=mingw-w64-x86_64 triple=x86_64-w64-mingw32
    program_files="Program Files"
    view='Software\Classes' other_view='Software\Classes\Wow6432Node' ;;
  x86)
    wine=/usr/lib/wine/wine toolchain=mingw-w64-i686 triple=i686-w64-mingw32
    program_files="Program Files (x86)"
    view='Software\Classes\Wow6432Node' other_view='Software\Classes' ;;
  *) echo "usage: tests/packaging/msi-test.sh x64|x86 [dist folder]" >&2; exit 2 ;;
esac
source tests/packaging/msi-common.sh
find_msi
start_work msi-test
# The prefix is 64-bit (with WoW64): its own tools, reg among them, run as 64-bit processes,
# which see both registry views.
run64() {
  local log="$1"
  shift
  RAVELIN_WINE=/usr/lib/wine/wine64 cmake/toolchains/wine-run.sh "$@" >"$work/$log" 2>"$work/$log.err"
}
snapshot() {  # snapshot <name>: both registry hives and the file list of drive C:
  run64 "export-$1-hklm.log" reg export HKLM "$(winpath "$work/$1-hklm.reg")" /y || fail "reg export HKLM failed"
  run64 "export-$1-hkcu.log" reg export HKCU "$(winpath "$work/$1-hkcu.reg")" /y || fail "reg export HKCU failed ($1)"
  (cd "$WINEPREFIX/drive_c" && find . | LC_ALL=C sort) >"$work/$1-files.txt"
}
# What Windows Installer and Wine keep for themselves: the installer's bookkeeping folders and
# keys (empty once nothing is installed; present on any Windows that ever installed a package),
# Wine's note on the display driver it probed, and its count of service starts.
regdiff_clean() {  # regdiff_clean <before> <after> <hive>
  python3 tests/packaging/regdiff.py diff "$work/$1-$3.reg" "$work/$2-$3.reg" \
    --ignore 'System\\CurrentControlSet\\Control\\Video\\' \
    --ignore 'System\\CurrentControlSet\\Control\\ServiceCurrent$' \
    --allow-empty '^HKEY_LOCAL_MACHINE\\Software\\(Classes|Microsoft\\Windows\\CurrentVersion)\\Installer(\\|$)'
}
com_keys() {  # com_keys <before> <after>: the keys and values added to the classes
  python3 tests/packaging/regdiff.py added "$work/$1-hklm.reg" "$work/$2-hklm.reg" \
    --under 'HKEY_LOCAL_MACHINE\Software\Classes' \
    --exclude 'HKEY_LOCAL_MACHINE\Software\Classes\Installer'
}

echo "== $arch package $(basename "$msi"): $(stat -c %s "$msi") bytes"
# The package's own files, as the package lists them.
msiextract -C "$work/extracted" "$msi" >"$work/msiextract.log" 2>&1 || fail "msiextract failed"
# (msiextract names the 32-bit Program Files folder and leaves out the 64-bit one.)
package_root="$(find "$work/extracted" -maxdepth 2 -type d -name Ravelin | head -n 1)"
[[ -n "$package_root" ]] || { fail "the package has no Ravelin folder"; exit 1; }
(cd "$package_root" && find . -type f | LC_ALL=C sort) >"$work/package-files.txt"
echo "   $(wc -l <"$work/package-files.txt") files"
for needed in bin/ravelin.exe bin/ravelin_vod.dll bin/ravelin_setups.dll bin/ravelin_client.dll \
  lib/libravelin_vod.dll.a lib/cmake/Ravelin/RavelinConfig.cmake include/ravelin/vod/Base.h \
  share/doc/ravelin/com.md; do
  grep -qx "./$needed" "$work/package-files.txt" || fail "the package lacks $needed"
done
# Every DLL a program or DLL of the package imports is in the package or part of Windows: the
# MinGW runtime DLLs ship with it, and nothing of the build machine is assumed.
objdump="$triple-objdump"
for module in "$package_root"/bin/*.dll "$package_root"/bin/*.exe; do
  "$objdump" -p "$module" | sed -n 's/^\tDLL Name: //p' | while read -r import; do
    if [[ ! -f "$package_root/bin/$import" &&
      " kernel32.dll msvcrt.dll advapi32.dll ole32.dll oleaut32.dll user32.dll shell32.dll " != *" ${import,,} "* ]]; then
      echo "$(basename "$module") imports $import, which is neither in the package nor part of Windows"
    fi
  done
done >"$work/imports.txt"
[[ ! -s "$work/imports.txt" ]] || fail "$(cat "$work/imports.txt")"

start_prefix
run64 start.log cmd.exe /c exit || true
# The script host registers its own type library the first time it runs: before the snapshot.
printf 'WScript.Quit 0\r\n' >"$work/warm-up.vbs"
run warm-up.log cscript.exe //nologo "$(winpath "$work/warm-up.vbs")" || true
snapshot before

# ---- 1. Install ---------------------------------------------------------------------------------
install_dir="$WINEPREFIX/drive_c/$program_files/Ravelin"
if ! run install.log msiexec /i "$(winpath "$msi")" /qn /l*v "$(winpath "$work/install-msi.log")"; then
  fail "msiexec /i failed"
fi
snapshot installed
while read -r file; do
  if [[ ! -f "$install_dir/$file" ]]; then
    fail "not installed: $file"
  elif ! cmp -s "$install_dir/$file" "$package_root/$file"; then
    fail "installed differently: $file"
  fi
done <"$work/package-files.txt"
com_keys before installed >"$work/msi-com.txt"
server="C:\\\\${program_files}\\\\Ravelin\\\\bin\\\\ravelin_vod.dll"
grep -qiF "hkey_local_machine\\${view,,}\\clsid\\{3ca5fb85-894a-4ce9-9115-d1ffc5278234}\\inprocserver32 | @ = \"$server\"" \
  "$work/msi-com.txt" || fail "Base is not registered in the $arch view ($view)"
# (ProgIDs and type libraries live in keys both views share; class keys are per view.)
if grep -qiF "hkey_local_machine\\${other_view,,}\\clsid\\{3ca5fb85" "$work/msi-com.txt"; then
  fail "the class is registered in the other view ($other_view)"
fi

# ---- 3. The tool from the install folder ----------------------------------------------------------
tool="C:\\${program_files}\\Ravelin\\bin\\ravelin.exe"
run version.txt "$tool" --version || fail "ravelin.exe --version failed: $(cat "$work/version.txt")"
[[ "$(tr -d '\r' <"$work/version.txt")" == "ravelin $version" ]] ||
  fail "ravelin.exe --version says '$(cat "$work/version.txt")', not 'ravelin $version'"

# ---- 4. The COM server from a script --------------------------------------------------------------
venue="$(winpath "$work/venue.db")"
run tool.log "$tool" venue init "$venue" || fail "ravelin.exe venue init failed: $(cat "$work/tool.log")"
run tool.log "$tool" venue room add "$venue" --name Ruby --code R1 --host player-1 ||
  fail "ravelin.exe venue room add failed: $(cat "$work/tool.log")"
run script.txt cscript.exe //nologo "$(winpath "$root/tests/packaging/CheckServer.vbs")" "$venue" ||
  fail "cscript failed"
if ! diff <(tr -d '\r' <"$work/script.txt") tests/packaging/CheckServer.golden >"$work/script.diff"; then
  fail "the script's output differs from tests/packaging/CheckServer.golden: $(cat "$work/script.diff")"
fi

# ---- 5. A MinGW host built against the installed package ------------------------------------------
if cmake -S tests/consumer -B "$work/consumer" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/$toolchain.cmake" \
  -DRavelin_DIR="$install_dir/lib/cmake/Ravelin" >"$work/consumer.log" 2>&1 &&
  cmake --build "$work/consumer" >>"$work/consumer.log" 2>&1; then
  # It finds the DLLs where a host would: on the search path, in the install folder.
  WINEPATH="C:\\${program_files}\\Ravelin\\bin" run consumer.txt "$(winpath "$work/consumer/consumer.exe")" ||
    fail "the consumer fails: $(cat "$work/consumer.txt")"
else
  fail "the consumer does not build against the installed package (see $work/consumer.log)"
fi

# ---- 6. Uninstall ---------------------------------------------------------------------------------
rm -f "$work/venue.db"*
if ! run uninstall.log msiexec /x "$(winpath "$msi")" /qn /l*v "$(winpath "$work/uninstall-msi.log")"; then
  fail "msiexec /x failed"
fi
snapshot removed
# Drive C: as before, but for the installer's own cache folder.
if ! diff "$work/before-files.txt" <(grep -vx './windows/Installer' "$work/removed-files.txt") >"$work/files.diff"; then
  fail "files left or removed by the uninstallation: $(head -n 20 "$work/files.diff")"
fi
for hive in hklm hkcu; do
  regdiff_clean before removed "$hive" >"$work/$hive.diff" ||
    fail "registry ($hive) differs after the uninstallation: $(head -n 20 "$work/$hive.diff")"
done

# ---- 2. The same keys as the server's own registration --------------------------------------------
# The package's files at the same place, registered by regsvr32 of the same architecture.
mkdir -p "$install_dir"
cp -r "$package_root/." "$install_dir/"
run regsvr32.log regsvr32 /s "C:\\${program_files}\\Ravelin\\bin\\ravelin_vod.dll" || fail "regsvr32 failed"
snapshot registered
# Where Wine's type library registration writes what Windows' does not, the comparison takes
# Windows' form: paths without the \\?\ prefix and the library flags without
# LIBFLAG_FHASDISKIMAGE (8). The installer writes the help folder with its trailing backslash.
# A 32-bit registration also enters the interfaces in the 64-bit view; a 32-bit package can
# write no 64-bit view, and no 64-bit process loads this 32-bit in-process server.
com_keys removed registered |
  sed -e 's/= "\\\\\\\\?\\\\/= "/' -e 's/\(\\flags | @ = \)"8"$/\1"0"/' |
  if [[ "$arch" == x86 ]]; then grep -v '^hkey_local_machine\\software\\classes\\interface\\'; else cat; fi \
    >"$work/regsvr32-com.txt"
sed -e 's/\(\\helpdir | @ = ".*\)\\\\"$/\1"/' "$work/msi-com.txt" >"$work/msi-com-compared.txt"
if ! diff "$work/regsvr32-com.txt" "$work/msi-com-compared.txt" >"$work/com.diff"; then
  fail "the package's COM keys differ from DllRegisterServer's (< regsvr32, > package): $(cat "$work/com.diff")"
fi
run regsvr32.log regsvr32 /u /s "C:\\${program_files}\\Ravelin\\bin\\ravelin_vod.dll" || fail "regsvr32 /u failed"
rm -rf "$install_dir"

finish package "install, registry view, registration, tool, script, consumer and uninstall all pass"
echo "   COM keys written ($(grep -c '|' "$work/msi-com.txt") keys and values): $work/msi-com.txt"
