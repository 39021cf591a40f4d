#!/usr/bin/env bash
# Builds the viewer with AddressSanitizer (and its leak checker) in
# build-asan/ and quits it while its workers are still preparing: q, Esc
# and SIGTERM on a folder of 40 photographs of 4000 x 3000. Each run must
# end cleanly: no AddressSanitizer error, and no leak with a frame of ours
# (LeakSanitizer's exit status alone is not enough: the GL and D-Bus
# libraries leave leaks of their own). Ends with "N passed, N failed".
set -uo pipefail
cd "$(dirname "$0")/.."
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="-fsanitize=address -fno-omit-frame-pointer" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address" >/dev/null || exit 1
cmake --build build-asan -j2 --target quorvex >/dev/null || exit 1

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 4000x3000 plasma:fractal -quality 90 "$work/original.jpg" 2>/dev/null ||
  convert -size 4000x3000 gradient:red-blue -quality 90 "$work/original.jpg" || exit 1
mkdir "$work/photos"
for i in $(seq -w 1 40); do ln "$work/original.jpg" "$work/photos/photo$i.jpg"; done
# Leaks inside the X and GL libraries are theirs, not ours.
printf 'leak:libdbus\nleak:libX11\nleak:libGLX\nleak:libGL\nleak:dri\nleak:libglut\nleak:libLLVM\nleak:libEGL\nleak:libSDL2\nleak:libasound\n' \
  >"$work/lsan.supp"
export LSAN_OPTIONS="suppressions=$work/lsan.supp:print_suppressions=0"
export ASAN_OPTIONS="detect_leaks=1"
export SDL_AUDIODRIVER=disk SDL_DISKAUDIOFILE=/dev/null

passed=0 failed=0
for way in q Escape TERM; do
  out="$work/$way.log"
  xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp -noreset" bash -c '
    ./build-asan/quorvex "$1/photos" >"$2" 2>&1 & viewer=$!
    timeout 120 xdotool search --sync --name Quorvex >/dev/null 2>&1
    xdotool mousemove 100 100
    if [ "$3" = TERM ]; then kill -TERM $viewer; else xdotool key "$3"; fi
    wait $viewer' _ "$work" "$out" "$way"
  status=$?
  # A leak counts when one of its frames is ours (the GL driver, unloaded
  # by then, and D-Bus leave theirs unnamed or in their own libraries).
  if [ $status -eq 0 ] || grep -q "ERROR: LeakSanitizer" "$out"; then status=0; fi
  if [ $status -eq 0 ] && ! grep -q "ERROR: AddressSanitizer" "$out" &&
    ! grep -qE "#[0-9]+ .*build-asan/quorvex|#[0-9]+ .* in [A-Za-z_:]*(Slide|Page|Picture|Worker|Deferred|Texel|prepare)" "$out"; then
    passed=$((passed + 1)); echo "quit by $way: clean"
  else
    failed=$((failed + 1)); echo "quit by $way: status $status"; tail -n 30 "$out"
  fi
done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
