#!/usr/bin/env bash
# Plants each fault of planted-faults.txt (beside this script) in turn in a
# checkout's src/, rebuilds, runs the tests likely to catch it (then, if
# none failed, all of them) and restores the file. Every fault must be
# caught. Usage: plant-faults.sh [checkout] [build dir] [fault id ...]
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
tree=$(cd "${1:-$here/..}" && pwd)
build=${2:-$tree/build-faults}
shift $(($# > 2 ? 2 : $#))
list="$here/planted-faults.txt"
cmake -S "$tree" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_TESTS=ON \
  -DQUORVEX_BENCH=OFF -DQUORVEX_FUZZ=OFF >/dev/null || exit 1

saved="" file=""
restore() { [ -n "$saved" ] && cp "$saved" "$tree/$file" && rm -f "$saved"; saved=""; }
trap 'restore; exit 1' INT TERM
trap restore EXIT

run_tests() {
  SDL_AUDIODRIVER=disk xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp -noreset" \
    ctest --test-dir "$build" --timeout 120 --stop-on-failure "$@" 2>&1 |
    grep -m1 -E '\*\*\*Failed|\(Failed\)|\*\*\*Timeout|\(Subprocess' | sed -E 's/.*Test +#[0-9]+: ([^ ]+).*/\1/'
}

caught=0 missed=0 bad=0
while IFS=$'\t' read -r id file patch regex; do
  [[ -z "$id" || "$id" == \#* ]] && continue
  [ $# -gt 0 ] && [[ " $* " != *" $id "* ]] && continue
  saved=$(mktemp)
  cp "$tree/$file" "$saved"
  perl -pi -e "\$n += ($patch); END { exit(\$n == 1 ? 0 : 1) }" "$tree/$file"
  if [ $? -ne 0 ] || cmp -s "$saved" "$tree/$file"; then
    echo "BADPATCH $id"; bad=$((bad + 1)); restore; continue
  fi
  if ! cmake --build "$build" -j2 >/dev/null 2>&1; then
    echo "NOBUILD $id"; bad=$((bad + 1)); restore; continue
  fi
  by=$(run_tests -R "$regex")
  [ -z "$by" ] && by=$(run_tests)
  if [ -n "$by" ]; then
    echo "CAUGHT $id (by $by)"; caught=$((caught + 1))
  else
    echo "MISSED $id"; missed=$((missed + 1))
  fi
  restore
done <"$list"
cmake --build "$build" -j2 >/dev/null 2>&1
echo "$caught caught, $missed missed, $bad bad"
