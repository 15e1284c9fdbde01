#!/usr/bin/env bash
# Renders the skin bitmaps into OUTDIR and writes OUTDIR/skin.rc, which names each of them.
set -euo pipefail
out="$1"
mkdir -p "$out"
command -v convert >/dev/null || { echo "make-skin: ImageMagick 'convert' is missing (run scripts/setup.sh)" >&2; exit 1; }

# id width height colour
while read -r id w h colour; do
  convert -size "${w}x${h}" "xc:$colour" -type TrueColor "BMP3:$out/$id.bmp"
done <<'LIST'
200 32 24 #3a7bd5
201 32 24 #2d5fa8
202 32 24 #4a8be5
203 32 24 black
204 27 24 black
205 27 24 #3a7bd5
206 27 24 #4a8be5
207 27 24 #2d5fa8
208 23 19 #3a7bd5
209 23 19 #4a8be5
210 23 19 black
211 23 19 #2d5fa8
212 23 19 black
213 23 19 #3a7bd5
214 23 19 #4a8be5
215 23 19 #2d5fa8
216 23 19 black
217 23 19 #3a7bd5
218 23 19 #4a8be5
219 23 19 #2d5fa8
220 23 19 #3a7bd5
221 23 19 #4a8be5
222 23 19 #2d5fa8
223 23 19 black
224 14 13 #e0a020
225 14 13 #3a7bd5
226 11 11 #c03030
227 13 11 #2d5fa8
228 13 11 #4a8be5
229 14 13 #2d5fa8
230 14 13 black
231 11 11 black
232 13 11 black
233 420 74 #c8c7c7
235 9 18 #2d5fa8
236 64 18 #909090
237 27 17 black
238 27 17 #3a7bd5
239 27 17 #3a7bd5
240 27 17 #4a8be5
241 27 17 #4a8be5
242 27 17 #802020
243 27 17 #2d5fa8
244 36 17 #909090
245 8 17 #2d5fa8
246 9 18 black
247 5 20 black
248 5 20 #e0a020
249 16 16 #c8c7c7
250 16 16 #30a030
251 16 16 #3a7bd5
252 16 16 #e0a020
253 16 16 #3a7bd5
254 1 5 #505050
255 2 8 #303030
256 320 240 #202020
257 13 11 #2d5fa8
258 13 11 #2d5fa8
259 13 11 #2d5fa8
260 13 11 black
261 13 11 black
262 13 11 black
LIST
convert -size 32x32 xc:#2d5fa8 "$out/player.ico"
for f in "$out"/2[0-9][0-9].bmp; do
  id=$(basename "$f" .bmp)
  echo "$id BITMAP \"$f\""
done >"$out/skin.rc"
