#!/usr/bin/env bash
# Measures one Google Benchmark program of Bench/ as built from this tree and as built from an
# earlier revision, run in turn several times, so that both meet the same load of a shared
# machine; prints each benchmark's lowest real time and counters for both. The revision is built
# with this tree's Bench/ folder, so both run the same benchmark code through the plug-in's
# functions.
# Usage: Bench/compare_with.sh REVISION PROGRAM [ROUNDS [benchmark options...]]
#   REVISION  a git revision (main, a commit), built in build-compare/ (kept between runs)
#   PROGRAM   selectaddressbook_bench, xml_bench, ...
#   ROUNDS    how often each build runs the program (default 3; 3 repetitions each)
# This tree's own build is build/ (configured, as by Tools/setup.sh build).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
revision=${1:?revision}
program=${2:?benchmark program}
rounds=${3:-3}
shift $(($# < 3 ? $# : 3))

compare=$root/build-compare
rm -rf "$compare/src"
mkdir -p "$compare/src"
git -C "$root" archive "$revision" | tar -x -C "$compare/src"
rm -rf "$compare/src/Bench"
cp -r "$root/Bench" "$compare/src/Bench"
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
cmake -S "$compare/src" -B "$compare/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
    >/dev/null
cmake --build "$compare/build" -j2 --target "$program" >/dev/null
cmake --build "$root/build" -j2 --target "$program" >/dev/null

runs=$compare/runs
rm -rf "$runs"
mkdir -p "$runs"
for round in $(seq "$rounds"); do
    "$compare/build/bin/$program" --benchmark_repetitions=3 --benchmark_format=json "$@" \
        2>/dev/null >"$runs/$round-base.json"
    "$root/build/bin/$program" --benchmark_repetitions=3 --benchmark_format=json "$@" \
        2>/dev/null >"$runs/$round-this.json"
done
echo "lowest of $rounds runs; base: $revision ($(git -C "$root" rev-parse --short "$revision")), this: the tree"
python3 - "$runs" <<'EOF'
import glob, json, os, sys

best = {}
for path in sorted(glob.glob(os.path.join(sys.argv[1], "*.json"))):
    side = os.path.basename(path)[:-5].split("-", 1)[1]
    for bench in json.load(open(path))["benchmarks"]:
        if bench.get("run_type") != "iteration" or bench.get("error_occurred"):
            continue
        key = (bench["run_name"], side)
        if key not in best or bench["real_time"] < best[key]["real_time"]:
            best[key] = bench
for (name, side), bench in sorted(best.items()):
    counters = {k: round(v, 3) for k, v in bench.items()
                if isinstance(v, float) and k not in ("real_time", "cpu_time")}
    print(f"{name:50s} {side:5s} {bench['real_time']:10.1f} {bench['time_unit']}  {counters}")
EOF
