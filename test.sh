#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Exits non-zero on any failure.
# Needs no display: tests that need one start their own virtual display.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

jobs=$(nproc)
werror=OFF
if [ "${CI:-}" = "true" ]; then werror=ON; fi

echo "== layering =="
./scripts/check-layering.sh

echo "== build =="
cmake -S . -B build -DRZ4_WERROR=$werror >/dev/null
cmake --build build -j "$jobs"

echo "== channel list under AddressSanitizer and UndefinedBehaviorSanitizer =="
cmake -S . -B build-asan -DRZ4_CORE_ONLY=ON -DRZ4_SANITIZE=ON -DRZ4_WERROR=$werror >/dev/null
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"

echo "== fuzzing the channel-list decoder and reader =="
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DRZ4_CORE_ONLY=ON -DRZ4_FUZZ=ON \
    -DRZ4_WERROR=$werror >/dev/null
cmake --build build-fuzz -j "$jobs" --target fuzz_chanlist
./fuzz/run.sh build-fuzz/fuzz/fuzz_chanlist "${RZ4_FUZZ_SECONDS:-60}"

echo "== all tests =="
ctest --test-dir build --output-on-failure
