# Shared by the build, test and demo scripts.
ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
JOBS="${JOBS:-$(nproc)}"

# configure_build DIR [cmake options...]: configures once, then builds incrementally
# (everything, or only $VQ_BUILD_TARGET when set).
configure_build() {
  local dir="$1"; shift
  if [ ! -f "$dir/build.ninja" ]; then
    cmake -S "$ROOT" -B "$dir" -G Ninja -DCMAKE_C_COMPILER_LAUNCHER=ccache \
      -DCMAKE_CXX_COMPILER_LAUNCHER=ccache "$@"
  fi
  CCACHE_DIR="$dir/.ccache" cmake --build "$dir" -j "$JOBS" ${VQ_BUILD_TARGET:+--target "$VQ_BUILD_TARGET"}
}

# Qt and Mesa write caches under HOME and XDG_RUNTIME_DIR: keep them in temporary folders.
qt_test_env() {
  local tmp
  tmp="$(mktemp -d /tmp/velquor-qt.XXXXXX)"
  mkdir -p "$tmp/home" "$tmp/run"
  chmod 700 "$tmp/run"
  export HOME="$tmp/home" XDG_RUNTIME_DIR="$tmp/run"
  export QT_LOGGING_RULES="qt.webenginecontext.info=false"
  # WebEngine refuses to start as root with its sandbox on; only root runs without it.
  if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
}
