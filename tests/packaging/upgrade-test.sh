#!/usr/bin/env bash
# The major upgrade of a Windows Installer package of dist/, under Wine in a fresh prefix inside
# the build folder:
#
#   tests/packaging/upgrade-test.sh x64|x86 [dist folder]
#
# An older package is built from the same files with a lower version and one file of its own
# (packaging/msi/make_msi.py --version); it is installed, then the current package over it. One
# copy must remain: one installed product, of the current version, with exactly the current
# package's files (the older one's own file gone), whose tool and COM server work. The older
# package must then refuse to install over the newer one, and uninstalling leaves no folder.
set -euo pipefail
cd "$(dirname "$0")/../.."
root="$PWD"
arch="${1:-}"
dist="$(cd "${2:-dist}" && pwd)"
case "$arch" in
  x64) wine=/usr/lib/wine/wine64 program_files="Program Files" ;;
  x86) wine=/usr/lib/wine/wine program_files="Program Files (x86)" ;;
  *) echo "usage: tests/packaging/upgrade-test.sh x64|x86 [dist folder]" >&2; exit 2 ;;
esac
source tests/packaging/msi-common.sh
find_msi
IFS=. read -r major minor patch <<<"$version"
if ((patch > 0)); then
  older="$major.$minor.$((patch - 1))"
elif ((minor > 0)); then
  older="$major.$((minor - 1)).0"
else
  older="$((major - 1)).0.0"
fi

start_work upgrade-test
installed_products() {
  RAVELIN_WINE=/usr/lib/wine/wine64 cmake/toolchains/wine-run.sh reg export HKLM \
    "$(winpath "$work/hklm.reg")" /y >"$work/export.log" 2>"$work/export.log.err" || fail "reg export failed"
  python3 tests/packaging/regdiff.py products "$work/hklm.reg" Ravelin
}

# The older package: the current one's files, a lower version and a file only it has.
msiextract -C "$work/current" "$msi" >"$work/msiextract.log" 2>&1 || fail "msiextract failed"
current="$(find "$work/current" -maxdepth 2 -type d -name Ravelin | head -n 1)"
[[ -n "$current" ]] || { fail "the package has no Ravelin folder"; exit 1; }
(cd "$current" && find . -type f | LC_ALL=C sort) >"$work/current-files.txt"
cp -r "$current" "$work/older-stage"
echo "only in $older" >"$work/older-stage/share/doc/ravelin/older-only.txt"
python3 packaging/msi/make_msi.py --stage "$work/older-stage" --arch "$arch" --version "$older" \
  --wxs "$work/older.wxs" --output "$work/ravelin-$older-$arch.msi" >"$work/make-older.log" 2>&1 ||
  { cat "$work/make-older.log"; fail "the older package could not be built"; exit 1; }
echo "== $arch upgrade from $older to $version"

start_prefix
install_dir="$WINEPREFIX/drive_c/$program_files/Ravelin"

run older.log msiexec /i "$(winpath "$work/ravelin-$older-$arch.msi")" /qn || fail "the older package did not install"
[[ -f "$install_dir/share/doc/ravelin/older-only.txt" ]] || fail "the older package's own file is missing"
[[ "$(installed_products)" == *"| $older" ]] || fail "the older package is not registered as installed"

run upgrade.log msiexec /i "$(winpath "$msi")" /qn /l*v "$(winpath "$work/upgrade-msi.log")" ||
  fail "the current package did not install over the older one"
products="$(installed_products)"
if [[ "$(wc -l <<<"$products")" -ne 1 || "$products" != *"| $version" ]]; then
  fail "installed products after the upgrade: $products (expected one, version $version)"
fi
if ! diff "$work/current-files.txt" <(cd "$install_dir" && find . -type f | LC_ALL=C sort) >"$work/files.diff"; then
  fail "the install folder is not the current package's: $(cat "$work/files.diff")"
fi
tool="C:\\${program_files}\\Ravelin\\bin\\ravelin.exe"
run version.txt "$tool" --version || fail "ravelin.exe --version failed"
[[ "$(tr -d '\r' <"$work/version.txt")" == "ravelin $version" ]] || fail "ravelin.exe says $(cat "$work/version.txt")"
venue="$(winpath "$work/venue.db")"
run tool.log "$tool" venue init "$venue" || fail "ravelin.exe venue init failed"
run tool.log "$tool" venue room add "$venue" --name Ruby --code R1 --host player-1 || fail "room add failed"
run script.txt cscript.exe //nologo "$(winpath "$root/tests/packaging/CheckServer.vbs")" "$venue" ||
  fail "cscript failed after the upgrade"
diff <(tr -d '\r' <"$work/script.txt") tests/packaging/CheckServer.golden >"$work/script.diff" ||
  fail "the COM server does not work after the upgrade: $(cat "$work/script.diff")"

# A downgrade is refused and leaves the newer installation alone.
if run downgrade.log msiexec /i "$(winpath "$work/ravelin-$older-$arch.msi")" /qn; then
  fail "the older package installed over the newer one"
fi
[[ "$(installed_products)" == *"| $version" && -f "$install_dir/bin/ravelin_vod.dll" ]] ||
  fail "the refused downgrade changed the installation"

rm -f "$work/venue.db"*
run uninstall.log msiexec /x "$(winpath "$msi")" /qn || fail "msiexec /x failed"
[[ ! -e "$install_dir" ]] || fail "$install_dir is left after the uninstallation"
[[ -z "$(installed_products)" ]] || fail "a product is still registered after the uninstallation"

finish upgrade "one copy of $version remains and works; the downgrade is refused"
