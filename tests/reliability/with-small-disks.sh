#!/usr/bin/env bash
# Runs a command with two small disks mounted for it, and unmounts them afterwards:
#   FOLDER/small     a tmpfs of SIZE (as mount takes it: 512k, 2m), for a disk that fills while
#                    a document is copied
#   FOLDER/readonly  a read-only tmpfs, for a temporary folder nothing can be created in
# Their Windows paths (through Wine's Z: drive) are passed in KAV_SMALL_DISK and
# KAV_READONLY_DISK. Mounting needs root; without it the command runs without them and the
# tests that need them say they were skipped.
#
#   with-small-disks.sh FOLDER SIZE COMMAND...
set -uo pipefail
folder="$1"
size="$2"
shift 2

windows_path() { printf 'Z:%s\\' "$(printf '%s' "$1" | tr '/' '\\')"; }

mounted=()
cleanup() {
  local m
  for m in "${mounted[@]}"; do umount -l "$m" 2>/dev/null; done
}
trap cleanup EXIT

mkdir -p "$folder/small" "$folder/readonly"
if [ "$(id -u)" -eq 0 ]; then
  # A run that was killed may have left its mounts behind.
  umount -l "$folder/small" 2>/dev/null
  umount -l "$folder/readonly" 2>/dev/null
  if mount -t tmpfs -o size=$size,mode=0777 kavsmall "$folder/small" 2>/dev/null; then
    mounted+=("$folder/small")
    export KAV_SMALL_DISK="$(windows_path "$folder/small")"
  fi
  if mount -t tmpfs -o size=64k,ro kavreadonly "$folder/readonly" 2>/dev/null; then
    mounted+=("$folder/readonly")
    export KAV_READONLY_DISK="$(windows_path "$folder/readonly")"
  fi
fi
[ -n "${KAV_SMALL_DISK:-}" ] || echo "with-small-disks: no small disks (mounting needs root); their tests are skipped" >&2
"$@"
