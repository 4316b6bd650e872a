#!/usr/bin/env bash
# Builds the third-party libraries of the Windows legs with the MinGW-w64
# toolchain, from Debian's own source packages and nothing else:
#
#   SQLite      amalgamation made from the sqlite3 source package, static
#   libsodium   the libsodium source package, ./configure --host=<triple>, static
#   ICU         the common library and the stub data of the icu source package,
#               compiled directly (no cross tools needed), static
#   GoogleTest  /usr/src/googletest of Debian's googletest package, static
#   utfcpp, CLI11  header-only; the files of Debian's -dev packages
#
#   scripts/windows-deps.sh [triple...]     (default: x86_64-w64-mingw32 i686-w64-mingw32)
#
# Each library goes to $RAVELIN_DEPS_DIR/<triple>/<package>-<debian version>/
# (default /var/cache/ravelin/deps), outside the clone, and is built again only
# when its version or the compiler changes. The versions are those of the
# matching Debian packages installed here, so a warm cache needs no network.
# Last, <triple>/deps.cmake names the prefixes for the toolchain files under
# cmake/toolchains/.
set -euo pipefail
shopt -s inherit_errexit
here="$(cd "$(dirname "$0")" && pwd)"
root="${RAVELIN_DEPS_DIR:-/var/cache/ravelin/deps}"
jobs="${RAVELIN_DEPS_JOBS:-2}"
# Part of each package's cache key: a change to how a package is built here
# bumps its number, so that caches made before build it again.
declare -A recipe=([sqlite3]=1 [libsodium]=1 [icu]=1 [googletest]=1 [utfcpp]=2 [cli11]=2)

if (($# == 0)); then
  set -- x86_64-w64-mingw32 i686-w64-mingw32
fi

mkdir -p "$root"
# One builder at a time per cache: CI and a developer may share the machine.
exec 9>"$root/.lock"
flock 9

log() { echo "windows-deps: $*" >&2; }

# The Debian source version of the installed package that carries a library.
source_version() {
  local v
  v="$(dpkg-query -W -f='${source:Version}' "$1" 2>/dev/null)" || true
  [[ -n "$v" ]] || { echo "windows-deps: package $1 is not installed (scripts/install-deps.sh)" >&2; exit 2; }
  echo "$v"
}

sqlite_version="$(source_version libsqlite3-dev)"
sodium_version="$(source_version libsodium-dev)"
icu_version="$(source_version libicu-dev)"
gtest_version="$(source_version googletest)"
utfcpp_version="$(source_version libutfcpp-dev)"
cli11_version="$(source_version libcli11-dev)"
# Where utfcpp's CMake package file sits below /usr (it names a multiarch folder).
utf8cpp_config_dir="$(dpkg -L libutfcpp-dev | sed -n 's|^/usr/\(.*\)/utf8cppConfig.cmake$|\1|p' | head -1)"

# --- Debian source packages, through a private apt state ---------------------
# The entries are the system's own with Types: deb-src; the system's apt
# configuration and lists stay untouched.
apt_dir="$root/apt"
apt_opts=(-o "Dir::Etc::SourceParts=$apt_dir/sources.list.d" -o Dir::Etc::SourceList=/dev/null
  -o "Dir::State::Lists=$apt_dir/lists" -o "Dir::Cache=$apt_dir/cache"
  -o Acquire::Languages=none -o APT::Sandbox::User=root)
apt_ready=0
apt_prepare() {
  ((apt_ready)) && return
  mkdir -p "$apt_dir/sources.list.d" "$apt_dir/lists/partial" "$apt_dir/cache/archives/partial"
  local src="$apt_dir/sources.list.d/system-src.sources" lst="$apt_dir/sources.list.d/system-src.list"
  : >"$src"
  : >"$lst"
  local f
  for f in /etc/apt/sources.list.d/*.sources; do
    [[ -e "$f" ]] || continue
    # Stanzas whose types include deb, as deb-src; blank lines separate stanzas.
    awk 'BEGIN { RS = ""; ORS = "\n\n" }
         { n = split($0, line, "\n"); deb = 0
           for (i = 1; i <= n; i++)
             if (line[i] ~ /^Types:/ && (" " substr(line[i], 7) " ") ~ /[ \t]deb[ \t]/) deb = 1
           if (!deb) next
           out = ""
           for (i = 1; i <= n; i++) out = out (line[i] ~ /^Types:/ ? "Types: deb-src" : line[i]) "\n"
           printf "%s\n", out }' "$f" >>"$src"
  done
  for f in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
    [[ -e "$f" ]] || continue
    sed -n 's/^[[:space:]]*deb[[:space:]]/deb-src /p' "$f" >>"$lst"
  done
  log "updating the source package lists (private state in $apt_dir)"
  apt-get "${apt_opts[@]}" -qq update
  apt_ready=1
}

# Unpacks source package $1 at version $2 once, into $source_tree.
source_tree=""
fetch_source() {
  local pkg="$1" version="$2"
  local dir="$root/sources/$pkg-$version"
  if [[ ! -f "$dir/.unpacked" ]]; then
    command -v dpkg-source >/dev/null || { echo "windows-deps: dpkg-source missing (apt-get install dpkg-dev)" >&2; exit 2; }
    apt_prepare
    rm -rf "$dir" "$dir.tmp"
    mkdir -p "$dir.tmp"
    log "fetching source package $pkg $version"
    (cd "$dir.tmp" && apt-get "${apt_opts[@]}" -qq source --download-only "$pkg=$version" &&
      dpkg-source --no-check -x ./*.dsc tree | grep -v '^dpkg-source: info: applying') >&2
    mv "$dir.tmp" "$dir"
    touch "$dir/.unpacked"
  fi
  source_tree="$dir/tree"
}

# The stamp of a built package: recipe, version and the compiler that built it.
stamp_of() { # triple package version
  printf 'recipe %s\npackage %s %s\ncompiler %s\n' "${recipe[$2]}" "$2" "$3" "$("$1-gcc-posix" --version | head -1)"
}

# True when $1 (a prefix) holds a build with stamp $2.
is_built() { [[ -f "$1/.stamp" ]] && [[ "$(cat "$1/.stamp")" == "$2" ]]; }

# Runs builder function $3 for package $2 of triple $1 into a fresh prefix,
# unless the cache already holds it; the prefix appears only when complete.
build_package() {
  local triple="$1" pkg="$2" builder="$3" version="$4"
  local prefix="$root/$triple/$pkg-$version" stamp
  stamp="$(stamp_of "$triple" "$pkg" "$version")"
  if is_built "$prefix" "$stamp"; then
    log "$triple: $pkg $version (cached)"
    return
  fi
  log "$triple: building $pkg $version"
  local work="$root/$triple/.work-$pkg"
  rm -rf "$prefix" "$prefix.tmp" "$work"
  mkdir -p "$prefix.tmp" "$work"
  "$builder" "$triple" "$prefix.tmp" "$work" "$version"
  # Package files name the prefix they were installed to; give them the final one.
  { grep -rlF --include='*.pc' --include='*.cmake' "$prefix.tmp" "$prefix.tmp" || true; } |
    xargs -r sed -i "s|$prefix.tmp|$prefix|g"
  echo "$stamp" >"$prefix.tmp/.stamp"
  mv "$prefix.tmp" "$prefix"
  rm -rf "$work"
}

# --- the libraries -----------------------------------------------------------

# The amalgamation does not depend on the target, so it is made once; its
# folder goes to $amalgamation.
amalgamation=""
sqlite_amalgamation() {
  local dir="$root/sources/sqlite3-$sqlite_version"
  if [[ ! -f "$dir/amalgamation/sqlite3.c" ]]; then
    command -v tclsh >/dev/null || { echo "windows-deps: tclsh missing (apt-get install tcl)" >&2; exit 2; }
    fetch_source sqlite3 "$sqlite_version"
    local tree="$source_tree"
    rm -rf "$dir/native" "$dir/amalgamation"
    mkdir -p "$dir/native"
    log "making the SQLite amalgamation"
    (cd "$dir/native" && "$tree/configure" --quiet >/dev/null && make -s sqlite3.c >/dev/null)
    mkdir -p "$dir/amalgamation.tmp"
    cp "$dir/native/sqlite3.c" "$dir/native/sqlite3.h" "$tree/src/sqlite3ext.h" "$dir/amalgamation.tmp/" 2>/dev/null ||
      cp "$dir/native/sqlite3.c" "$dir/native/sqlite3.h" "$dir/amalgamation.tmp/"
    mv "$dir/amalgamation.tmp" "$dir/amalgamation"
    rm -rf "$dir/native"
  fi
  amalgamation="$dir/amalgamation"
}

build_sqlite() {
  local triple="$1" prefix="$2" work="$3"
  sqlite_amalgamation
  mkdir -p "$prefix/include" "$prefix/lib"
  # The options of Debian's own build that the store relies on (column
  # metadata names a result column's table), thread-safe as everywhere.
  "$triple-gcc-posix" -O2 -c "$amalgamation/sqlite3.c" -o "$work/sqlite3.o" \
    -DSQLITE_THREADSAFE=1 -DSQLITE_ENABLE_COLUMN_METADATA=1 -DSQLITE_SECURE_DELETE=1 \
    -DSQLITE_ENABLE_UNLOCK_NOTIFY=1 -DSQLITE_ENABLE_DBSTAT_VTAB=1 -DSQLITE_MAX_SCHEMA_RETRY=25 \
    -DSQLITE_OMIT_LOAD_EXTENSION=1
  "$triple-ar" rcs "$prefix/lib/libsqlite3.a" "$work/sqlite3.o"
  cp "$amalgamation/sqlite3.h" "$prefix/include/"
  [[ ! -f "$amalgamation/sqlite3ext.h" ]] || cp "$amalgamation/sqlite3ext.h" "$prefix/include/"
}

build_sodium() {
  local triple="$1" prefix="$2" work="$3" version="$4"
  fetch_source libsodium "$version"
  local tree="$source_tree"
  # Debian's source carries no generated configure script.
  if [[ ! -x "$tree/configure" ]]; then
    command -v autoreconf >/dev/null || { echo "windows-deps: autoreconf missing (apt-get install autoconf automake libtool)" >&2; exit 2; }
    (cd "$tree" && autoreconf -fi >/dev/null 2>&1)
  fi
  (cd "$work" && "$tree/configure" --quiet --host="$triple" --prefix="$prefix" \
      --disable-shared --enable-static --disable-dependency-tracking \
      CC="$triple-gcc-posix" CFLAGS="-O2" >/dev/null &&
    make -s -j"$jobs" >/dev/null && make -s install >/dev/null)
  # Its random source is RtlGenRandom of advapi32, which a static link must name.
  sed -i 's/^Libs: \(.*\)$/Libs: \1 -ladvapi32/' "$prefix/lib/pkgconfig/libsodium.pc"
  rm -f "$prefix"/lib/*.la
}

build_icu() {
  local triple="$1" prefix="$2" work="$3" version="$4"
  fetch_source icu "$version"
  local tree="$source_tree"
  local src="$tree/source"
  [[ -d "$src" ]] || src="$tree/icu4c/source"
  # The common library and the stub data, compiled as they would be for a
  # static library; case mapping and the UTF conversions need no data file.
  local flags=(-O2 -std=c++17 -DU_COMMON_IMPLEMENTATION -DU_STATIC_IMPLEMENTATION
    -DU_ATTRIBUTE_DEPRECATED= -DUNISTR_FROM_CHAR_EXPLICIT=explicit -DUNISTR_FROM_STRING_EXPLICIT=explicit
    -I"$src/common")
  mkdir -p "$work/common" "$work/stubdata"
  ls "$src"/common/*.cpp | xargs -P"$jobs" -I{} sh -c \
    'f="{}"; out="$0/common/$(basename "${f%.cpp}").o"; cc="$1"; shift; exec "$cc" "$@" -c "$f" -o "$out"' \
    "$work" "$triple-g++-posix" "${flags[@]}"
  "$triple-g++-posix" "${flags[@]}" -c "$src/stubdata/stubdata.cpp" -o "$work/stubdata/stubdata.o"
  mkdir -p "$prefix/lib/pkgconfig" "$prefix/include"
  "$triple-ar" rcs "$prefix/lib/libicuuc.a" "$work"/common/*.o
  "$triple-ar" rcs "$prefix/lib/libicudt.a" "$work/stubdata/stubdata.o"
  cp -R "$src/common/unicode" "$prefix/include/"
  local upstream="${version%%-*}"
  cat >"$prefix/lib/pkgconfig/icu-uc.pc" <<EOF
prefix=$prefix
libdir=\${prefix}/lib
includedir=\${prefix}/include

Name: icu-uc
Description: ICU common library (static, stub data)
Version: $upstream
Cflags: -I\${includedir} -DU_STATIC_IMPLEMENTATION
Libs: -L\${libdir} -licuuc -licudt -ladvapi32
EOF
}

build_gtest() {
  local triple="$1" prefix="$2" work="$3"
  [[ -f /usr/src/googletest/CMakeLists.txt ]] || { echo "windows-deps: /usr/src/googletest missing (apt-get install googletest)" >&2; exit 2; }
  cmake -S /usr/src/googletest -B "$work" -G Ninja \
    -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_C_COMPILER="$triple-gcc-posix" \
    -DCMAKE_CXX_COMPILER="$triple-g++-posix" -DCMAKE_RC_COMPILER="$triple-windres" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -DBUILD_GMOCK=ON -DINSTALL_GTEST=ON -Dgtest_disable_pthreads=ON >/dev/null
  cmake --build "$work" -j"$jobs" >/dev/null
  cmake --install "$work" >/dev/null
}

# Header-only: the files of the installed Debian -dev package, in the same
# layout under the prefix, so that their CMake package files find them there.
# Such a package is the same for every target, though its version file may
# have been written to accept only the build machine's pointer size.
build_headers() {
  local triple="$1" prefix="$2" package="$5"
  local f
  while IFS= read -r f; do
    [[ -f "$f" && "$f" == /usr/* && "$f" != /usr/share/doc/* ]] || continue
    mkdir -p "$prefix/$(dirname "${f#/usr/}")"
    cp "$f" "$prefix/${f#/usr/}"
  done < <(dpkg -L "$package")
  find "$prefix" -name '*ConfigVersion.cmake' -exec sed -i 's/^if("FALSE")$/if("TRUE")  # architecture-independent/' {} +
}
build_utfcpp() { build_headers "$@" libutfcpp-dev; }
build_cli11() { build_headers "$@" libcli11-dev; }

for triple in "$@"; do
  command -v "$triple-g++-posix" >/dev/null || { echo "windows-deps: $triple-g++-posix missing (apt-get install g++-mingw-w64-${triple%%-*}-posix)" >&2; exit 2; }
  build_package "$triple" sqlite3 build_sqlite "$sqlite_version"
  build_package "$triple" libsodium build_sodium "$sodium_version"
  build_package "$triple" icu build_icu "$icu_version"
  build_package "$triple" googletest build_gtest "$gtest_version"
  build_package "$triple" utfcpp build_utfcpp "$utfcpp_version"
  build_package "$triple" cli11 build_cli11 "$cli11_version"

  d="$root/$triple"
  cat >"$d/deps.cmake.tmp" <<EOF
# Written by scripts/windows-deps.sh: the third-party prefixes of $triple.
set(RAVELIN_DEPS_VERSIONS "sqlite3 $sqlite_version; libsodium $sodium_version; icu $icu_version; googletest $gtest_version; utfcpp $utfcpp_version; cli11 $cli11_version")
set(RAVELIN_DEPS_PREFIXES
  "$d/sqlite3-$sqlite_version"
  "$d/libsodium-$sodium_version"
  "$d/icu-$icu_version"
  "$d/googletest-$gtest_version"
  "$d/utfcpp-$utfcpp_version"
  "$d/cli11-$cli11_version")
set(utf8cpp_DIR "$d/utfcpp-$utfcpp_version/$utf8cpp_config_dir" CACHE PATH "")
EOF
  mv "$d/deps.cmake.tmp" "$d/deps.cmake"
  log "$triple: sqlite3 $sqlite_version, libsodium $sodium_version, icu $icu_version, googletest $gtest_version, utfcpp $utfcpp_version, cli11 $cli11_version"
done
