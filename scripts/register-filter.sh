#!/usr/bin/env bash
# Registers the recorder source filter (KavoraSource.dll) in the project's Wine prefix, so the
# player and the tests can create it by its class identifier. Run after the build; the Wine
# prefix must exist (kav_services_start creates it).
#
#   scripts/register-filter.sh            register
#   scripts/register-filter.sh --remove   unregister
set -euo pipefail
source "$(dirname "$0")/env.sh"
dll="$KAV_BIN/KavoraSource.dll"
[ -f "$dll" ] || kav_die "$dll is missing (run scripts/build.sh)"
[ -f "$WINEPREFIX/system.reg" ] || kav_die "no Wine prefix in $WINEPREFIX (run kav_services_start first)"
args=(/s)
[ "${1:-}" = "--remove" ] && args+=(/u)
# regsvr32 records the DLL's own Windows path, so registering from the bin folder by name
# points the class at this build's DLL.
cd "$KAV_BIN"
wine regsvr32 "${args[@]}" KavoraSource.dll </dev/null || kav_die "regsvr32 ${args[*]} KavoraSource.dll failed"
