#!/usr/bin/env bash
# Configures (once) and builds every Windows binary into $KAV_BUILD_DIR/bin.
set -euo pipefail
source "$(dirname "$0")/env.sh"
command -v x86_64-w64-mingw32-g++-posix >/dev/null || kav_die "the MinGW-w64 compiler is missing (run scripts/setup.sh)"
if [ ! -f "$KAV_BUILD_DIR/build.ninja" ]; then
  kav_log "configuring the build in $KAV_BUILD_DIR ..."
  cmake -S "$KAV_ROOT" -B "$KAV_BUILD_DIR" -G Ninja \
    -DCMAKE_TOOLCHAIN_FILE="$KAV_ROOT/cmake/mingw-w64.cmake" >/dev/null || kav_die "cmake could not configure the build"
fi
kav_log "building ..."
cmake --build "$KAV_BUILD_DIR" "$@" || kav_die "the build failed"
