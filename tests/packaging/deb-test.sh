#!/usr/bin/env bash
# Checks the Debian packages in dist/ (scripts/package.sh deb):
#
#   tests/packaging/deb-test.sh [dist folder]
#
#   - their contents (dpkg-deb -c): the tool, every library under its SONAME, the documents
#     and copyright in the runtime package; headers, link names and the CMake package in the
#     -dev package; nothing outside /usr, nothing in both;
#   - their control data: dependencies computed by dpkg-shlibdeps, the shlibs file;
#   - lintian reports no errors;
#   - installed for real with dpkg, the tool runs from /usr/bin and a consumer project builds
#     against the installed CMake package and runs; then both packages are purged and the check
#     fails unless every file they held is gone. It refuses to start when either package is
#     already installed, so the machine is left as it was found.
set -euo pipefail
cd "$(dirname "$0")/../.."
dist="$(cd "${1:-dist}" && pwd)"
work="$(mktemp -d /tmp/ravelin-deb-test.XXXXXX)"
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi

shopt -s nullglob
runtime=("$dist"/ravelin_*_*.deb)
dev=("$dist"/ravelin-dev_*_*.deb)
if ((${#runtime[@]} != 1 || ${#dev[@]} != 1)); then
  echo "expected one ravelin and one ravelin-dev package in $dist" >&2
  exit 1
fi
runtime="${runtime[0]}"
dev="${dev[0]}"
version=$(dpkg-deb -f "$runtime" Version)
soversion="${version%%.*}"
echo "== Debian packages $version: $(basename "$runtime") $(stat -c %s "$runtime") bytes," \
  "$(basename "$dev") $(stat -c %s "$dev") bytes"

# ---- Contents -----------------------------------------------------------------------------------
# Paths as dpkg-deb lists them (./usr/...), one a line, symbolic links as "path -> target".
list_paths() {
  dpkg-deb -c "$1" | awk '{ $1 = $2 = $3 = $4 = $5 = ""; sub(/^ +/, ""); print }'
}
list_paths "$runtime" >"$work/runtime.list"
list_paths "$dev" >"$work/dev.list"
libdir=$(grep -o '^\./usr/lib/[^/]*-linux-gnu/' "$work/runtime.list" | head -n 1 || true)
[[ -n "$libdir" ]] || fail "the runtime package has no multiarch library folder"

expect() {  # expect <list> <extended regex> <what>
  grep -Eq "$2" "$work/$1.list" || fail "$1 package lacks $3 ($2)"
}
refuse() {
  if grep -Eq "$2" "$work/$1.list"; then fail "$1 package holds $3: $(grep -E "$2" "$work/$1.list" | head -n 3 | tr '\n' ' ')"; fi
}
expect runtime '^\./usr/bin/ravelin$' "the tool"
for lib in setups vod client basalt win32 automation dao panelkit; do
  expect runtime "^${libdir//./\\.}libravelin_${lib}\\.so\\.${version//./\\.}$" "libravelin_${lib}"
  expect runtime "^${libdir//./\\.}libravelin_${lib}\\.so\\.${soversion} -> libravelin_${lib}\\.so\\.${version//./\\.}$" \
    "the SONAME link of libravelin_${lib}"
  expect dev "^${libdir//./\\.}libravelin_${lib}\\.so -> libravelin_${lib}\\.so\\.${soversion}$" \
    "the link name of libravelin_${lib}"
done
for doc in README.md com.md copyright changelog.gz; do
  expect runtime "^\\./usr/share/doc/ravelin/${doc//./\\.}$" "$doc"
done
expect dev '^\./usr/share/doc/ravelin-dev/copyright$' "its copyright file"
expect dev '^\./usr/include/ravelin/vod/Base\.h$' "the vod headers"
expect dev '^\./usr/include/ravelin/setups/SolveSetupMgr\.h$' "the setups headers"
expect dev '^\./usr/include/ravelin/client/QvConfig\.h$' "the client headers"
expect dev "^${libdir//./\\.}cmake/Ravelin/RavelinConfig\\.cmake$" "the CMake package"
expect dev "^${libdir//./\\.}cmake/Ravelin/RavelinConfigVersion\\.cmake$" "the CMake package's version"
refuse runtime '^\./usr/include/|\.so ->|/cmake/' "development files"
refuse dev '^\./usr/bin/|^[^ ]+\.so\.[0-9]' "run-time files"
refuse runtime '^\./(etc|opt|usr/local|home|tmp|var)/' "files outside /usr"
refuse dev '^\./(etc|opt|usr/local|home|tmp|var)/' "files outside /usr"
# A file owned by both packages would make the second one fail to install.
comm -12 <(grep -v '/$' "$work/runtime.list" | sort) <(grep -v '/$' "$work/dev.list" | sort) >"$work/both"
[[ ! -s "$work/both" ]] || fail "files in both packages: $(tr '\n' ' ' <"$work/both")"

# ---- Control data ---------------------------------------------------------------------------------
depends=$(dpkg-deb -f "$runtime" Depends)
echo "Depends of ravelin: $depends"
for needed in libc6 libstdc++6 libsqlite3-0 libsodium23 libicu; do
  [[ "$depends" == *"$needed"* ]] || fail "ravelin does not depend on $needed (dpkg-shlibdeps did not run?)"
done
[[ "$(dpkg-deb -f "$dev" Depends)" == *"ravelin (= $version)"* ]] ||
  fail "ravelin-dev does not depend on its exact ravelin"
dpkg-deb --ctrl-tarfile "$runtime" | tar -x -C "$work" ./shlibs ./triggers ||
  fail "ravelin has no shlibs or triggers file"
grep -q "^libravelin_vod $soversion ravelin (= $version)" "$work/shlibs" 2>/dev/null ||
  fail "the shlibs file does not name libravelin_vod $soversion"
grep -q "activate-noawait ldconfig" "$work/triggers" 2>/dev/null || fail "no ldconfig trigger"

# ---- lintian -------------------------------------------------------------------------------------
if ! lintian --fail-on error --tag-display-limit 0 "$runtime" "$dev" >"$work/lintian.txt" 2>&1; then
  fail "lintian reports errors"
fi
grep -v 'running with root privileges' "$work/lintian.txt" || true

# ---- Installed for real, then purged --------------------------------------------------------------
for package in ravelin ravelin-dev; do
  if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'installed'; then
    echo "$package is installed on this machine already: not touching it" >&2
    exit 1
  fi
done
installed=0
purge() {
  if ((installed)); then
    $sudo dpkg --purge ravelin-dev ravelin >"$work/purge.log" 2>&1 || { cat "$work/purge.log"; fail "dpkg --purge failed"; }
    installed=0
  fi
}
trap 'purge; rm -rf "$work"' EXIT
installed=1
if ! $sudo dpkg -i "$runtime" "$dev" >"$work/install.log" 2>&1; then
  cat "$work/install.log"
  fail "dpkg -i failed"
else
  # From the system's folders only: nothing points the loader or CMake at the tree.
  if ! out=$(env -u LD_LIBRARY_PATH /usr/bin/ravelin --version); then
    fail "the installed tool does not run"
  elif [[ "$out" != "ravelin $version" ]]; then
    fail "the installed tool says '$out', not 'ravelin $version'"
  fi
  (
    set -e
    cd "$work"
    /usr/bin/ravelin design sample design.txt
    /usr/bin/ravelin design check design.txt >/dev/null
    /usr/bin/ravelin venue init venue.db
    /usr/bin/ravelin venue room add venue.db --name Ruby --code R1 --host player-1
    /usr/bin/ravelin venue rooms venue.db --format tsv | grep -q Ruby
  ) || fail "the installed tool failed on a design file or a venue"
  if cmake -S tests/consumer -B "$work/consumer" -G Ninja >"$work/consumer.log" 2>&1 &&
    cmake --build "$work/consumer" >>"$work/consumer.log" 2>&1 &&
    grep -q "Ravelin_DIR:PATH=/usr/lib/.*/cmake/Ravelin" "$work/consumer/CMakeCache.txt"; then
    "$work/consumer/consumer" || fail "the consumer built against the installed package fails"
  else
    cat "$work/consumer.log"
    fail "the consumer does not build against the installed package"
  fi
fi
purge
# Every file and link the packages held is gone again (folders the system shares stay).
while read -r path; do
  path="${path%% -> *}"
  path="${path#.}"
  if [[ "$path" != */ && ( -e "$path" || -L "$path" ) ]]; then
    fail "$path is left after the purge"
  fi
done < <(cat "$work/runtime.list" "$work/dev.list")
[[ ! -e /usr/share/doc/ravelin && ! -e /usr/include/ravelin ]] || fail "folders left after the purge"

if ((failures)); then
  echo "== Debian packages: $failures failures" >&2
  exit 1
fi
echo "== Debian packages: contents, control data, lintian, install, use and purge all pass"
