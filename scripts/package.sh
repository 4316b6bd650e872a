#!/usr/bin/env bash
# Builds the release packages into dist/:
#
#   scripts/package.sh [deb|x64|x86|all]...     (default all)
#
#   deb  the Debian packages ravelin (libraries, tool, documents) and ravelin-dev (headers,
#        link names, CMake package), made by CPack from the release preset's build with the
#        prefix /usr (build/package-deb);
#   x64  ravelin-<version>-x64.msi: the windows-x64 preset's build without tests
#        (build/package-x64), installed into a staging folder with `cmake --install`, packed
#        by wixl (packaging/msi/make_msi.py);
#   x86  ravelin-<version>-x86.msi, the same from the windows-x86 preset.
#
# Installs what is missing first, and builds the Windows third-party libraries with
# scripts/windows-deps.sh unless its cache already holds them. Prints each package's size.
set -euo pipefail
cd "$(dirname "$0")/.."

if (($# == 0)); then
  set -- all
fi
targets=()
for target in "$@"; do
  case "$target" in
    deb | x64 | x86) targets+=("$target") ;;
    all) targets+=(deb x64 x86) ;;
    *) echo "usage: scripts/package.sh [deb|x64|x86|all]..." >&2; exit 2 ;;
  esac
done

lists=(scripts/packages.txt scripts/packages-release.txt)
for target in "${targets[@]}"; do
  if [[ "$target" != deb ]]; then
    lists+=(scripts/packages-windows.txt)
    break
  fi
done
scripts/install-deps.sh "${lists[@]}"
mkdir -p dist
jobs=2

package_deb() {
  local build=build/package-deb
  # --fresh: a release takes the tree's settings as they are now, not those a cache kept.
  cmake --preset release -B "$build" --fresh -DCMAKE_INSTALL_PREFIX=/usr -DRAVELIN_DEBIAN_PACKAGE=ON
  cmake --build "$build" -j "$jobs"
  rm -rf "$build/packages"
  (cd "$build" && cpack -G DEB)
  rm -f dist/ravelin_*.deb dist/ravelin-dev_*.deb
  cp "$build"/packages/*.deb dist/
}

package_msi() {
  local arch="$1" triple
  case "$arch" in
    x64) triple=x86_64-w64-mingw32 ;;
    x86) triple=i686-w64-mingw32 ;;
  esac
  scripts/windows-deps.sh "$triple"
  local build="build/package-$arch"
  cmake --preset "windows-$arch" -B "$build" --fresh -DRAVELIN_BUILD_TESTS=OFF
  cmake --build "$build" -j "$jobs"
  # Whatever the install rules put in place is what the package holds.
  rm -rf "$build/stage"
  cmake --install "$build" --prefix "$build/stage" --strip
  local version
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
  rm -f "dist/ravelin-"*"-$arch.msi"
  python3 packaging/msi/make_msi.py --stage "$build/stage" --arch "$arch" \
    --wxs "$build/ravelin.wxs" --output "dist/ravelin-$version-$arch.msi"
}

for target in "${targets[@]}"; do
  started=$SECONDS
  case "$target" in
    deb) package_deb ;;
    x64 | x86) package_msi "$target" ;;
  esac
  echo "== package $target: $((SECONDS - started))s"
done
ls -l dist/
