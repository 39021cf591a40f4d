#!/usr/bin/env bash
# Builds the libFuzzer targets with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer in their own build folder and runs each for the
# given number of seconds, one after the other.
#
#   bash scripts/fuzz.sh SECONDS [TARGET...]
#
# TARGET is description_file, exif, image_decode, texture_data, obj or mtl (all
# by default).
# New corpus entries, crashing inputs and a log per target go to
# fuzz/findings/<target>/ (ignored by git). A crashing input, once its cause
# is fixed, belongs in tests/malformed/<target>/ so the test run replays it.
set -uo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
shift || true
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then targets=(description_file exif image_decode texture_data obj mtl); fi
build=${QUORVEX_FUZZ_BUILD:-build-fuzz}

# The libraries are instrumented for coverage and the sanitizers too; the
# fuzz targets add libFuzzer's main when they link.
sanitize="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DQUORVEX_FUZZ=ON -DQUORVEX_TESTS=OFF -DQUORVEX_BENCH=OFF \
  -DCMAKE_C_FLAGS="$sanitize" -DCMAKE_CXX_FLAGS="$sanitize" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null || exit 1
programs=()
for target in "${targets[@]}"; do programs+=("${target}_fuzz"); done
cmake --build "$build" --target "${programs[@]}" -j2 >"$build/fuzz-build.log" 2>&1 || {
  tail -n 30 "$build/fuzz-build.log"
  exit 1
}

max_len() {
  case "$1" in
    description_file) echo 4096 ;;
    exif) echo 8192 ;;
    obj | mtl) echo 16384 ;;
    *) echo 65536 ;;
  esac
}

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:allocator_may_return_null=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
status=0
for target in "${targets[@]}"; do
  out="fuzz/findings/$target"
  mkdir -p "$out/corpus"
  echo "fuzz: $target for $seconds s (log in $out/log.txt)"
  # stdout is closed (the EXIF reader prints two console lines); libpng's
  # warnings and error lines (the texture readers keep its default handler)
  # are dropped from the log.
  "$build/fuzz/${target}_fuzz" -max_total_time="$seconds" -max_len="$(max_len "$target")" \
    -timeout=10 -rss_limit_mb=2560 -close_fd_mask=1 -print_final_stats=1 \
    -artifact_prefix="$out/" "$out/corpus" "fuzz/corpus/$target" "tests/malformed/$target" \
    2>&1 | grep -avE '^libpng (warning|error)' >"$out/log.txt"
  result=${PIPESTATUS[0]}
  grep -aE '^(#[0-9]+[[:space:]]+DONE|stat::number_of_executed_units|stat::peak_rss_mb)' \
    "$out/log.txt" | sed "s/^/fuzz: $target: /"
  if [ "$result" -ne 0 ]; then
    found=$(ls "$out" | grep -E '^(crash|leak|timeout|oom|slow-unit)-' | tr '\n' ' ')
    echo "fuzz: $target FAILED (exit $result); inputs: $found"
    status=1
  fi
done
exit $status
