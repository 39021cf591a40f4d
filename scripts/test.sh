#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test on a
# virtual X display. Ends with the line "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."

# Nothing ran: the reason, then the summary that counts it as one failure.
fail() {
  echo "no test ran: $1"
  echo "0 passed, 1 failed"
  exit 1
}

bash scripts/setup.sh || fail "setting up the packages failed"
# The options are named, not taken from the cache: the demo script or an
# earlier configure may have left the build tree with others.
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUORVEX_TESTS=ON -DQUORVEX_BENCH=ON -DQUORVEX_FUZZ=OFF || fail "configuring failed"
cmake --build build -j"$(nproc)" || fail "the build failed"

# Sound goes through SDL's disk driver: no audio device is needed.
export SDL_AUDIODRIVER=disk
log=build/ctest.log
# -noreset: an X server resets whenever its last client leaves and refuses
# connections meanwhile, which fails a test program starting at that moment.
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp -noreset" \
  ctest --test-dir build --output-on-failure -j2 --timeout 300 2>&1 | tee "$log"
status=${PIPESTATUS[0]}

summary=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
failed=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
# No summary means nothing ran (no tests found, or ctest itself failed).
[ -n "$summary" ] ||
  fail "$(grep -m1 -iE 'no tests were found|error' "$log" || echo 'ctest printed no summary')"

# The viewer quit while its workers prepare, under AddressSanitizer and its
# leak checker: its runs count with the others.
quit_log=build/quit-under-asan.log
bash scripts/quit-under-asan.sh 2>&1 | tee "$quit_log"
quit_status=${PIPESTATUS[0]}
quit_summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' "$quit_log" | tail -n 1)
if [ -z "$quit_summary" ]; then
  echo "the quit-under-AddressSanitizer runs did not run: building the viewer failed"
  quit_summary="0 passed, 1 failed"
fi
quit_passed=$(sed -E 's/ passed.*//' <<<"$quit_summary")
quit_failed=$(sed -E 's/.*passed, ([0-9]+) failed/\1/' <<<"$quit_summary")

echo "$((total - failed + quit_passed)) passed, $((failed + quit_failed)) failed"
[ "$status" -eq 0 ] && [ "$failed" -eq 0 ] && [ "$quit_status" -eq 0 ]
