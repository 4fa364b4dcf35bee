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
summary=()
step_name=""
step_start=$SECONDS
step() {
    if [ -n "$step_name" ]; then
        echo "-- $step_name: $((SECONDS - step_start)) s"
        summary+=("$step_name: $((SECONDS - step_start)) s")
    fi
    step_name=$1
    step_start=$SECONDS
    [ -n "$step_name" ] && echo "== $step_name =="
    return 0
}

# The end-to-end tests spend most of their time waiting on live channels and timeouts, so the
# compiler-bound steps run beside them: niced, so that they take only what the tests leave idle,
# each into a log that is shown once the foreground is done. Each job has a process group of its
# own, ended with the script.
set -m
beside_pids=()
beside_names=()
beside_logs=()
end_beside() {
    local pid
    for pid in "${beside_pids[@]}"; do
        kill -- "-$pid" 2>/dev/null || true
    done
}
trap end_beside EXIT
trap 'exit 130' INT
trap 'exit 143' TERM
beside() { # NAME LOG COMMAND...
    local name=$1 log=$2
    shift 2
    mkdir -p "$(dirname "$log")"
    (
        start=$SECONDS
        # Not under "||": there -e would be ignored, and a failed build would go on to its tests.
        set +e
        (
            set -e
            "$@"
        ) >"$log" 2>&1
        status=$?
        echo "$((SECONDS - start))" >"$log.seconds"
        exit "$status"
    ) &
    beside_pids+=($!)
    beside_names+=("$name")
    beside_logs+=("$log")
}

sanitized() {
    ./scripts/configure.sh sanitize -DRZ4_WERROR="$werror"
    nice -n 19 cmake --build --preset sanitize -j "$jobs"
    nice -n 19 ctest --preset sanitize -j "$jobs"
}

lint() {
    # The program's own sources against .clang-tidy, from the build's compile database.
    nice -n 19 ./scripts/lint.py build "$jobs" >build/clang-tidy.log 2>&1 || {
        grep -E "(warning|error):" build/clang-tidy.log | sed "s|$PWD/||" | sort -u
        return 1
    }
}

fuzzing() {
    ./scripts/configure.sh fuzz -DRZ4_WERROR="$werror"
    nice -n 19 cmake --build --preset fuzz -j "$jobs"
    # The fuzzing minute itself is not niced: it is a minute of one core, however busy the rest.
    ./fuzz/run.sh build-fuzz/fuzz/fuzz_chanlist "${RZ4_FUZZ_SECONDS:-60}"
}

step "format"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

step "layering"
./scripts/check-layering.sh

beside "rules, widgets and pictures under AddressSanitizer and UndefinedBehaviorSanitizer" \
    build-asan/test.log sanitized

step "build"
./scripts/configure.sh default -DRZ4_WERROR="$werror"
cmake --build --preset default -j "$jobs"

beside "lint" build/lint.log lint
beside "fuzzing the channel-list decoder and reader" build-fuzz/test.log fuzzing

step "all tests"
# The end-to-end suites from the start, in two lanes of one desktop each, and the other cases
# beside them: the desktops mostly wait on live channels.
ctest --preset default -j "$((jobs + 1))" | tee build/ctest.log
step ""

failed=()
for i in "${!beside_pids[@]}"; do
    status=0
    wait "${beside_pids[$i]}" || status=$?
    name=${beside_names[$i]}
    log=${beside_logs[$i]}
    echo "== $name (beside the tests) =="
    cat "$log"
    echo "-- $name: $(cat "$log.seconds" 2>/dev/null || echo "?") s"
    summary+=("$name: $(cat "$log.seconds" 2>/dev/null || echo "?") s")
    if [ "$status" -ne 0 ]; then
        echo "-- $name FAILED" >&2
        failed+=("$name")
    fi
done
beside_pids=()

echo "== summary: $SECONDS s in all =="
printf '%s\n' "${summary[@]}"
grep -E "tests passed" build/ctest.log | tail -n 1
if [ ${#failed[@]} -gt 0 ]; then
    printf 'FAILED: %s\n' "${failed[@]}" >&2
    exit 1
fi
