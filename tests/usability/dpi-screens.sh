#!/usr/bin/env bash
# Shows the player at 100, 150 and 200 percent: for each scale it sets Wine's screen scale
# (LogPixels in the build's own prefix), runs the usability test that checks the layout at that
# scale, and converts the screenshot it leaves to $KAV_BUILD_DIR/screenshots/scale-<dpi>.png.
# The prefix is set back to 96 dots per inch at the end, whatever happened.
#
#   KAV_BUILD_DIR=... tests/usability/dpi-screens.sh     (after scripts/build.sh)
set -euo pipefail
source "$(dirname "$0")/../../scripts/env.sh"
trap 'wine reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d 96 /f >/dev/null 2>&1 || true; kav_services_stop' EXIT
kav_services_start
"$KAV_ROOT/scripts/register-filter.sh"
shots="$KAV_BUILD_DIR/screenshots"
mkdir -p "$shots"
failed=0
for dpi in 96 144 192; do
  wine reg add "HKCU\\Control Panel\\Desktop" /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
  (cd "$KAV_BIN" && wine usability_tests.exe --gtest_brief=1 --gtest_filter='*SkinFollowsTheScaleOfTheScreen*') || failed=1
  convert "$shots/usability-scale-$dpi.bmp" -crop 900x800+0+0 +repage "$shots/scale-$dpi.png"
  kav_log "$dpi dpi: $shots/scale-$dpi.png"
done
exit "$failed"
