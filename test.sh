#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test. Exits non-zero on any failure.
# Needs no display: tests that need one start their own virtual display.
set -euo pipefail
cd "$(dirname "$0")"

./scripts/install-deps.sh

jobs=$(nproc)
werror=OFF
if [ "${CI:-}" = "true" ]; then werror=ON; fi

# Each step says how long it took, so that the whole stays within what CI allows.
step_name=""
step_start=$SECONDS
step() {
    if [ -n "$step_name" ]; then
        echo "-- $step_name: $((SECONDS - step_start)) s"
    fi
    step_name=$1
    step_start=$SECONDS
    [ -n "$step_name" ] && echo "== $step_name =="
    return 0
}

step "format"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

step "layering"
./scripts/check-layering.sh

step "build"
cmake --preset default -DRZ4_WERROR=$werror >/dev/null
cmake --build --preset default -j "$jobs"

step "lint"
# The program's own sources against .clang-tidy, from the build's compile database.
run-clang-tidy -p build -j "$jobs" -quiet \
    "$PWD/(common|channels|guide|mainwindow|picture|platform|resources|skinctl|tools)/.*\.cpp$" \
    >build/clang-tidy.log 2>&1 || {
    grep -E "(warning|error):" build/clang-tidy.log | sed "s|$PWD/||" | sort -u >&2
    exit 1
}

step "rules, widgets and pictures under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake --preset sanitize -DRZ4_WERROR=$werror >/dev/null
cmake --build --preset sanitize -j "$jobs"
ctest --preset sanitize -j "$jobs"

step "fuzzing the channel-list decoder and reader"
cmake --preset fuzz -DRZ4_WERROR=$werror >/dev/null
cmake --build --preset fuzz -j "$jobs"
./fuzz/run.sh build-fuzz/fuzz/fuzz_chanlist "${RZ4_FUZZ_SECONDS:-60}"

step "all tests"
# Cases run two at a time; the end-to-end suites each have the machine to themselves.
ctest --preset default -j "$jobs"

step ""
