#!/usr/bin/env bash
# bench/run.sh BUILD_DIR: builds the benchmark launcher and the copy timer,
# then times them side by side (bench/run.py; OVX_BENCH_RUNS runs per side, 3
# unless set).
set -euo pipefail
build=$(readlink -f "${1:-build/windows}")
here=$(dirname "$(readlink -f "$0")")
timeout 600 cmake --build "$build" --target ovxoffline_bench copytime testhelper -j "$(nproc)"
exec timeout 900 python3 "$here/run.py" "$build" --runs "${OVX_BENCH_RUNS:-3}"
