#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite under Wine.
# Extra arguments go to ctest (for example -R document).
set -euo pipefail
here="$(dirname "$0")"
"$here/setup.sh"
"$here/build.sh"
source "$here/env.sh"
trap kav_services_stop EXIT
kav_services_start
cd "$KAV_BUILD_DIR"
ctest --output-on-failure --timeout 300 "$@"
