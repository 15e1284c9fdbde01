#!/usr/bin/env bash
# Exports the demo document (voice as FLAC), a document whose title is full of markup (the same
# voice as WAV) and a stereo one (both forms) with kavtool, then plays them in headless Chromium
# (export-web.test.mjs).
# Screenshots of the page at desktop and phone width go to the build's screenshots folder.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
source "$here/../../scripts/env.sh"
[ -d "$here/node_modules/puppeteer-core" ] || kav_die "puppeteer-core is missing (run scripts/setup.sh)"
command -v chromium >/dev/null || kav_die "chromium is missing (run scripts/setup.sh)"

work="$KAV_BUILD_DIR/web-export-test"
rm -rf "$work"
mkdir -p "$work" "$KAV_BUILD_DIR/screenshots"
kavtool() { "$KAV_ROOT/scripts/kavtool.sh" "$@" >/dev/null; }

kavtool export-web "$KAV_BUILD_DIR/demo/demo.kav" "$work/demo"
kavtool extract "$KAV_BUILD_DIR/demo/demo.kav" "$work/parts"
kavtool create "$work/markup.kav" --voice "$work/parts/ZEL.TMV" --title Markup \
  --picture 0="$work/parts/SLIDE01.JPG" --no-picture 2000 --picture 4000="$work/parts/SLIDE02.JPG"
# The title is the voice entry's name, which the writer keeps to file-name characters but the
# reader takes as it comes: written into the directory (entry 1 at 32 + 528) by hand.
title='</script><script>alert(1)</script><img src=x onerror=alert(2)> & "Q" <b>bold</b> {{timeline}}'
node -e '
  const fs = require("fs");
  const [path, title] = process.argv.slice(1);
  const bytes = fs.readFileSync(path);
  bytes.fill(0, 32 + 528, 32 + 528 + 512);
  bytes.write(title + ".tmv", 32 + 528, "utf16le");
  fs.writeFileSync(path, bytes);' "$work/markup.kav" "$title"
kavtool export-web "$work/markup.kav" "$work/markup" --audio wav
# Stereo: exact silence (no dither), a tone and noise, so the FLAC writer makes constant blocks,
# predicted ones and raw-coded residual partitions.
sox -D -n -r 16000 -c 2 -b 16 "$work/stereo.wav" synth 2 sine 300 whitenoise pad 0.5 0
kavtool create "$work/stereo.kav" --voice "$work/stereo.wav" --codec pcm
kavtool export-web "$work/stereo.kav" "$work/stereo-flac"
kavtool export-web "$work/stereo.kav" "$work/stereo-wav" --audio wav

export KAV_WEB_DEMO="$work/demo" KAV_WEB_MARKUP="$work/markup" KAV_WEB_MARKUP_TITLE="$title" KAV_WEB_STEREO="$work/stereo"
export KAV_WEB_SCREENSHOTS="$KAV_BUILD_DIR/screenshots"
cd "$here"
exec node --test --test-reporter=tap export-web.test.mjs
