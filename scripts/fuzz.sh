#!/bin/sh
# Builds the fuzz targets (clang, libFuzzer, ASan + UBSan) into build-fuzz/ and runs every
# target for a bounded time, starting from its seed corpus in fuzz/corpus/NAME/.
#
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
#   SECONDS  time per target (default 20; CI uses the default). Longer runs: scripts/fuzz.sh 600
#   TARGET   run only these targets (names as in fuzz/CMakeLists.txt, for example "text")
#
# Inputs that the fuzzer finds interesting are kept in build-fuzz/fuzz-corpus/NAME/, so a later
# run continues from them. A finding (crash, sanitizer report, failed property, timeout, memory
# limit) is saved in build-fuzz/fuzz-findings/NAME/ and makes the script fail.
set -eu
cd "$(dirname "$0")/.."
secs=${1:-20}
[ $# -gt 0 ] && shift
case "$secs" in ''|*[!0-9]*) echo "fuzz.sh: SECONDS must be a number" >&2; exit 2 ;; esac

scripts/install-deps.sh >/dev/null
build=build-fuzz
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja \
  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS_DEBUG="-O1 -g" -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
  -DWB_SANITIZE=ON -DWB_BUILD_FUZZ=ON -DWB_BUILD_GUI=OFF -DWB_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target wb_fuzz -j "$(nproc)"

targets="$*"
[ -n "$targets" ] || targets=$(cat "$build/fuzz/targets.txt")

export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:allocator_may_return_null=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=""
summary=""
for t in $targets; do
  exe="$build/fuzz/fuzz_$t"
  [ -x "$exe" ] || { echo "fuzz.sh: no target $t" >&2; exit 2; }
  corpus="$build/fuzz-corpus/$t"
  findings="$build/fuzz-findings/$t"
  log="$build/fuzz-logs/$t.log"
  mkdir -p "$corpus" "$findings" "$(dirname "$log")"
  dict=""
  [ -f "fuzz/dict/$t.dict" ] && dict="-dict=fuzz/dict/$t.dict"
  echo "fuzz.sh: $t for ${secs} s"
  # shellcheck disable=SC2086
  if "$exe" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
      -print_final_stats=1 -artifact_prefix="$findings/" $dict \
      "$corpus" "fuzz/corpus/$t" >"$log" 2>&1; then
    status=ok
  else
    status=FAILED
    failed="$failed $t"
    tail -n 40 "$log"
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n 1)
  cov=$(sed -n 's/.*DONE *cov: *\([0-9]*\).*/\1/p' "$log" | tail -n 1)
  summary="$summary$(printf '%-16s %12s %8s  %s' "$t" "${runs:-?}" "${cov:-?}" "$status")
"
done

echo
printf '%-16s %12s %8s  %s\n' target executions coverage result
printf '%s' "$summary"
if [ -n "$failed" ]; then
  echo "fuzz.sh: findings in:$failed (inputs in $build/fuzz-findings/, logs in $build/fuzz-logs/)" >&2
  exit 1
fi
