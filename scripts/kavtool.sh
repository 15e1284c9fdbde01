#!/usr/bin/env bash
# Runs kavtool.exe from the build under Wine, in the project's Wine prefix:
#
#   scripts/kavtool.sh inspect /path/to/talk.kav --json
#
# The tool is a console program and needs neither the virtual display nor the sound server.
# Linux paths work as they are, absolute or relative: Wine maps the Linux root to drive Z:
# and passes paths with forward slashes through, so /home/me/talk.kav reaches the tool as a
# path on Z: and talk.kav as one in the current folder. Output is UTF-8, exit status the tool's.
set -euo pipefail
source "$(dirname "$0")/env.sh"
exe="$KAV_BIN/kavtool.exe"
[ -f "$exe" ] || kav_die "$exe is missing (run scripts/build.sh --target kavtool)"
kav_prepare_prefix
exec wine "$exe" "$@"
