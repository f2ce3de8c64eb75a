#!/usr/bin/env bash
# Runs every libFuzzer target of a fuzzing build (bin/fuzz_*, made with -DTALVERO_FUZZ=ON and
# the target fuzzers) for the given time each, as many at once as there are cores, each over a
# corpus of its own in the build folder that starts from the seeds of Tests/Fuzz/corpus. Prints
# each fuzzer's closing statistics, or all it printed when it failed, with the input it failed on.
# Usage: Tools/fuzz.sh BUILD_DIR [SECONDS]   (default: 60)
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=$(realpath "${1:?fuzzing build directory}")
seconds=${2:-60}

shopt -s nullglob
fuzzers=("$build"/bin/fuzz_*)
if ((${#fuzzers[@]} == 0)); then
    echo "fuzz: no fuzzer in $build/bin" >&2
    exit 1
fi

# fuzz_one FUZZER: runs one fuzzer in its own folder (where a failing input is written), its
# output kept in fuzz.log there.
fuzz_one() {
    local fuzzer=$1 name
    name=$(basename "$fuzzer")
    local corpus=$build/corpus/$name work=$build/fuzz-runs/$name
    local seeds=$root/Tests/Fuzz/corpus/${name#fuzz_}
    mkdir -p "$corpus" "$work"
    [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
    (cd "$work" && "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 "$corpus") \
        >"$work/fuzz.log" 2>&1
}

failed=()
running=()
# finish PID NAME: waits for one fuzzer and shows how it went.
finish() {
    local log=$build/fuzz-runs/$2/fuzz.log
    if wait "$1"; then
        echo "-- $2"
        grep '^stat::' "$log" || true
    else
        echo "-- $2 FAILED"
        cat "$log"
        failed+=("$2")
    fi
}
names=()
for fuzzer in "${fuzzers[@]}"; do
    if ((${#running[@]} == $(nproc))); then
        finish "${running[0]}" "${names[0]}"
        running=("${running[@]:1}")
        names=("${names[@]:1}")
    fi
    fuzz_one "$fuzzer" &
    running+=($!)
    names+=("$(basename "$fuzzer")")
done
for i in "${!running[@]}"; do
    finish "${running[$i]}" "${names[$i]}"
done

echo "fuzz: $((${#fuzzers[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
((${#failed[@]} == 0))
