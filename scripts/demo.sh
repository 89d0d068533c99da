#!/bin/sh
# The README's first command: installs what is needed, builds, makes a branded copy of the
# program for the demo pages in demo/ (served on loopback) and runs it. Without a display it
# runs on a virtual one, saves a screenshot, says where, and exits.
#
# Usage: scripts/demo.sh [--screenshot FILE] [--find TEXT] [--no-install]
#   --screenshot FILE  run on a virtual display and save a picture of the window to FILE
#   --find TEXT        with --screenshot: open the find bar (Ctrl+F) and search for TEXT first
#   --no-install       skip scripts/install-deps.sh (everything is installed already)
set -eu
cd "$(dirname "$0")/.."
root=$(pwd)

shot=""
find=""
install=1
build=1
while [ $# -gt 0 ]; do
  case "$1" in
    --screenshot) shot="$2"; shift 2 ;;
    --find) find="$2"; shift 2 ;;
    --no-install) install=0; shift ;;
    --no-build) build=0; shift ;;
    *) echo "usage: scripts/demo.sh [--screenshot FILE] [--find TEXT] [--no-install]" >&2; exit 2 ;;
  esac
done

if [ "$install" = 1 ]; then scripts/install-deps.sh; fi
if [ "$build" = 1 ]; then
  cmake --preset default >/dev/null
  cmake --build --preset default --target webbrowser wbctl
fi

# Without a display, the demo runs on a virtual one and leaves a picture behind.
if [ -z "${DISPLAY:-}" ] && [ -z "$shot" ]; then shot="$root/build/demo/screenshot.png"; fi
if [ -n "$shot" ] && [ -z "${WB_DEMO_VIRTUAL:-}" ]; then
  case "$shot" in /*) ;; *) shot="$root/$shot" ;; esac
  mkdir -p "$(dirname "$shot")"
  if command -v dbus-run-session >/dev/null; then
    exec env WB_DEMO_VIRTUAL=1 xvfb-run -a -s "-screen 0 1280x900x24" \
      dbus-run-session -- "$0" --no-install --no-build --screenshot "$shot" --find "$find"
  fi
  exec env WB_DEMO_VIRTUAL=1 xvfb-run -a -s "-screen 0 1280x900x24" \
    "$0" --no-install --no-build --screenshot "$shot" --find "$find"
fi

work="$root/build/demo"
mkdir -p "$work"
rm -f "$work/port"
cleanup() {
  [ -n "${program:-}" ] && kill "$program" 2>/dev/null || true
  [ -n "${server:-}" ] && kill "$server" 2>/dev/null || true
}
trap cleanup EXIT INT TERM

python3 scripts/demo_server.py "$root/demo" "$work/port" &
server=$!
for _ in $(seq 1 100); do [ -s "$work/port" ] && break; sleep 0.1; done
[ -s "$work/port" ] || { echo "demo: the demo server did not start" >&2; exit 1; }
site="http://127.0.0.1:$(cat "$work/port")"

# The branded copy: its own title, links to the demo pages, all bars, a colour and the demo
# start page, appended to a copy of the program in milliseconds.
build/wbctl brand build/webbrowser "$work/acme-portal" \
  "title=Acme Portal" showbanner=1 vis=mnal color=#DCE8F5 width=1100 height=780 \
  "links=Start=$site/index.html|Products=$site/products.html|Slow page=$site/slow.html|New windows=$site/newwindow.html|Price list=$site/download/price-list.csv" \
  "go=$site/index.html" >/dev/null

if [ -z "$shot" ]; then
  echo "demo: running $work/acme-portal (the demo pages are served on $site)"
  "$work/acme-portal" &
  program=$!
  wait "$program" || true
  program=""
  exit 0
fi

# On the virtual display: a home of its own, so the picture never touches real settings.
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
  XDG_CACHE_HOME="$work/cache"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME"
"$work/acme-portal" >"$work/program.log" 2>&1 &
program=$!
id=""
for _ in $(seq 1 150); do
  id=$(xwininfo -name "Acme Portal" 2>/dev/null | sed -n 's/.*Window id: \(0x[0-9a-f]*\).*/\1/p')
  [ -n "$id" ] && break
  kill -0 "$program" 2>/dev/null || { cat "$work/program.log" >&2; exit 1; }
  sleep 0.1
done
[ -n "$id" ] || { echo "demo: the window did not appear" >&2; exit 1; }
# The page and its pictures settle within a few seconds on loopback.
sleep 4
if [ -n "$find" ]; then
  xdotool windowfocus --sync "$id" key ctrl+f
  xdotool type --delay 60 "$find"
  sleep 2
fi
import -window "$id" "$shot"
echo "demo: no display here, so the demo ran on a virtual one; screenshot saved to $shot"
