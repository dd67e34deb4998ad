#!/bin/bash
# The main job: build everything, lay out the package under dist/Lumivo/ as a
# user copies it into Far's Plugins folder, and run the demo session of the
# stand-in host against it, printing the transcript.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset win32 >/dev/null
cmake --build --preset win32
cmake --install build/win32 --prefix dist >/dev/null
exec cmake/wine-run.sh build/win32/tools/farhost/farhost.exe \
  --plugins dist/Lumivo --script samples/demo.fhs
