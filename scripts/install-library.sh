#!/usr/bin/env bash
# Installs the patch library: the shipped patches in their family folders, with the samples they
# play, into the shared data folder given (default: /usr/local/share/brelix/patches as root,
# $XDG_DATA_HOME/brelix/patches, i.e. ~/.local/share/brelix/patches, otherwise), where the
# plug-in and the programs find it. The library is installed without write bits, so that an edit
# of a shipped patch is never written back into it (the plug-in asks for a new name instead).
# Installing again replaces the shipped folders; the user's own patches ("user") stay untouched.
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/../patches" && pwd)"
if [ $# -gt 0 ]; then
  library="$1"
elif [ "$(id -u)" -eq 0 ]; then
  library=/usr/local/share/brelix/patches
else
  library="${XDG_DATA_HOME:-$HOME/.local/share}/brelix/patches"
fi

mkdir -p "$library"
for folder in "$source_dir"/*/; do
  name="$(basename "$folder")"
  [ "$name" = user ] && continue
  target="$library/$name"
  # The new copy is made beside the old one, then takes its place.
  fresh="$library/.$name.new"
  rm -rf "$fresh"
  cp -R "$folder" "$fresh"
  find "$fresh" -type f -exec chmod 0444 {} +
  find "$fresh" -type d -exec chmod 0555 {} +
  if [ -e "$target" ]; then
    # The old copy has no write bits: its folders get them back, so that it can go.
    chmod -R u+w "$target"
    rm -rf "$target"
  fi
  mv "$fresh" "$target"
done
echo "installed the patch library in $library"
