# What the Windows Installer package tests share (msi-test.sh, upgrade-test.sh). Sourced from
# the tree's root with root (the tree), arch (x64|x86), dist and wine (the loader of the
# architecture) set.
#
# Wine's output always goes to files (its services would hold a pipe open).

# The one ravelin-<version>-$arch.msi of $dist: sets msi and version.
find_msi() {
  shopt -s nullglob
  local packages=("$dist"/ravelin-*-"$arch".msi)
  if ((${#packages[@]} != 1)); then
    echo "expected one ravelin-<version>-$arch.msi in $dist" >&2
    exit 1
  fi
  msi="${packages[0]}"
  version="$(basename "$msi")"
  version="${version#ravelin-}"
  version="${version%-"$arch".msi}"
}

# start_work <name>: a new scratch folder, work=build/package-$arch/<name>, with the settings of
# a wine prefix of its own in it (made by start_prefix). As the Windows legs do, wine's error
# channel stays on, so a program that cannot start says why (on the step's .err file).
start_work() {
  work="$root/build/package-$arch/$1"
  rm -rf "$work"
  mkdir -p "$work"
  export WINEPREFIX="$work/wine" WINEDEBUG=fixme-all WINEDLLOVERRIDES="mscoree,mshtml="
}

# Makes the prefix, with one server for every step, stopped at the end whatever happens.
start_prefix() {
  /usr/lib/wine/wine64 wineboot --init >"$work/wineboot.log" 2>&1
  /usr/lib/wine/wineserver64 --wait
  /usr/lib/wine/wineserver64 --persistent
  trap '/usr/lib/wine/wineserver64 --kill >/dev/null 2>&1 || true' EXIT
}

# finish <what> <success text>: stops the prefix, reports the starts that wine-run.sh tried
# again, and ends the test: status 1 with the count of failures, or the success text.
finish() {
  /usr/lib/wine/wineserver64 --kill >/dev/null 2>&1 || true
  trap - EXIT
  if [[ -s "$WINEPREFIX/wine-run-retries.log" ]]; then
    echo "   wine starts tried again: $(wc -l <"$WINEPREFIX/wine-run-retries.log")"
    cat "$WINEPREFIX/wine-run-retries.log"
  fi
  if ((failures)); then
    echo "== $arch $1: $failures failures (logs in $work)" >&2
    exit 1
  fi
  echo "== $arch $1: $2"
}

failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
# Windows sees this machine's files through drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }
# run <log> <program> [args]: runs a Windows program of the prefix as the architecture's
# process; its output goes to $work/<log>, its standard error to $work/<log>.err and its status
# to $work/<log>.status. Programs go through the Windows legs' runner
# (cmake/toolchains/wine-run.sh), which tries a start that printed nothing again and counts it
# in $WINEPREFIX/wine-run-retries.log; the installer does not, since msiexec /qn prints nothing
# when it fails either.
run() {
  local log="$1" status=0
  shift
  if [[ "$1" == msiexec ]]; then
    "$wine" "$@" >"$work/$log" 2>"$work/$log.err" || status=$?
  else
    RAVELIN_WINE="$wine" cmake/toolchains/wine-run.sh "$@" >"$work/$log" 2>"$work/$log.err" || status=$?
  fi
  echo "$status" >"$work/$log.status"
  return "$status"
}
