#!/usr/bin/env bash
# The pages' suite: installs its npm packages (playwright-core, es-check) into
# the build tree from the committed lock, then runs node's test runner.
# Usage: run.sh <build folder> <screenshot folder>
set -euo pipefail
src=$(cd "$(dirname "$0")" && pwd)
work=$1
shots=$2
npm_dir=$work/npm
mkdir -p "$npm_dir"

# npm ci only when the lock changed: an install of the same lock is kept, so a
# machine without the registry still runs the suite once it has installed.
lock_sum=$(sha256sum "$src/package-lock.json" | cut -d' ' -f1)
if [ ! -d "$npm_dir/node_modules/playwright-core" ] || [ "$(cat "$npm_dir/.lock-sum" 2>/dev/null)" != "$lock_sum" ]; then
  cp "$src/package.json" "$src/package-lock.json" "$npm_dir/"
  (cd "$npm_dir" && npm ci --prefer-offline --no-audit --no-fund --loglevel=error)
  echo "$lock_sum" >"$npm_dir/.lock-sum"
fi

command -v "${OVX_CHROMIUM:-/usr/bin/chromium}" >/dev/null || { echo "chromium is missing: run tools/install-deps.sh" >&2; exit 1; }
rm -rf "$shots"
mkdir -p "$shots"
export NODE_PATH=$npm_dir/node_modules OVX_WORK_DIR=$work OVX_SCREENSHOT_DIR=$shots
exec node --test --test-reporter=spec "$src/pages.test.js"
