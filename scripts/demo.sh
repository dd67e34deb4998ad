#!/bin/bash
# The main job: build everything, lay out the package under dist/Lumivo/ as a
# user copies it into Far's Plugins folder, and run the demo session of the
# stand-in host against it, printing the transcript.
set -euo pipefail
cd "$(dirname "$0")/.."
log=build/demo-build.log
scripts/build-win32.sh "$log"
rm -rf dist/Lumivo
cmake --install build/win32 --prefix dist >>"$log" 2>&1
echo "Package laid out in dist/Lumivo:"
(cd dist && find Lumivo -type f | sort | sed 's/^/  /')
echo
exec cmake/wine-run.sh build/win32/tools/farhost/farhost.exe \
  --plugins dist/Lumivo --script samples/demo.fhs
