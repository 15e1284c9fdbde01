#!/usr/bin/env bash
# Builds the shipped binaries and packages them for Windows into $KAV_BUILD_DIR/dist/:
# the installer KavoraPlayer-VERSION-setup.exe and the portable KavoraPlayer-VERSION-portable.zip.
# Prints the path of each.
#
#   scripts/package.sh                 version 1.0.0
#   KAV_VERSION=1.2.3 scripts/package.sh
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/env.sh"
version="${KAV_VERSION:-1.0.0}"

"$here/build.sh" --target KavoraPlayer ZEL KavoraSource
# The command-line tool joins the packages once the build defines it.
if ninja -C "$KAV_BUILD_DIR" -t targets all 2>/dev/null | grep -q '^kavtool: '; then
  "$here/build.sh" --target kavtool
fi

kav_log "packaging version $version ..."
"$KAV_ROOT/installer/make-packages.sh" "$KAV_BUILD_DIR" "$KAV_BUILD_DIR/dist" "$version"
