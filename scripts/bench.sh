#!/usr/bin/env bash
# Runs the benchmarks under Wine and prints one table: each figure beside the reference it was
# measured against in the same run, their ratio, the target and whether it was met. The inputs
# (documents of 10 MB, 200 MB and 1 GB, pictures, voice tracks) are made fresh and deleted as the
# run goes. The table is also written as Markdown to $KAV_BUILD_DIR/bench-results.md.
#
#   scripts/bench.sh [--quick] [--long]
#
#   --quick   skips the 1 GB document (which needs about 3 GB of free disk for a while)
#   --long    plays a 10-minute document for the memory check instead of a 2-minute one
#
# The default run takes about ten minutes on two cores. A failed self-check (a benchmark whose
# answer was wrong) shows as WRONG in the table and makes the script exit with status 2.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
quick=0
long=0
for argument in "$@"; do
  case "$argument" in
    --quick) quick=1 ;;
    --long) long=1 ;;
    *) echo "usage: scripts/bench.sh [--quick] [--long]" >&2; exit 64 ;;
  esac
done
command_line="scripts/bench.sh${*:+ $*}"

"$here/build.sh" --target kavbench kavbench_player KavoraPlayer KavoraSource ZEL demo
source "$here/env.sh"
data="$KAV_BUILD_DIR/bench-data"
rows="$data/rows.tsv"
results="$KAV_BUILD_DIR/bench-results.md"
cleanup() {
  rm -rf "$data"
  kav_services_stop
}
trap cleanup EXIT
rm -rf "$data"
mkdir -p "$data"
: >"$rows"
kav_services_start
"$here/register-filter.sh"

load_average() { cut -d' ' -f1-3 /proc/loadavg; }
load_at_start="$(load_average)"
win() { winepath -w "$1" 2>/dev/null; }

# Runs one benchmark program under Wine; its rows join the table, its notes go to the terminal.
status=0
bench() {
  local program="$1"; shift
  kav_log "$program $*"
  local output="$data/output.txt"
  wine "$KAV_BIN/$program.exe" "$@" >"$output" || { local code=$?; [ "$code" -eq 2 ] || kav_log "$program $1 ended with status $code"; status=2; }
  grep '^ROW' "$output" | cut -f2- >>"$rows" || true
}

# Pictures: a small one that fills a document's 500 picture periods, a 1920x1080 one and a
# 6000x4000 one, and a second of that size to switch to. Noise keeps the JPEGs as large and slow
# to decode as photographs.
kav_log "drawing the pictures ..."
small="$data/small.jpg"; hd="$data/hd.jpg"; big="$data/big.jpg"; big2="$data/big2.jpg"
hd_colour='#C0562E'; big_colour='#2A7AB8'
convert -size 320x240 xc:'#2E8B57' -attenuate 0.4 +noise Gaussian -quality 85 "$small"
convert -size 1920x1080 xc:"$hd_colour" -attenuate 0.4 +noise Gaussian -quality 90 "$hd"
convert -size 6000x4000 xc:"$big_colour" -attenuate 0.4 +noise Gaussian -quality 90 "$big"
convert -size 6000x4000 xc:'#B8A22A' -attenuate 0.4 +noise Gaussian -quality 90 "$big2"

# 1. Open: documents of growing size with the same 500 pictures (one of them the 1920x1080
# JPEG, the largest item), so only the voice track grows.
sizes=(10 200 1000)
if [ "$quick" -eq 1 ]; then sizes=(10 200); fi
for megabytes in "${sizes[@]}"; do
  free_kb=$(df -Pk "$data" | awk 'NR == 2 { print $4 }')
  need_kb=$((megabytes * 3 * 1000 + 200000))
  if [ "$free_kb" -lt "$need_kb" ]; then
    kav_log "skipping the $megabytes MB document: $((free_kb / 1000)) MB free, $((need_kb / 1000)) MB needed"
    printf 'Open\t%s MB document\t-\t-\t-\t-\tskipped: not enough free disk\n' "$megabytes" >>"$rows"
    continue
  fi
  document="$data/open-$megabytes.kav"
  bench kavbench make-document "$(win "$document")" "$(win "$small")" --first "$(win "$hd")" \
    --pictures 500 --megabytes "$megabytes"
  bench kavbench open "$(win "$document")" "$megabytes MB" --pictures 500 --runs 5
  rm -f "$document"
done

# 2. Decode: the decoder and the filter on a ten-minute track.
bench kavbench decode --runs 5

# 2b. Speed: the time stretcher against the decoder, its pitch and length, playing at 2x
# through the graph, and the delay of a speed change.
bench kavbench speed --runs 5

# 4. Pictures: in the process, then from outside on a document that alternates the two sizes.
bench kavbench pictures "1920x1080=$(win "$hd")" "6000x4000=$(win "$big")" --runs 5
bench kavbench picture-switch "$(win "$small")" "$(win "$big")" "$(win "$big2")" --runs 5
switch_document="$data/switch.kav"
bench kavbench make-document "$(win "$switch_document")" "$(win "$hd")" "$(win "$big")" --pictures 12 --seconds 240
bench kavbench_player switch "$(win "$switch_document")" "1920x1080=$hd_colour" "6000x4000=$big_colour" --runs 5
rm -f "$switch_document"
# Pictures on time: two pictures alternating in periods of 3571 ms, which fall between whole
# seconds, played from the start three times.
ontime_document="$data/ontime.kav"
bench kavbench make-document "$(win "$ontime_document")" "$(win "$small")" "$(win "$hd")" --pictures 7 --seconds 25
bench kavbench_player ontime "$(win "$ontime_document")" '#2E8B57' "$hd_colour" --period 3571 --periods 7 --runs 3
rm -f "$ontime_document"

# 6. The picture list: its first paint over a 500-picture document, against the same list with
# no pictures.
list_document="$data/list.kav"
bench kavbench make-document "$(win "$list_document")" "$(win "$small")" --pictures 500 --seconds 1500
bench kavbench picture-list "$(win "$list_document")" --runs 5
rm -f "$list_document"

# 3. Playback: CPU while the demo plays and while the window idles, then memory over a whole
# document played with a seek every three seconds.
demo="$KAV_BUILD_DIR/demo/demo.kav"
bench kavbench_player cpu "$(win "$demo")" --seconds 20
soak_seconds=120
if [ "$long" -eq 1 ]; then soak_seconds=600; fi
soak_document="$data/soak.kav"
# Every period shows a 1920x1080 picture, so the memory held for the shown picture is the same
# whichever period a sample falls in.
bench kavbench make-document "$(win "$soak_document")" "$(win "$hd")" --pictures $((soak_seconds / 10)) \
  --seconds "$soak_seconds"
bench kavbench_player soak "$(win "$soak_document")" --seconds "$soak_seconds"
rm -f "$soak_document"

# 5. Start: the demo document's first slide, against notepad's window.
first_colour=$(awk 'NR == 1 { print $3 }' "$KAV_BUILD_DIR/demo/demo-periods.txt")
bench kavbench_player start "$(win "$demo")" "$first_colour" --runs 5

load_at_end="$(load_average)"
cpu_model=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
memory=$(awk '/^MemTotal/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
{
  echo "- Machine: $(nproc) cores, $cpu_model, $memory RAM; $(wine --version 2>/dev/null)"
  echo "- Date: $(date -u '+%Y-%m-%d %H:%M UTC'); command: $command_line"
  echo "- Load average (1, 5, 15 min): $load_at_start at the start, $load_at_end at the end"
  echo
  echo "| Area | Measure | Figure | Reference (same run) | Ratio | Target | Verdict |"
  echo "|---|---|---|---|---|---|---|"
  awk -F'\t' '{ printf "| %s | %s | %s | %s | %s | %s | %s |\n", $1, $2, $3, $4, $5, $6, $7 }' "$rows"
} >"$results"
echo
cat "$results"
echo
kav_log "the table is also in $results"
exit "$status"
