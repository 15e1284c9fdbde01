#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the player need, skipping those
# already present. Safe to run any number of times.
set -euo pipefail

packages=(
  mingw-w64 g++-mingw-w64-x86-64-posix cmake ninja-build         # cross compiler and build
  wine wine64                                                    # runs the Windows binaries
  xvfb xauth x11-apps xdotool imagemagick                        # virtual display, screenshots, artwork
  pulseaudio pulseaudio-utils                                    # null sound sink for the mixer and DirectShow
  gstreamer1.0-plugins-base gstreamer1.0-plugins-good            # Wine's DirectShow parsers
  googletest                                                     # test framework sources
  espeak-ng sox                                                  # demo narration and sound checks
  nsis zip                                                       # Windows installer and portable zip
  chromium nodejs                                                # the exported web page's browser test
)

# The browser test drives Chromium with puppeteer-core, installed from the lock file kept beside it.
install_web_test_modules() {
  local web="$(dirname "$0")/../tests/web"
  [ "$web/node_modules/.package-lock.json" -nt "$web/package-lock.json" ] && return 0
  command -v npm >/dev/null || { echo "setup: npm is missing (install the npm package)" >&2; exit 1; }
  echo "setup: installing the browser test's node modules ..."
  (cd "$web" && npm ci --no-audit --no-fund >/tmp/kavora-npm.log 2>&1) || {
    echo "setup: npm ci failed in tests/web; see /tmp/kavora-npm.log" >&2
    exit 1
  }
}

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
  install_web_test_modules
  exit 0
fi

if [ "$(id -u)" -ne 0 ]; then
  echo "setup: missing packages: ${missing[*]} (install them with: sudo apt-get install ${missing[*]})" >&2
  exit 1
fi
echo "setup: installing ${missing[*]} ..."
export DEBIAN_FRONTEND=noninteractive
if ! apt-get install -y --no-install-recommends "${missing[@]}" >/tmp/kavora-apt.log 2>&1; then
  apt-get update >>/tmp/kavora-apt.log 2>&1 || true
  apt-get install -y --no-install-recommends "${missing[@]}" >>/tmp/kavora-apt.log 2>&1 || {
    echo "setup: apt-get could not install ${missing[*]}; see /tmp/kavora-apt.log" >&2
    exit 1
  }
fi
command -v npm >/dev/null || apt-get install -y --no-install-recommends npm >>/tmp/kavora-apt.log 2>&1 || true
install_web_test_modules
echo "setup: done"
