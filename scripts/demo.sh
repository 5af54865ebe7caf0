#!/usr/bin/env bash
# The main job: builds the plug-in and brelix-render, installs Brelix64.so where Linux hosts look
# for VST plug-ins (~/.vst, and /usr/local/lib/vst when run as root), and renders the demo song
# through the installed plug-in with the Warm Pad patch to out/demo.wav (its program chunk, which
# names the patch, to out/demo.state).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRELIX_TESTS=OFF -DBRELIX_BENCH=OFF >/dev/null
ninja -C build-release Brelix64 brelix-render

install -D -m 0644 build-release/Brelix64.so "$HOME/.vst/Brelix64.so"
plugin="$HOME/.vst/Brelix64.so"
if [ "$(id -u)" -eq 0 ]; then
  install -D -m 0644 build-release/Brelix64.so /usr/local/lib/vst/Brelix64.so
  plugin=/usr/local/lib/vst/Brelix64.so
fi
echo "installed $plugin"

mkdir -p out
build-release/tools/brelix-render --plugin "$plugin" --patch patches/warm-pad.tw \
  --save-state out/demo.state tools/demo/demo.mid -o out/demo.wav
