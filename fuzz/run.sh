#!/bin/bash
# Builds the fuzz targets (clang, libFuzzer, ASan + UBSan) in build/fuzz
# and runs each in turn for SECONDS (default 60), at low priority, one at
# a time. Fails when any target finds a crash, a leak, undefined
# behaviour, a broken check, a hang (10 s an input) or an allocation of
# more than 256 MiB; the input that did it is left in build/fuzz/findings/.
#   fuzz/run.sh [SECONDS] [TARGET...]
# Each target starts from its committed seeds (fuzz/corpus/TARGET) and
# from what earlier runs on this machine found (build/fuzz/corpus/TARGET).
# To replay a finding: build/fuzz/fuzz/TARGET FILE
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$PWD
SECONDS_EACH=${1:-60}
shift || true
TARGETS=("$@")
[ ${#TARGETS[@]} -eq 0 ] && TARGETS=(fuzz_extract fuzz_pack fuzz_silence)
BUILD=$ROOT/build/fuzz

CC=clang CXX=clang++ cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DVELKMAR_FUZZ=ON -DVELKMAR_SANITIZE=ON -DVELKMAR_TESTS=OFF -DVELKMAR_WERROR=ON >/dev/null
nice cmake --build "$BUILD" -j "$(nproc)" --target "${TARGETS[@]}"

max_len() {
  case $1 in
    fuzz_pack) echo 1024 ;;  # the search encoder is slow under the sanitizers
    *) echo 8192 ;;
  esac
}

mkdir -p "$BUILD/findings"
failed=()
for target in "${TARGETS[@]}"; do
  corpus=$BUILD/corpus/$target
  log=$BUILD/$target.log
  mkdir -p "$corpus"
  echo "-- $target, ${SECONDS_EACH} s"
  if ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 UBSAN_OPTIONS=print_stacktrace=1 \
     nice "$BUILD/fuzz/$target" "$corpus" "$ROOT/fuzz/corpus/$target" \
       -max_total_time="$SECONDS_EACH" -max_len="$(max_len "$target")" -timeout=10 \
       -rss_limit_mb=1024 -malloc_limit_mb=256 -print_final_stats=1 \
       -artifact_prefix="$BUILD/findings/$target-" >"$log" 2>&1; then
    grep -E '^stat::number_of_executed_units|^Done' "$log" | tail -1 || true
  else
    failed+=("$target")
    echo "!! $target found a fault; the log ends:"
    tail -40 "$log"
  fi
done

if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzzing found faults in: ${failed[*]} (inputs in $BUILD/findings/)"
  exit 1
fi
echo "fuzzing found nothing"
