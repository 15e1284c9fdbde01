#!/usr/bin/env bash
# The long random run of the real player: random actions at random intervals for SECONDS
# (default 600) from the generator seeded with SEED (default 1), with the player's promises
# checked after every action and in between. A broken promise ends the run with the seed, the
# action number and the last 20 actions; the same SECONDS and SEED replay the same actions.
#
#   scripts/monkey.sh [SECONDS] [SEED]
#
# The figures are printed as lines starting with "kavmonkey:" and kept in
# $KAV_BUILD_DIR/monkey-last-run.log; a finding also saves the screen as
# $KAV_BUILD_DIR/monkey-finding.bmp.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
seconds="${1:-600}"
seed="${2:-1}"

"$here/setup.sh"
"$here/build.sh" --target kavmonkey
source "$here/env.sh"
trap kav_services_stop EXIT
kav_services_start
"$here/register-filter.sh"

cd "$KAV_BIN"
log="$KAV_BUILD_DIR/monkey-last-run.log"
set +e
wine kavmonkey.exe "$seconds" "$seed" 2>&1 | grep -v '^ALSA lib' | tee "$log"
status=${PIPESTATUS[0]}
set -e
[ "$status" -eq 0 ] && echo "monkey: passed ($seconds s, seed $seed)" || echo "monkey: FAILED; see $log" >&2
exit "$status"
