#!/usr/bin/env bash
# Composes pictures of a rendered skin for looking at it as a whole:
#   SHEET: every bitmap, grouped by control and enlarged four times, labelled with its number;
#   MOCK:  the header of a 420-pixel-wide window with every control where the window puts it,
#          painted the way the controls paint themselves, above the no-picture slide, at twice
#          the size.
# Usage: contact-sheet.sh SKINDIR SHEET.png MOCK.png
set -euo pipefail
skin="$1"
sheet="$2"
mock="$3"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
font=()
fc-match -f '%{file}' DejaVuSans 2>/dev/null | grep -q . && font=(-font "$(fc-match -f '%{file}' DejaVuSans)")

# caption TEXT IMAGE OUTPUT: IMAGE with TEXT in a column on its left.
caption() {
  convert \( -background '#9A9A9A' "${font[@]}" -pointsize 13 -fill black label:"  $1" -gravity west -extent 150x \) "$2" \
    -background '#9A9A9A' -gravity center +append "$3"
}
# row NAME IDS...: one labelled row of enlarged bitmaps.
row() {
  local name="$1"
  shift
  local files=()
  for id in "$@"; do files+=("$skin/$id.bmp"); done
  montage "${font[@]}" -pointsize 11 -label '%t' "${files[@]}" -filter point -resize 400% \
    -geometry +8+6 -tile "${#files[@]}x1" -background '#9A9A9A' "$work/row.png"
  caption "$name" "$work/row.png" "$work/$(printf '%02d' "$row_number").png"
  row_number=$((row_number + 1))
}
row_number=0
row "pause" 207 206 205 204
row "play" 201 202 200 203
row "skip back" 211 209 208 210
row "skip forward" 215 214 213 212
row "previous picture" 219 218 217 223
row "next picture" 222 221 220 216
row "mute: not muted" 243 241 239 237
row "mute: muted" 242 240 238 237
row "always on top" 229 224 225 230
row "window buttons" 228 227 232 257 260 259 262 258 261 226 231
row "indicator" 249 250 251 252 253
row "volume slider" 244 245
row "seek bar" 236 235 246 248 247 255 254
convert "$skin/233.bmp" -filter point -resize 200% -bordercolor '#9A9A9A' -border 8 "$work/header.png"
caption "header 233 (x2)" "$work/header.png" "$work/90.png"
convert "$skin/256.bmp" -bordercolor '#9A9A9A' -border 8 "$work/slide.png"
caption "no picture 256" "$work/slide.png" "$work/91.png"
convert "$work"/[0-9][0-9].png -background '#9A9A9A' -gravity west -append +repage "$sheet"

# The mock: W = 420, H = 390, every control at its place for that size.
W=420
H=390
R=$W
# at ID X Y: arguments that copy bitmap ID opaquely to (X, Y).
at() { args+=("$skin/$1.bmp" -geometry "+$2+$3" -composite); }
# through ID MASK X Y: arguments that draw bitmap ID through its transparency mask.
through() {
  args+=(\( "$skin/$1.bmp" \( "$skin/$2.bmp" -negate \) -alpha off -compose CopyOpacity -composite \)
    -geometry "+$3+$4" -compose Over -composite)
}

# Seek bar (x 232, y 40, W - 242 x 34): flat fill, stretched track, scale, marks, thumb.
sw=$((W - 242))
args=(-size "${sw}x34" 'xc:rgb(180,179,179)' \( "$skin/236.bmp" -filter point -resize "${sw}x18!" \) -geometry +0+8 -composite)
at 255 0 26
at 255 $(((sw - 2) / 2)) 26
at 255 $((sw - 2)) 26
for k in 1 2 3 4 6 7 8 9; do at 254 $((sw / 10 * k)) 27; done
for x in 0 30 71 120 $((sw - 9)); do through 248 247 "$x" 3; done
through 235 246 71 8
convert "${args[@]}" "$work/seek.png"

# Volume slider (36 x 17): the track, then the thumb copied at 70 %.
args=("$skin/244.bmp")
at 245 $(((36 - 8) * 70 / 100)) 0
convert "${args[@]}" "$work/volume.png"

# Picture view: black, with the slide fitted and centred.
convert -size "${W}x$((H - 74))" xc:black \( "$skin/256.bmp" -resize "${W}x$((H - 74))" \) -gravity center \
  -composite "$work/picture.png"

args=("$skin/233.bmp" -filter point -resize "${W}x74!" -background black -extent "${W}x$H"
  "$work/picture.png" -geometry +0+74 -composite "$work/seek.png" -geometry +232+40 -composite
  "$work/volume.png" -geometry "+$((R - 46))+18" -composite)
at 207 5 46
at 201 32 46
at 211 65 49
at 214 88 49 # resting the mouse on skip forward shows its hover look
at 219 112 49
at 222 135 49
at 250 10 18
at 243 $((R - 72)) 18
at 226 $((R - 16)) 3
at 259 $((R - 32)) 3
at 257 $((R - 48)) 3
at 227 $((R - 64)) 3
at 229 $((R - 80)) 3
convert "${args[@]}" -gravity NorthWest "${font[@]}" -pointsize 12 -fill black \
  -annotate +5+3 "Birds of the river delta" -annotate "+$((R - 142))+23" "00:03:20" \
  -filter point -resize 200% "$mock"
