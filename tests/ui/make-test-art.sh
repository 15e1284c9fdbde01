#!/usr/bin/env bash
# Draws the bitmaps of the test skin module into ART and the test pictures into PICTURES.
# Usage: make-test-art.sh ART PICTURES
set -euo pipefail
art="$1"
pictures="$2"
mkdir -p "$art" "$pictures"

# bmp NAME ARGS...: a 24-bit uncompressed bitmap with a 40-byte header.
bmp() { local name="$1"; shift; convert "$@" -type TrueColor "BMP3:$art/$name.bmp"; }
# halves NAME WIDTH HEIGHT LEFT RIGHT: left and right half in two colours.
halves() { bmp "$1" -size "$(($2 / 2))x$3" "xc:$4" "xc:$5" +append; }
# quadrants WIDTH HEIGHT: red, green over blue, white.
quadrants() {
  local w=$(($1 / 2)) h=$(($2 / 2))
  convert \( -size "${w}x${h}" xc:'#ff0000' xc:'#00ff00' +append \) \
          \( -size "${w}x${h}" xc:'#0000ff' xc:'#ffffff' +append \) -append "${@:3}"
}

bmp button_normal -size 24x16 xc:'#c80000'
halves button_mask 24 16 black white
bmp button_pressed -size 24x16 xc:'#00c800'
bmp button_hover -size 24x16 xc:'#0000c8'
bmp button_disabled -size 24x16 xc:'#808080'
bmp button_large -size 30x20 xc:'#c8c800'

halves thumb 8 17 '#0000ff' black
halves thumb_mask 8 17 black white
halves thumb_disabled 8 17 '#ffff00' black
halves track 18 17 '#00ff00' '#006400'

bmp seek_thumb -size 9x18 xc:'#0000ff'
bmp seek_thumb_mask -size 9x18 xc:black
bmp seek_disabled -size 9x18 xc:'#ffff00'
bmp seek_track -size 64x18 xc:'#909090'
bmp major_tick -size 2x8 xc:'#ff0000'
bmp minor_tick -size 1x5 xc:'#008000'
bmp mark -size 4x20 xc:black xc:'#ff00ff' xc:black +append
bmp mark_mask -size 4x20 xc:white xc:black xc:white +append

quadrants 200 100 -type TrueColor "BMP3:$art/picture_24.bmp"
quadrants 200 100 -type Palette "BMP3:$art/picture_palette.bmp"
quadrants 200 100 -type TrueColor "BMP:$art/picture_v5.bmp"

# Pictures read from files.
quadrants 200 100 "$pictures/quad.png"
quadrants 200 100 -quality 95 -sampling-factor 1x1 "$pictures/quad.jpg"
quadrants 100 200 "$pictures/tall.png"
convert -size 300x200 xc:'#ffff00' "$pictures/wide3x2.png"
convert -size 640x360 gradient:'#1a3d7a'-'#f0c070' -fill '#2a5a2a' -draw 'ellipse 320 420 420 150 0 360' \
  -quality 90 "$pictures/scene.jpg"
quadrants 8000 6000 -quality 80 "$pictures/huge.jpg"
printf 'this is not a picture\n' >"$pictures/broken.jpg"
: >"$pictures/empty.jpg"
head -c 300 "$pictures/quad.jpg" >"$pictures/truncated.jpg"
touch "$art/stamp"
