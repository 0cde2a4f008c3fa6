#!/usr/bin/env bash
# bench/run.sh BUILD_DIR: builds the benchmark launcher, its timers and
# baselines, then measures them side by side (bench/run.py; OVX_BENCH_RUNS runs
# a side, 5 unless set).
set -euo pipefail
build=$(readlink -f "${1:-build/windows}")
here=$(dirname "$(readlink -f "$0")")
timeout 600 cmake --build "$build" --target ovxoffline_bench copytime benchrun onedialog onedialog_themed welcomepage -j "$(nproc)"
exec timeout 1800 python3 "$here/run.py" "$build" --runs "${OVX_BENCH_RUNS:-5}"
