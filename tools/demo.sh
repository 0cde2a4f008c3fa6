#!/usr/bin/env bash
# The launcher's main job: a silent install of the embedded runtime into a
# fresh Wine prefix. Prints the exit code, the log and what got installed.
set -euo pipefail
build=$(readlink -f "${1:-build/windows}")
here=$(dirname "$(readlink -f "$0")")
. "$here/wine-env.sh"
export WINEPREFIX="$build/demo-prefix"
export LANG=${LANG:-en_US.UTF-8}

echo "== making a fresh Wine prefix at $WINEPREFIX"
"$here/wine-prefix.sh" create "$WINEPREFIX"
trap 'wineserver -k 2>/dev/null || true' EXIT

launcher="Z:$build/bin/ovxoffline.exe"
echo "== running: ovxoffline.exe /s"
# Output through a file: the prefix's services outlive the launcher and would
# hold a pipe open.
outfile=$(mktemp)
timeout 900 wine "$build/bin/testhelper.exe" run "$launcher" /s >"$outfile" 2>/dev/null </dev/null || true
out=$(cat "$outfile"); rm -f "$outfile"
code=$(sed -n 's/^exit code: \(-\{0,1\}[0-9]*\).*/\1/p' <<<"$out")
echo "exit code: ${code:-unknown ($out)}"

user_dir=$(ls -d "$WINEPREFIX"/drive_c/users/* | grep -v /Public | head -1)
log=$(ls "$user_dir"/Temp/qusched.log "$user_dir"/AppData/Local/Temp/qusched.log 2>/dev/null | head -1 || true)
echo "log: ${log:-none}"
[ -n "$log" ] && sed 's/\r$//' "$log" | grep -E 'Wrapper|MSI command line|verified|Exception|Auto-update' | sed 's/^/    /'

echo "== installed runtime (registry, 64-bit view)"
regfile=$(mktemp)
if wine reg query 'HKLM\SOFTWARE\OrunSoft\Orun Runtime Environment\1.9.0' /s /reg:64 >"$regfile" 2>/dev/null </dev/null; then
  tr -d '\r' <"$regfile" | sed '/^$/d; s/^/    /'
else
  echo "    (none)"
fi
rm -f "$regfile"
package="$user_dir/AppData/LocalLow/Kyn/Orun/ovx1.9.0_x64/ovx1.9.0.msi"
echo "package cache: $( [ -f "$package" ] && echo "$package ($(stat -c %s "$package") bytes)" || echo missing)"
home="$WINEPREFIX/drive_c/Program Files/Orun/ovx1.9.0"
echo "== installed files under C:\\Program Files\\Orun\\ovx1.9.0"
( cd "$home" 2>/dev/null && find . -type f | sed 's/^\./    /' ) || echo "    (none)"

echo "== auto-update component (registry, 32-bit view)"
query() {  # key value: the value's data, or "(none)"
  local f; f=$(mktemp)
  if wine reg query "$1" /v "$2" /reg:32 >"$f" 2>/dev/null </dev/null; then
    tr -d '\r' <"$f" | awk -v n="$2" 'tolower($1) == tolower(n) { print $3 }'
  else
    echo "(none)"
  fi
  rm -f "$f"
}
echo "    product {8C51E2A4-3D7B-4E62-8E13-1A9C35B20F46} version: $(query 'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\{8C51E2A4-3D7B-4E62-8E13-1A9C35B20F46}' DisplayVersion)"
echo "    NotifyDownload: $(query 'HKLM\SOFTWARE\OrunSoft\Orun Update\Policy\qucheck' NotifyDownload)"
echo "    NotifyInstall: $(query 'HKLM\SOFTWARE\OrunSoft\Orun Update\Policy\qucheck' NotifyInstall)"
au="$user_dir/AppData/LocalLow/Velmar/Orun/AU/au.msi"
echo "    package: $( [ -f "$au" ] && echo "$au ($(stat -c %s "$au") bytes)" || echo missing)"
[ "${code:-1}" = 0 ]
