#!/usr/bin/env bash
# wine-prefix.sh setup DIR        make DIR.template and from it DIR; start DIR's
#                                 wineserver and an X display
# wine-prefix.sh cleanup DIR      stop them
# wine-prefix.sh create DIR       only make a prefix (no server, no display)
# wine-prefix.sh clone SRC DST    a copy of a prefix that no server is using
set -euo pipefail
here=$(dirname "$(readlink -f "$0")")
. "$here/wine-env.sh"
cmd=$1
export WINEPREFIX=$(readlink -m "$2")

create() {
  rm -rf "$WINEPREFIX"
  mkdir -p "$WINEPREFIX"
  timeout 300 wineboot -i >/dev/null 2>&1
  # Windows 10, as the launcher expects of a current machine.
  timeout 60 wine reg add 'HKCU\Software\Wine' /v Version /d win10 /f >/dev/null 2>&1
  # East Asian glyphs behind the pages' Western faces, as a Windows with its
  # language packs links them. Wine draws a face it lacks in the first linked
  # one, so a Western face comes first (the Japanese font draws "\" as a yen
  # sign), then the host's Japanese and Chinese fonts.
  local face
  local cjk='ipagp.ttf,IPAPGothic|wqy-microhei.ttc,WenQuanYi Micro Hei'
  for face in "Segoe UI" "Tahoma" "MS Sans Serif" "Microsoft Sans Serif" "MS Shell Dlg" "MS Shell Dlg 2" "Kyn Sans"; do
    timeout 60 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
      /t REG_MULTI_SZ /d "DejaVuSans.ttf,DejaVu Sans|$cjk" /s '|' /f >/dev/null 2>&1
  done
  for face in "DejaVu Sans" "DejaVu Sans Bold"; do
    timeout 60 wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$face" \
      /t REG_MULTI_SZ /d "$cjk" /s '|' /f >/dev/null 2>&1
  done
  timeout 60 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "MS UI Gothic" /d IPAPGothic /f >/dev/null 2>&1
  timeout 60 wineserver -w
}

# Hard links for the read-only bulk (the system DLLs), real copies of what
# Wine rewrites.
clone() {
  local src=$1 dst=$2
  rm -rf "$dst"
  cp -al "$src" "$dst"
  for f in "$dst"/*.reg "$dst"/.update-timestamp; do
    [ -f "$f" ] || continue
    cp --remove-destination "$src/$(basename "$f")" "$f"
  done
}

start_display() {
  command -v Xvfb >/dev/null || return 0
  local fifo="$WINEPREFIX/.displayfd"
  rm -f "$fifo" "$WINEPREFIX/.display"
  # -displayfd picks a free display and writes its number.
  setsid Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fifo" >/dev/null 2>&1 < /dev/null &
  echo $! > "$WINEPREFIX/.xvfb.pid"
  for _ in $(seq 100); do
    [ -s "$fifo" ] && break
    sleep 0.1
  done
  tr -d '\n' < "$fifo" > "$WINEPREFIX/.display"
  rm -f "$fifo"
}

case "$cmd" in
  create) create ;;
  clone) clone "$(readlink -m "$2")" "$(readlink -m "$3")" ;;
  setup)
    template="$WINEPREFIX.template"
    dir=$WINEPREFIX
    WINEPREFIX=$template create
    clone "$template" "$dir"
    export WINEPREFIX=$dir
    start_display
    # One server for the whole run: each Wine process then starts in about half a second.
    setsid wineserver -p >/dev/null 2>&1 < /dev/null &
    ;;
  cleanup)
    wineserver -k 2>/dev/null || true
    if [ -f "$WINEPREFIX/.xvfb.pid" ]; then
      kill "$(cat "$WINEPREFIX/.xvfb.pid")" 2>/dev/null || true
      rm -f "$WINEPREFIX/.xvfb.pid" "$WINEPREFIX/.display"
    fi
    ;;
  *) echo "usage: $0 setup|cleanup|create DIR" >&2; exit 2 ;;
esac
