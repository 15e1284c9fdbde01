#!/usr/bin/env bash
# Long fuzz runs of everything that reads a document, beyond the short run in the test suite.
#
#   scripts/fuzz.sh [CASES] [NATIVE_SECONDS]
#
# 1. kavfuzz.exe under Wine runs CASES mutation cases (default 20000): mutated containers,
#    picture indexes and voice files through CPlayerDocument::Load and the source filter's Load
#    and a read of its whole stream. A crash or hang stops kavfuzz after it has named the case;
#    the run then goes on after that case. Findings are saved to $KAV_BUILD_DIR/fuzz-findings/.
#    Case numbers pick the inputs, so KAV_FUZZ_FIRST=N starts at case N (the suite runs 0-1999).
# 2. The voice library natively on Linux with libFuzzer, AddressSanitizer and
#    UndefinedBehaviorSanitizer for NATIVE_SECONDS (default 60; 0 skips it). It needs clang
#    (Debian's clang package: installed here when missing and running as root).
#
# Prints cases a second and findings for both; exits non-zero when there were findings.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
cases="${1:-20000}"
native_seconds="${2:-60}"

"$here/setup.sh"
"$here/build.sh" --target kavfuzz KavoraSource
source "$here/env.sh"
trap kav_services_stop EXIT
kav_services_start
"$here/register-filter.sh"

findings="$KAV_BUILD_DIR/fuzz-findings"
mkdir -p "$findings"
windows_findings="Z:$(printf '%s' "$findings" | tr '/' '\\')\\"
log="$KAV_BUILD_DIR/fuzz-last-run.log"
: >"$log"

# ---- the Windows readers, under Wine ----
first="${KAV_FUZZ_FIRST:-0}"
end=$((first + cases))
next=$first
started=$(date +%s)
cd "$KAV_BIN"
while [ "$next" -lt "$end" ]; do
  set +e
  wine kavfuzz.exe --first "$next" --cases $((end - next)) --findings "$windows_findings" 2>&1 | tee -a "$log" |
    grep --line-buffered -E "FINDING|done:|a second" >&2
  rc=${PIPESTATUS[0]}
  set -e
  case "$rc" in
    0 | 1) next=$end ;;
    3)
      crashed=$(grep -E '^kavfuzz: FINDING (crash|hang|std::terminate)' "$log" | tail -1 | grep -oE 'case [0-9]+' | grep -oE '[0-9]+')
      [ -n "$crashed" ] || kav_die "kavfuzz stopped without naming the case; see $log"
      next=$((crashed + 1)) ;;
    *) kav_die "kavfuzz could not run (exit code $rc); see $log" ;;
  esac
done
elapsed=$(($(date +%s) - started))
crashes=$(grep -cE '^kavfuzz: FINDING (crash|hang|std::terminate)' "$log" || true)
other=$(grep -cE '^kavfuzz: FINDING (container|index|voice) case' "$log" || true)
echo "fuzz: Windows readers: $cases cases in $elapsed s ($((cases / (elapsed > 0 ? elapsed : 1))) a second)," \
  "$crashes crashes or hangs, $other other findings (saved in $findings)"
status=0
[ "$crashes" -eq 0 ] && [ "$other" -eq 0 ] || status=1

# ---- the voice library, natively ----
if [ "$native_seconds" -gt 0 ]; then
  if ! command -v clang++ >/dev/null; then
    if [ "$(id -u)" -eq 0 ]; then
      apt-get install -y --no-install-recommends clang >/dev/null || kav_die "apt-get could not install clang"
    else
      kav_die "the native fuzzer needs clang (sudo apt-get install clang)"
    fi
  fi
  native="$KAV_BUILD_DIR/native-fuzz"
  mkdir -p "$native/corpus" "$native/findings"
  kav_log "building the native voice fuzzer with clang ..."
  flags=(-std=c++17 -g -O1 -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=undefined
         -I"$KAV_ROOT")
  clang++ "${flags[@]}" -fsanitize=fuzzer "$KAV_ROOT"/voice/*.cpp "$KAV_ROOT/fuzz/VoiceFuzzer.cpp" -o "$native/voice_fuzzer"
  clang++ "${flags[@]}" "$KAV_ROOT"/voice/*.cpp "$KAV_ROOT/fuzz/MakeVoiceSeeds.cpp" -o "$native/make_voice_seeds"
  "$native/make_voice_seeds" "$native/corpus"
  set +e
  "$native/voice_fuzzer" -max_total_time="$native_seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
    -print_final_stats=1 -artifact_prefix="$native/findings/" "$native/corpus" >"$native/last-run.log" 2>&1
  rc=$?
  set -e
  runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$native/last-run.log" | grep -oE '[0-9]+$' || echo 0)
  speed=$(grep -oE 'stat::average_exec_per_sec: *[0-9]+' "$native/last-run.log" | grep -oE '[0-9]+$' || echo 0)
  artifacts=$(find "$native/findings" -type f | wc -l)
  echo "fuzz: voice library (libFuzzer + ASan + UBSan): $runs inputs in $native_seconds s ($speed a second), $artifacts findings"
  if [ "$rc" -ne 0 ] || [ "$artifacts" -ne 0 ]; then
    grep -E "ERROR|SUMMARY|voice_fuzzer:" "$native/last-run.log" | head -20 >&2
    echo "fuzz: native findings are in $native/findings/ (log: $native/last-run.log)" >&2
    status=1
  fi
fi
exit "$status"
