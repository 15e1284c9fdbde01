#!/usr/bin/env bash
# Renders the player's skin into OUTDIR: every skin bitmap as <id>.bmp (24-bit, uncompressed,
# 40-byte header), the program icon as player.ico, and OUTDIR/skin.rc naming each bitmap.
# Usage: make-skin.sh OUTDIR
#
# The skin is drawn three times, from the same shapes: at 100 percent under its own IDs, and at
# 150 and 200 percent under the ID plus 1000 and plus 2000 (IDB_SCALE_150, IDB_SCALE_200), for
# monitors of those scales. Sizes there are the 100 percent sizes scaled and rounded to the
# nearest pixel, as the player scales its layout.
#
# The skin is a light one because the window paints its labels on RGB(200,199,199) and the
# seek bar fills itself with RGB(180,179,179): the header's top band takes the first colour,
# the transport deck under it the second, and one blue accent marks what is active.
# Shapes are drawn eight times larger without antialiasing and averaged down, which gives
# exact coverage at the edges; coordinates below are pixel edges of the final bitmap.
set -euo pipefail
export LC_ALL=C # decimal points in the coordinates the script computes
out="$1"
command -v convert >/dev/null || { echo "make-skin: ImageMagick 'convert' is missing (run scripts/setup.sh)" >&2; exit 1; }
mkdir -p "$out"
rm -f "$out"/*.bmp "$out/skin.rc"

# Palette
band='#C8C7C7'        # header band behind the title, time and window buttons
deck='#B4B3B3'        # transport deck under the band, continued by the seek bar
separator='#8F8E8E'   # line between band and deck
accent='#2A7AB8'
accent_light='#4C98D6'
accent_dark='#1D5B8E'
slate='#34393F'       # glyphs
steel='#5E656C'       # quiet glyphs and grooves

# Button looks: face gradient top and bottom, outline, glyph.
declare -A face_top=([normal]='#F8F8F8' [hover]='#FFFFFF' [pressed]='#1E5C90')
declare -A face_bottom=([normal]='#D3D3D3' [hover]='#DCE9F5' [pressed]='#3A88C8')
declare -A outline=([normal]='#7C8186' [hover]="$accent" [pressed]='#174872')
declare -A ink=([normal]="$slate" [hover]="$accent" [pressed]='#FFFFFF')

scale=8
# The skin's scale in percent and the ID offset of its bitmaps, set for each pass below.
zoom=100
offset=0
# Each bitmap is rendered by its own process, two or more at a time; `finish` waits for all
# of them and fails if any failed.
export MAGICK_THREAD_LIMIT=1
pids=()
run() { "$@" & pids+=("$!"); }
finish() {
  local pid failed=0
  for pid in "${pids[@]}"; do wait "$pid" || failed=1; done
  pids=()
  ((failed == 0)) || { echo "make-skin: rendering failed" >&2; exit 1; }
}

# scaled LENGTH: a length of the 100 percent skin at the present zoom, to the nearest pixel.
scaled() { echo $((($1 * zoom + 50) / 100)); }
# draw W H BACKGROUND MVG OPTIONS... OUTPUT: renders MVG, whose coordinates are those of the
# 100 percent skin, supersampled at the present zoom, then applies OPTIONS.
draw() {
  local w h bg="$3" mvg="$4" factor
  w=$(scaled "$1")
  h=$(scaled "$2")
  factor=$((scale * zoom / 100))
  shift 4
  convert -size "$((w * scale))x$((h * scale))" "xc:$bg" +antialias \
    -draw "translate -0.5,-0.5 scale $factor,$factor $mvg" -scale "${w}x${h}!" "$@"
}
file() { echo "$out/$(($1 + offset)).bmp"; }
bmp3() { echo "BMP3:$(file "$1")"; }
# bitmap ID W H BACKGROUND MVG: one skin bitmap.
bitmap() { run draw "$2" "$3" "$4" "$5" -alpha off -type TrueColor "$(bmp3 "$1")"; }
# hit_mask ID W H MVG: black where MVG covers at least half a pixel, white elsewhere.
hit_mask() { run draw "$2" "$3" white "fill black $4" -threshold 50% -alpha off -type TrueColor "$(bmp3 "$1")"; }
# cutout IMAGE_ID MASK_ID W H BACKGROUND MVG: a transparently drawn image and its mask. Every
# pixel the shape touches is opaque, its edge already blended with BACKGROUND, the colour it
# is meant to stand on; the image is black where the mask is white.
cutout() { run cutout_now "$@"; }
cutout_now() {
  local image="$1" mask="$2" w="$3" h="$4" bg="$5" mvg="$6"
  draw "$w" "$h" none "$mvg" -alpha extract -threshold 0 -negate -type TrueColor "$(bmp3 "$mask")"
  draw "$w" "$h" "$bg" "$mvg" \( "$(file "$mask")" -negate \) -compose Multiply -composite \
    -alpha off -type TrueColor "$(bmp3 "$image")"
}

# vgradient ID Y0 Y1 TOP BOTTOM: a vertical gradient definition for `fill url(#ID)`.
vgradient() {
  printf 'push defs push gradient %s linear 0,%s 0,%s stop-color %s 0 stop-color %s 1 pop gradient pop defs ' "$@"
}
# capsule X0 Y0 X1 Y1 R ROUND: outline of a box whose corners on the side ROUND (left, right
# or both) are rounded with radius R.
capsule() {
  local x0=$1 y0=$2 x1=$3 y1=$4 r=$5 round=$6 rl=0 rr=0
  [[ $round == left || $round == both ]] && rl=$r
  [[ $round == right || $round == both ]] && rr=$r
  printf "path 'M %s,%s H %s" $((x0 + rl)) "$y0" $((x1 - rr))
  ((rr)) && printf ' A %s,%s 0 0 1 %s,%s' "$rr" "$rr" "$x1" $((y0 + rr))
  printf ' V %s' $((y1 - rr))
  ((rr)) && printf ' A %s,%s 0 0 1 %s,%s' "$rr" "$rr" $((x1 - rr)) "$y1"
  printf ' H %s' $((x0 + rl))
  ((rl)) && printf ' A %s,%s 0 0 1 %s,%s' "$rl" "$rl" "$x0" $((y1 - rl))
  printf ' V %s' $((y0 + rl))
  ((rl)) && printf ' A %s,%s 0 0 1 %s,%s' "$rl" "$rl" $((x0 + rl)) "$y0"
  printf " Z' "
}

# Everything from here to the header is one pass over the skin at the present zoom.
skin_bitmaps() {
# ---------------------------------------------------------------------------------------------
# Transport buttons: three segmented pairs on the deck (pause|play, back|forward,
# previous|next picture). The left segment of a pair owns the divider line; the right one
# has no outline on its left side, so the pair reads as one control.

# corner H: corner radius of a segment H pixels high.
corner() { if (($1 < 24)); then echo 4; else echo 5; fi; }

# segment LOOK H X0 X1 SIDE GLYPH: the face of one segment, spanning X0..X1 and the full
# height H, with its glyph (SIDE is the rounded side, left or right).
segment() {
  local look="$1" h="$2" x0="$3" x1="$4" side="$5" glyph="$6" r inner_x0
  r=$(corner "$h")
  inner_x0=$((x0 + 1))
  [[ $side == right ]] && inner_x0=$x0
  printf '%s' "$(vgradient face 1 $((h - 1)) "${face_top[$look]}" "${face_bottom[$look]}")"
  printf 'fill %s %s' "${outline[$look]}" "$(capsule "$x0" 0 "$x1" "$h" "$r" "$side")"
  printf 'push graphic-context fill url(#face) %s pop graphic-context ' "$(capsule "$inner_x0" 1 $((x1 - 1)) $((h - 1)) $((r - 1)) "$side")"
  printf 'fill %s %s' "${ink[$look]}" "$glyph"
}
# transport W H X0 X1 SIDE GLYPH NORMAL HOVER PRESSED MASK: a segment's three looks and its
# hit-test mask, which follows the segment's outline.
transport() {
  local w="$1" h="$2" x0="$3" x1="$4" side="$5" glyph="$6" look
  local -A ids=([normal]="$7" [hover]="$8" [pressed]="$9")
  for look in normal hover pressed; do
    bitmap "${ids[$look]}" "$w" "$h" "$deck" "$(segment "$look" "$h" "$x0" "$x1" "$side" "$glyph")"
  done
  hit_mask "${10}" "$w" "$h" "$(capsule "$x0" 0 "$x1" "$h" "$(corner "$h")" "$side")"
}

pause_glyph="rectangle 9,7 12,17 rectangle 15,7 18,17"
play_glyph="polygon 12,6 12,18 22.5,12"
back_glyph="polygon 8,9.5 13,5.5 13,13.5 polygon 13,9.5 18,5.5 18,13.5"
forward_glyph="polygon 5,5.5 10,9.5 5,13.5 polygon 10,5.5 15,9.5 10,13.5"
prev_glyph="rectangle 8,6 10,13 polygon 10,9.5 17,5.5 17,13.5"
next_glyph="polygon 5,5.5 12,9.5 5,13.5 rectangle 12,6 14,13"

transport 27 24 0 27 left "$pause_glyph" 207 206 205 204
# The play glyph is blue even at rest: it is the one primary action.
ink[normal]="$accent"
transport 32 24 0 30 right "$play_glyph" 201 202 200 203
ink[normal]="$slate"
transport 23 19 3 23 left "$back_glyph" 211 209 208 210
transport 23 19 0 21 right "$forward_glyph" 215 214 213 212
transport 23 19 3 23 left "$prev_glyph" 219 218 217 223
transport 23 19 0 21 right "$next_glyph" 222 221 220 216

# ---------------------------------------------------------------------------------------------
# Window buttons on the band: flat glyphs in a 9 x 9 box, clickable over their whole rectangle.

whole() { printf 'rectangle 0,0 %s,%s' "$1" "$2"; }
window_button() { bitmap "$1" "$3" "$4" "$band" "$5"; hit_mask "$2" "$3" "$4" "$(whole "$3" "$4")"; }

# cross CX CY HALF: an upright cross turned by 45 degrees, arms HALF long and 1.6 thick.
cross() {
  printf 'push graphic-context translate %s,%s rotate 45 ' "$1" "$2"
  printf 'rectangle -%s,-0.8 %s,0.8 rectangle -0.8,-%s 0.8,%s pop graphic-context ' "$3" "$3" "$3" "$3"
}
window_button 226 231 11 11 "fill $slate $(cross 5.5 5.5 4.4)"
window_button 257 260 13 11 "fill $slate rectangle 2,8 11,10"
window_button 259 262 13 11 "fill $slate rectangle 2,1 11,10 fill $band rectangle 3,3 10,9"
window_button 258 261 13 11 "fill $slate rectangle 4,1 11,8 fill $band rectangle 5,3 10,7
  fill $slate rectangle 2,4 9,10 fill $band rectangle 3,6 8,9"
# Strip view: the bar folds up into a strip, or opens down again into the full window.
window_button 227 232 13 11 "fill $slate rectangle 2,1 11,3 polygon 2.4,8.4 6.5,4.3 10.6,8.4 9.5,9.5 6.5,6.5 3.5,9.5"
bitmap 228 13 11 "$band" "fill $slate rectangle 2,1 11,3 polygon 3.5,4.5 6.5,7.5 9.5,4.5 10.6,5.6 6.5,9.7 2.4,5.6"

# Always on top: a pin lying tilted while off, upright and blue while on.
pin() {
  printf 'push graphic-context translate 7,6.5 rotate %s translate -7,-6.5 fill %s ' "$1" "$2"
  printf 'roundrectangle 4,0.5 10,2.5 0.8,0.8 rectangle 5,2.5 9,7 polygon 3,8.5 4.5,7 9.5,7 11,8.5 '
  printf 'polygon 6.2,8.5 7.8,8.5 7,12.8 pop graphic-context '
}
bitmap 229 14 13 "$band" "$(pin 40 "$slate")"
bitmap 224 14 13 "$band" "$(pin 0 "$accent")"
bitmap 225 14 13 "$band" "$(vgradient face 0 13 "${face_top[pressed]}" "${face_bottom[pressed]}")
  push graphic-context fill url(#face) roundrectangle 0,0 14,13 3,3 pop graphic-context $(pin 0 white)"
hit_mask 230 14 13 "$(whole 14 13)"

# wave CX CY R WIDTH DEGREES: a sound wave, the ring of radius R and the given width around
# (CX, CY) between -DEGREES and +DEGREES, as a polygon. (Glyphs are filled shapes, not
# strokes: ImageMagick closes wide stroked arcs.)
wave() {
  awk -v cx="$1" -v cy="$2" -v r="$3" -v w="$4" -v a="$5" '
    function point(radius, i,   t) {
      t = (-a + 2 * a * i / 12) * atan2(0, -1) / 180
      printf " %.3f,%.3f", cx + radius * cos(t), cy + radius * sin(t)
    }
    BEGIN {
      printf "polygon"
      for (i = 0; i <= 12; i++) point(r + w / 2, i)
      for (i = 12; i >= 0; i--) point(r - w / 2, i)
      printf " "
    }'
}
# Mute toggle: a speaker with sound waves, or crossed out while muted. At rest a flat glyph
# like the window buttons; hover and pressed raise the transport buttons' face behind it.
speaker="rectangle 6,6 9,11 polygon 9,6 13,2.5 13,14.5 9,11"
waves="$(wave 12.5 8.5 3.2 1.3 48) $(wave 12.5 8.5 6.3 1.3 48)"
crossed="$(cross 19 8.5 3.3)"
mute_look() {
  local look="$1" glyph="$2" ink_colour="${ink[$1]}"
  if [[ $look != normal ]]; then
    vgradient face 0 17 "${face_top[$look]}" "${face_bottom[$look]}"
    printf 'fill %s roundrectangle 0,0 27,17 3,3 ' "${outline[$look]}"
    printf 'push graphic-context fill url(#face) roundrectangle 1,1 26,16 2,2 pop graphic-context '
  fi
  printf 'fill %s %s %s' "$ink_colour" "$speaker" "$glyph"
}
declare -A unmuted_ids=([normal]=243 [hover]=241 [pressed]=239) muted_ids=([normal]=242 [hover]=240 [pressed]=238)
for look in normal hover pressed; do
  bitmap "${unmuted_ids[$look]}" 27 17 "$band" "$(mute_look "$look" "$waves")"
  bitmap "${muted_ids[$look]}" 27 17 "$band" "$(mute_look "$look" "$crossed")"
done
hit_mask 237 27 17 "roundrectangle 0,0 27,17 3,3"

# ---------------------------------------------------------------------------------------------
# Sliders. The volume slider's thumb is copied opaquely onto its track, so both stand on the
# band; the seek bar's thumb and picture marks are drawn through masks over the deck.

knob() { # X0 Y0 X1 Y1 RADIUS
  vgradient knob "$2" "$4" "$accent_light" "$accent_dark"
  printf 'fill %s roundrectangle %s,%s %s,%s %s,%s ' "$accent_dark" "$1" "$2" "$3" "$4" "$5" "$5"
  printf 'push graphic-context fill url(#knob) roundrectangle %s,%s %s,%s %s,%s pop graphic-context ' \
    "$(awk "BEGIN{print $1 + 1}")" "$(($2 + 1))" "$(awk "BEGIN{print $3 - 1}")" "$(($4 - 1))" "$(($5 - 1))" "$(($5 - 1))"
}
bitmap 244 36 17 "$band" "fill #A3A8AD stroke #6F757B stroke-width 1 polygon 2.5,12.5 33.5,12.5 33.5,4.5 2.5,11"
bitmap 245 8 17 "$band" "$(knob 0.5 2 7.5 15 2) fill #FFFFFF rectangle 2,8 6,9"

bitmap 236 64 18 "$deck" "fill #7A7979 rectangle 0,7 64,8 fill #8F8E8E rectangle 0,8 64,11 fill #C9C8C8 rectangle 0,11 64,12"
cutout 235 246 9 18 "$deck" "$(knob 0.5 0 8.5 18 3) fill #FFFFFF rectangle 3,7 6,8 rectangle 3,10 6,11"
cutout 248 247 9 20 "$deck" "fill $accent polygon 1.5,0.5 7.5,0.5 4.5,5 rectangle 4,4 5,20"
bitmap 255 2 6 "$deck" "fill $steel rectangle 0,0 2,6"
bitmap 254 1 4 "$deck" "fill #7E858C rectangle 0,0 1,4"

# ---------------------------------------------------------------------------------------------
# Transport indicator: a round badge beside the title, blue while something happens.

badge() { printf 'fill %s circle 8,8 8,1 fill white stroke none %s' "$1" "$2"; }
bitmap 249 16 16 "$band" "fill none stroke #A2A1A1 stroke-width 1.2 circle 8,8 8,1.6"
bitmap 250 16 16 "$band" "$(badge "$accent" "polygon 6,4.5 6,11.5 12,8")"
bitmap 251 16 16 "$band" "$(badge "$accent" "polygon 3.5,8 7.5,5 7.5,11 polygon 7.5,8 11.5,5 11.5,11")"
bitmap 252 16 16 "$band" "$(badge "$steel" "rectangle 5,5 7,11 rectangle 9,5 11,11")"
bitmap 253 16 16 "$band" "$(badge "$accent" "polygon 4.5,5 8.5,8 4.5,11 polygon 8.5,5 12.5,8 8.5,11")"

# ---------------------------------------------------------------------------------------------
# Header background, stretched horizontally to the window's width: only horizontal bands, so
# it looks the same at every width. A blue line on top, the band for the labels and window
# buttons, a separator, and the deck that the seek bar continues.
bitmap 233 420 74 "$deck" "fill $accent rectangle 0,0 420,2 fill #D6D5D5 rectangle 0,2 420,3
  fill $band rectangle 0,3 420,38 fill #BDBCBC rectangle 0,38 420,39 fill $separator rectangle 0,39 420,40"

}

for pass in "100 0" "150 1000" "200 2000"; do
  read -r zoom offset <<<"$pass"
  skin_bitmaps
  finish
done
zoom=100
offset=0

# ---------------------------------------------------------------------------------------------
# The picture shown when the position has no picture: a quiet slide with a picture symbol.
bitmap 256 320 240 '#1B1F24' "$(vgradient slide 0 240 '#2A3037' '#16191D')
  push graphic-context fill url(#slide) rectangle 0,0 320,240 pop graphic-context
  fill none stroke #59626B stroke-width 5 roundrectangle 114,78 206,152 9,9
  fill #59626B stroke none polygon 124,142 148,110 166,130 176,120 196,142
  fill $accent circle 180,98 180,108"

# ---------------------------------------------------------------------------------------------
# Program icon at 16, 32 and 48 pixels, drawn on a 48-unit grid: a picture card on the blue
# tile with a play badge; the 16-pixel icon keeps only the card and a play sign.
icon() {
  local size="$1" f content
  f=$(awk "BEGIN{print $size / 48}")
  if ((size > 16)); then
    content="fill white roundrectangle 8,10 36,34 3,3
      fill $accent_light polygon 12,30 19,20 24,26 27,23 32,30 circle 28,16 28,19
      fill white circle 34,34 34,23 fill $accent_dark circle 34,34 34,25.5 fill white polygon 31,29.5 31,38.5 38.5,34"
  else
    content="fill white roundrectangle 8,11 40,37 4,4 fill $accent polygon 19,15 19,33 32,24"
  fi
  draw "$size" "$size" none "scale $f,$f $(vgradient tile 4 44 "$accent_light" "$accent_dark")
    fill $accent_dark roundrectangle 3,3 45,45 10,10
    push graphic-context fill url(#tile) roundrectangle 4.5,4.5 43.5,43.5 8.5,8.5 pop graphic-context
    $content" "$out/icon$size.png"
}
for size in 16 32 48; do run icon "$size"; done
finish
convert "$out/icon16.png" "$out/icon32.png" "$out/icon48.png" "$out/player.ico"
rm -f "$out"/icon*.png

for f in "$out"/*.bmp; do
  printf '%s BITMAP "%s"\n' "$(basename "$f" .bmp)" "$f"
done >"$out/skin.rc"
