#!/usr/bin/env bash
# Makes the demo document: a narrated picture series of about a minute. Each sentence is spoken
# by espeak-ng and gets a slide of its own, rendered by ImageMagick; kavtool encodes the
# narration and packs everything into OUTDIR/demo.kav. One period shows no picture, and one
# reference record marks a moment without changing the picture.
#
#   make-demo.sh OUTDIR
set -euo pipefail
out="$1"
here="$(cd "$(dirname "$0")" && pwd)"
export LC_ALL=C
for tool in espeak-ng sox soxi convert; do
  command -v "$tool" >/dev/null || { echo "make-demo: $tool is missing (run scripts/setup.sh)" >&2; exit 1; }
done

work="$out/demo-parts"
rm -rf "$work"
mkdir -p "$work"

# One line a period: the slide's heading, then the sentence spoken while it shows. A heading of
# "-" is the period without a picture.
periods=(
  "Welcome|Welcome to Kavora Player. This short document shows how a narrated picture series plays."
  "One container|A Kavora file holds one voice recording, a series of pictures, and an index that ties each picture to a moment."
  "Following along|While the recording plays, the player shows the picture whose period holds the playback position."
  "Seeking|Drag the seek bar to any moment. The small marks on the bar show where each picture begins."
  "-|For a few seconds now there is no picture at all. The window shows its empty picture instead."
  "Skipping|The skip buttons move back three seconds or forward ten, and the picture follows at once."
  "Pictures|The next and previous picture buttons jump straight to the start of a picture and play from there."
  "The end|At the end of the recording the player rewinds to the start, shows the first picture again, and waits."
)
colours=('#2A7AB8' '#2E8B57' '#8B4A9C' '#C0562E' '' '#1F7A7A' '#7A6A1F' '#A83244')

args=()
start_ms=0
# The periods as "START_MS PICTURE COLOUR" lines ("-" for none), for the acceptance tests:
# COLOUR is the slide's colour at its top edge.
: >"$out/demo-periods.txt"
parts=()
for i in "${!periods[@]}"; do
  heading="${periods[$i]%%|*}"
  sentence="${periods[$i]#*|}"
  n=$(printf '%02d' $((i + 1)))
  espeak-ng -v en-us -s 150 -w "$work/raw$n.wav" "$sentence"
  # Three quarters of a second of quiet after each sentence, so periods do not run together.
  sox "$work/raw$n.wav" "$work/part$n.wav" pad 0 0.75
  parts+=("$work/part$n.wav")
  if [ "$heading" = "-" ]; then
    args+=(--no-picture "$start_ms")
    echo "$start_ms - -" >>"$out/demo-periods.txt"
  else
    slide="$work/SLIDE$n.JPG"
    convert -size 960x720 "gradient:${colours[$i]}-#101418" \
      -font DejaVu-Sans-Bold -fill white -pointsize 64 -gravity north -annotate +0+120 "$heading" \
      \( -font DejaVu-Sans -pointsize 30 -size 800x -background none -fill white caption:"$sentence" \) \
      -gravity center -geometry +0+60 -composite \
      -font DejaVu-Sans-Bold -pointsize 40 -fill '#FFFFFFB0' -gravity southeast -annotate +40+30 "$((i + 1)) / ${#periods[@]}" \
      -quality 90 "$slide"
    args+=(--picture "$start_ms=$slide")
    echo "$start_ms SLIDE$n.JPG ${colours[$i]}" >>"$out/demo-periods.txt"
  fi
  duration=$(soxi -D "$work/part$n.wav")
  start_ms=$(awk -v s="$start_ms" -v d="$duration" 'BEGIN { printf "%d", s + d * 1000 }')
done
sox "${parts[@]}" "$work/narration.wav"
# A reference record half-way through the second period: it marks a moment for tools and
# changes nothing on screen.
args+=(--reference 9000)

"$here/kavtool.sh" create "$out/demo.kav" --voice "$work/narration.wav" --title "A Tour of Kavora" "${args[@]}"
echo "make-demo: $out/demo.kav ($(awk -v ms="$start_ms" 'BEGIN { printf "%.1f", ms / 1000 }') s, ${#periods[@]} periods)"
