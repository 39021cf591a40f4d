#!/usr/bin/env bash
# Installs what is needed, builds the viewer and shows the demo presentation.
# Builds only the viewer and the demo in the shared build tree and leaves its
# options as they are, so the test script may run before or after it.
#
# QUORVEX_DEMO_CHECK=1 starts the show, waits for its window, presses Esc and
# fails unless the viewer then ends cleanly (a smoke check, needs DISPLAY or
# xvfb-run and xdotool).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j"$(nproc)" --target quorvex demo
presentation=build/demo/talk.qvx
if [ "${QUORVEX_DEMO_CHECK:-0}" = 1 ]; then
  if [ -z "${DISPLAY:-}" ]; then
    exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0"
  fi
  build/quorvex "$presentation" &
  viewer=$!
  window=""
  for _ in $(seq 300); do
    window=$(xdotool search --onlyvisible --name '^Quorvex$' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.2
  done
  if [ -n "$window" ]; then
    sleep 1
    xdotool mousemove 10 10 key Escape
  else
    kill "$viewer"
  fi
  status=0
  wait "$viewer" || status=$?
  if [ -z "$window" ] || [ "$status" -ne 0 ]; then
    echo "demo check: FAILED (window: ${window:-none}, exit $status)"
    exit 1
  fi
  echo "demo check: the viewer showed the demo and ended on Esc"
  exit 0
fi
if [ -z "${DISPLAY:-}" ]; then
  echo "no DISPLAY: showing the demo on a virtual screen (xvfb-run)"
  exec xvfb-run -a -s "-screen 0 1024x768x24" build/quorvex "$presentation"
fi
exec build/quorvex "$presentation"
