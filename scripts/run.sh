#!/usr/bin/env bash
# Sets everything up and runs Kavora Player on a document (the demo document when none is given).
#
#   scripts/run.sh [document.kav]
#
# With a display (DISPLAY set) the player opens there and the script waits until it is closed.
# Without one, the player runs on a virtual display for a few seconds, screenshots are saved
# under build/screenshots/, and the script says where they are.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
document="${1:-}"
if [ -n "$document" ]; then
  [ -f "$document" ] || { echo "kavora: error: $document: no such file" >&2; exit 1; }
  document="$(cd "$(dirname "$document")" && pwd)/$(basename "$document")"
fi

echo "kavora: checking packages ..."
"$here/setup.sh"
"$here/build.sh"
source "$here/env.sh"

interactive=1
[ -n "${DISPLAY:-}" ] || interactive=0
trap kav_services_stop EXIT
kav_services_start
echo "kavora: registering the recorder source filter ..."
"$here/register-filter.sh"

# The build makes the demo document (espeak-ng narration, ImageMagick slides, packed by kavtool).
if [ -z "$document" ]; then
  document="$KAV_BUILD_DIR/demo/demo.kav"
  [ -f "$document" ] || kav_die "the demo document $document was not built"
fi
args=()
[ -n "$document" ] && args+=("$(winepath -w "$document" 2>/dev/null)")

if [ "$interactive" -eq 1 ]; then
  echo "kavora: starting Kavora Player${document:+ on $document}"
  wine "$KAV_BIN/KavoraPlayer.exe" "${args[@]}"
  exit 0
fi

shots="$KAV_BUILD_DIR/screenshots"
mkdir -p "$shots"
echo "kavora: no display: running the player on a virtual display ($DISPLAY)"
wine "$KAV_BIN/KavoraPlayer.exe" "${args[@]}" 2>/dev/null &
player=$!
for i in 1 2 3; do
  sleep "${KAV_SHOT_INTERVAL:-3}"
  kill -0 "$player" 2>/dev/null || { echo "kavora: error: the player ended early" >&2; exit 1; }
  import -window root "$shots/player-$i.png"
done
# Ask the player to close (taskkill without /f sends its window WM_CLOSE), so that it removes its
# work folder; stop Wine only if it does not end.
wine taskkill /im KavoraPlayer.exe >/dev/null 2>&1 || true
for i in $(seq 50); do kill -0 "$player" 2>/dev/null || break; sleep 0.1; done
if kill -0 "$player" 2>/dev/null; then
  wineserver -k 2>/dev/null || true
fi
wait "$player" 2>/dev/null || true
echo "kavora: screenshots saved: $shots/player-1.png, player-2.png, player-3.png"
