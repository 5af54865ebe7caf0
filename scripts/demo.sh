#!/usr/bin/env bash
# The main job: builds the plug-in, brelix-render and brelix (the standalone program on JACK),
# installs Brelix64.so where Linux hosts look for VST plug-ins (~/.vst, and /usr/local/lib/vst
# when run as root), both programs onto the PATH (/usr/local/bin as root, ~/.local/bin
# otherwise) and the patch library, read-only, into the shared data folder
# (/usr/local/share/brelix/patches as root, ~/.local/share/brelix/patches otherwise), and renders
# the demo song through the installed plug-in with the library's Warm Pad patch to out/demo.wav
# (its program chunk, which names the patch, to out/demo.state).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DBRELIX_TESTS=OFF -DBRELIX_BENCH=OFF >/dev/null
ninja -C build-release Brelix64 brelix-render brelix

install -D -m 0644 build-release/Brelix64.so "$HOME/.vst/Brelix64.so"
plugin="$HOME/.vst/Brelix64.so"
if [ "$(id -u)" -eq 0 ]; then
  install -D -m 0644 build-release/Brelix64.so /usr/local/lib/vst/Brelix64.so
  plugin=/usr/local/lib/vst/Brelix64.so
fi
echo "installed $plugin"

bin_dir="$HOME/.local/bin"
if [ "$(id -u)" -eq 0 ]; then bin_dir=/usr/local/bin; fi
for program in brelix-render brelix; do
  install -D -m 0755 "build-release/tools/$program" "$bin_dir/$program"
  echo "installed $bin_dir/$program"
done
case ":$PATH:" in
  *":$bin_dir:"*) ;;
  *) echo "note: $bin_dir is not on your PATH yet: add it (export PATH=\"$bin_dir:\$PATH\") or log in again" ;;
esac

bash scripts/install-library.sh

mkdir -p out
"$bin_dir/brelix-render" --plugin "$plugin" --patch pads/warm-pad \
  --save-state out/demo.state tools/demo/demo.mid -o out/demo.wav
