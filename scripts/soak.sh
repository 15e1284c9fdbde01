#!/usr/bin/env bash
# The player's long-use run, beyond the short one in the test suite: CYCLES documents handed to
# the running player with WM_COPYDATA (default 1000) and OPERATIONS transport commands (plays,
# pauses, skips and picture jumps; default 1000), with its handle, GDI and memory counts printed
# before and after and checked to stay flat; then the storm of 50 second starts and the faults
# (voice file removed while playing, no mixer, blocked work folder, full disk) as in the suite.
#
#   scripts/soak.sh [CYCLES] [OPERATIONS]
#
# The figures are printed as lines starting with "kavsoak:" and kept in
# $KAV_BUILD_DIR/soak-last-run.log.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cycles="${1:-1000}"
operations="${2:-1000}"

"$here/setup.sh"
"$here/build.sh" --target player_reliability_tests
source "$here/env.sh"
trap kav_services_stop EXIT
kav_services_start
"$here/register-filter.sh"

cd "$KAV_BIN"
export KAV_SOAK_CYCLES="$cycles" KAV_SOAK_OPERATIONS="$operations"
log="$KAV_BUILD_DIR/soak-last-run.log"
set +e
bash "$KAV_ROOT/tests/reliability/with-small-disks.sh" "$KAV_BUILD_DIR/reliability-disks/player" 512k \
  wine player_reliability_tests.exe --gtest_brief=1 2>&1 | grep -v '^ALSA lib' | tee "$log"
status=${PIPESTATUS[0]}
set -e
[ "$status" -eq 0 ] && echo "soak: passed ($cycles hand-offs, $operations commands)" || echo "soak: FAILED; see $log" >&2
exit "$status"
