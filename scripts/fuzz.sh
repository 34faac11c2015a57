#!/usr/bin/env bash
# Builds the fuzz targets of the platform-free decisions (clang's libFuzzer
# with the address and undefined-behaviour sanitizers) and runs each for a
# bounded time, SECONDS each (default 20), on a copy of its seed corpus, so the
# corpus in the repository stays as it is. Names after SECONDS pick targets.
# An input that breaks a property is kept in the run's folder, which is then
# left in place and named; the script fails when any target fails.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TQ7_BUILD_DIR:-$here/build}
seconds=${1:-20}
shift || true

cmake -S "$here/tests/fuzz" -B "$build/fuzz" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build/fuzz" -j"$(nproc)" >/dev/null

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
    for seeds in "$here"/tests/fuzz/corpus/*/; do targets+=("$(basename "$seeds")"); done
fi

status=0
for target in "${targets[@]}"; do
    run=$(mktemp -d "${TMPDIR:-/tmp}/tq7_${target}.XXXXXX")
    cp -R "$here/tests/fuzz/corpus/$target" "$run/corpus"
    if "$build/fuzz/$target" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$run/" "$run/corpus" >"$run/log" 2>&1; then
        echo "$target: $(sed -n 's/^stat::number_of_executed_units: *//p' "$run/log") inputs" \
            "in ${seconds} s, no property broken"
        rm -rf "$run"
    else
        echo "$target FAILED; its log and the input that broke it are in $run:"
        grep -E 'expected|ERROR|SUMMARY|runtime error' "$run/log" | head -5
        status=1
    fi
done
exit $status
