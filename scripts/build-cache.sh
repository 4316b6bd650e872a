# Sourced by the build scripts: when ccache is there, the project's own objects
# are cached outside the clone, in /var/cache/ravelin/ccache, next to the
# third-party builds. CI builds a fresh clone each time; paths are taken
# relative to the clone, so a new clone of the same sources hits the cache.
# Takes effect when a build folder is configured the first time.
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_DIR="${CCACHE_DIR:-/var/cache/ravelin/ccache}"
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1
  export CMAKE_C_COMPILER_LAUNCHER=ccache CMAKE_CXX_COMPILER_LAUNCHER=ccache
  mkdir -p "$CCACHE_DIR"
fi
