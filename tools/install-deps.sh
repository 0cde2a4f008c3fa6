#!/usr/bin/env bash
# Installs the Debian packages that the build and the tests need, only those missing.
set -euo pipefail
pkgs=(cmake make python3 googletest
      g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev binutils-mingw-w64-x86-64
      wine wine64 msitools wixl
      xvfb xauth x11-utils imagemagick
      clang libclang-rt-14-dev)  # libFuzzer and the sanitizer runtimes are only recommended by clang
pkgs+=(openssl)  # the test server makes its CA and certificates with it
pkgs+=(fonts-dejavu-core fonts-wqy-microhei fonts-ipafont-gothic)  # glyphs for the pages in every language
pkgs+=(chromium)  # the HTML pages' tests run in it headless
# The pages' test driver comes from npm; a machine whose Node.js came from
# elsewhere keeps it (Debian's npm would conflict with it).
command -v npm >/dev/null 2>&1 || pkgs+=(nodejs npm)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "installing: ${missing[*]}"
as_root=()
[ "$(id -u)" -eq 0 ] || as_root=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
