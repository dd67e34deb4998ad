#!/bin/bash
# The release: build the Win32 deliverables and write dist/Lumivo-<version>.zip, laid out for
# Far's Plugins folder (Lumivo\ with the plug-in, its language and help files, the modules in
# lvx\, the readmes, the changelog and dictd2dravel.exe; file_id.diz at the root). The version is
# the CMake project version. Run scripts/test.sh first: this builds and packs, it does not test.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build-win32.sh build/release-build.log
cmake --build --preset win32 --target release_zip
