#!/usr/bin/env bash
# Makes the Windows packages from an existing build: the installer and the portable zip.
#
#   installer/make-packages.sh BUILD_DIR OUT_DIR VERSION
#
# BUILD_DIR is a build folder (its bin/ holds the binaries), VERSION is three numbers
# (1.2.3). Prints the path of each package it writes. scripts/package.sh builds first and
# then calls this; the installer test calls it on the build under test.
set -euo pipefail
[ $# -eq 3 ] || { echo "usage: $0 BUILD_DIR OUT_DIR VERSION" >&2; exit 2; }
build_dir=$1 out_dir=$2 version=$3
here="$(cd "$(dirname "$0")" && pwd)"

die() { printf 'make-packages: error: %s\n' "$*" >&2; exit 1; }

[ -d "$build_dir" ] || die "no build folder $build_dir"
# makensis reads the script's paths from the script's own folder, so every path is absolute.
build_dir="$(cd "$build_dir" && pwd)"
bin="$build_dir/bin"

[[ "$version" =~ ^[0-9]+\.[0-9]+\.[0-9]+$ ]] || die "version '$version' is not three numbers such as 1.0.0"
command -v makensis >/dev/null || die "makensis is missing (run scripts/setup.sh, which installs nsis)"
command -v zip >/dev/null || die "zip is missing (run scripts/setup.sh)"
command -v x86_64-w64-mingw32-strip >/dev/null || die "x86_64-w64-mingw32-strip is missing (run scripts/setup.sh)"
binaries=(KavoraPlayer.exe ZEL.dll KavoraSource.dll)
for f in "${binaries[@]}"; do
  [ -f "$bin/$f" ] || die "$bin/$f is missing (build first: scripts/build.sh)"
done
# The command-line tool ships once the build makes it.
[ -f "$bin/kavtool.exe" ] && binaries+=(kavtool.exe)

mkdir -p "$out_dir"
out_dir="$(cd "$out_dir" && pwd)"
installer="$out_dir/KavoraPlayer-$version-setup.exe"
zipfile="$out_dir/KavoraPlayer-$version-portable.zip"

# Both packages take their files from one staging folder, named as the zip unpacks: the
# binaries without their debugging information, and README.txt with Windows line ends.
stage="$(mktemp -d)"
trap 'rm -rf "$stage"' EXIT
folder="$stage/KavoraPlayer-$version"
mkdir "$folder"
for f in "${binaries[@]}"; do
  x86_64-w64-mingw32-strip --strip-debug -o "$folder/$f" "$bin/$f" || die "could not strip $bin/$f"
done
sed -e "s/@VERSION@/$version/g" -e 's/$/\r/' "$here/README.txt" >"$folder/README.txt"

nsis_args=(-V2 -DVERSION="$version" -DBIN_DIR="$folder" -DOUT_FILE="$installer")
icon="$build_dir/resources/skin/player.ico"
[ -f "$icon" ] && nsis_args+=(-DICON_FILE="$icon")
rm -f "$installer"
makensis "${nsis_args[@]}" "$here/KavoraPlayer.nsi" >&2 || die "makensis could not build the installer"

rm -f "$zipfile"
(cd "$stage" && zip -q -X -r "$zipfile" "KavoraPlayer-$version") || die "zip could not write $zipfile"

echo "$installer"
echo "$zipfile"
