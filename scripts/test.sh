#!/usr/bin/env bash
# Installs what is needed, builds everything and runs every test on a
# virtual X display. Ends with the line "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh || exit 1
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo || exit 1
cmake --build build -j"$(nproc)" || exit 1

# Sound goes through SDL's disk driver: no audio device is needed.
export SDL_AUDIODRIVER=disk
log=build/ctest.log
xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp" \
  ctest --test-dir build --output-on-failure -j2 --timeout 300 2>&1 | tee "$log"
status=${PIPESTATUS[0]}

summary=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$summary")
failed=$(sed -E 's/.*passed, ([0-9]+) tests? failed.*/\1/' <<<"$summary")
if [ -z "$summary" ]; then total=0; failed=1; fi
echo "$((total - failed)) passed, ${failed} failed"
[ "$status" -eq 0 ] && [ "$failed" -eq 0 ]
