#!/usr/bin/env bash
# Usage: fuzz/run.sh BINARY SECONDS
# Runs a libFuzzer target for a bounded time on a scratch copy of the committed seed corpus (the
# copy lives beside the binary, so the corpus in the source tree never changes). Exits non-zero
# when the target crashes; the input that did it is kept in the scratch folder's artifacts.
set -euo pipefail
if [ $# -ne 2 ]; then
    echo "usage: $0 BINARY SECONDS" >&2
    exit 2
fi
binary=$1
seconds=$2
corpus="$(cd "$(dirname "$0")" && pwd)/corpus"
scratch="$(cd "$(dirname "$binary")" && pwd)/corpus-run"

rm -rf "$scratch"
mkdir -p "$scratch/corpus" "$scratch/artifacts"
cp "$corpus"/* "$scratch/corpus/"

# Run from the scratch folder with relative paths, so the log names no folder of this machine.
binary=$(cd "$(dirname "$binary")" && pwd)/$(basename "$binary")
cd "$scratch"
status=0
"$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
    -print_final_stats=1 -print_funcs=0 -artifact_prefix=artifacts/ corpus >fuzz.log 2>&1 ||
    status=$?
# Every new input makes a line; the summary is what a reader wants.
if [ "$status" -ne 0 ]; then
    tail -n 60 fuzz.log >&2
    echo "fuzzing found a failure; the input is in corpus-run/artifacts beside the fuzz target" >&2
else
    grep -E '^(Done|stat::)' fuzz.log || true
fi
exit "$status"
