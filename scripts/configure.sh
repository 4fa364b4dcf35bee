#!/usr/bin/env bash
# Usage: scripts/configure.sh PRESET [CMAKE ARGS...]
# Configures a CMake preset quietly. A build folder that another generator made (older checkouts
# used Makefiles) is configured afresh, since CMake refuses to switch generators in place.
set -euo pipefail
cd "$(dirname "$0")/.."
preset=$1
shift
dir=$(python3 -c '
import json, sys
for p in json.load(open("CMakePresets.json"))["configurePresets"]:
    if p["name"] == sys.argv[1]:
        print(p["binaryDir"].replace("${sourceDir}/", ""))
' "$preset")
if [ -f "$dir/CMakeCache.txt" ] && ! grep -qx 'CMAKE_GENERATOR:INTERNAL=Ninja' "$dir/CMakeCache.txt"; then
    rm -rf "$dir/CMakeCache.txt" "$dir/CMakeFiles"
fi
cmake --preset "$preset" "$@" >/dev/null
