#!/usr/bin/env bash
# Installs what is needed, builds the viewer and shows the demo presentation.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVEX_TESTS=OFF -DQUORVEX_BENCH=OFF
cmake --build build -j"$(nproc)" --target quorvex demo
presentation=build/demo/talk.qvx
if [ -z "${DISPLAY:-}" ]; then
  echo "no DISPLAY: showing the demo on a virtual screen (xvfb-run)"
  exec xvfb-run -a -s "-screen 0 1024x768x24" build/quorvex "$presentation"
fi
exec build/quorvex "$presentation"
