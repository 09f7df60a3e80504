#!/usr/bin/env bash
# Installs what is missing, builds into build/ and starts the search window.
set -euo pipefail
cd "$(dirname "$0")"
tools/ensure-packages.sh
if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release
fi
cmake --build build --target kwsearch search_tree
exec build/app/kwsearch "$@"
