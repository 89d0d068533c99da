#!/bin/sh
# Takes the README's pictures of the main window with its info banner and of the about box:
# runs a branded copy of the program on a virtual display against a gateway served on
# loopback, then opens the about box from the Help menu as a person would.
# Writes docs/banner-window.png and docs/about-box.png. Needs a build in build/.
set -eu
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1280x900x24" "$0" "$@"
fi

work=$(mktemp -d)
cleanup() {
  [ -n "${program:-}" ] && kill "$program" 2>/dev/null || true
  [ -n "${server:-}" ] && kill "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT INT TERM
# A home of its own: the pictures never read or write the real user's settings.
export HOME="$work/home" XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" \
  XDG_CACHE_HOME="$work/cache"
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" "$XDG_CACHE_HOME" "$work/site/gw" \
  "$work/site/start"

cat > "$work/site/gw/index.html" <<'HTML'
<html><body style="margin:0;padding:10px 24px;font:14px sans-serif;background:#FFF8E1">
<b style="color:#C8102E">Morvane news</b> &mdash; version 1.1 is out: faster start, smaller
downloads. <a href="#">Read more</a></body></html>
HTML
cat > "$work/site/start/index.html" <<'HTML'
<html><head><title>Welcome</title></head>
<body style="font:15px sans-serif;margin:32px;color:#1B2A4A">
<h1>Welcome to the Morvane demo shop</h1>
<p>This site runs as a desktop application. Below the window hangs the info banner, a page of
the maker's gateway that reloads every two minutes.</p></body></html>
HTML

port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server --bind 127.0.0.1 --directory "$work/site" "$port" >/dev/null 2>&1 &
server=$!

build/wbctl brand build/webbrowser "$work/webbrowser" --keep-links "title=Morvane Demo" webinfo=1 vis=mnal \
  width=900 height=560 "go=http://127.0.0.1:$port/start/" >/dev/null
WB_TEST_BASE_WEB_ADDRESS="http://127.0.0.1:$port" "$work/webbrowser" >/dev/null 2>&1 &
program=$!

# Waits until a window of that name is shown; prints its id.
wait_window() {
  for _ in $(seq 1 100); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n 1 || true)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.2
  done
  echo "screenshots: no window \"$1\"" >&2
  return 1
}

# xwininfo's value of a field.
field() { xwininfo -id "$1" | sed -n "s/^ *$2: *//p"; }

main=$(wait_window "Morvane Demo")
banner=$(wait_window "WebInfo")
sleep 4  # the pages render
x=$(field "$main" "Absolute upper-left X")
y=$(field "$main" "Absolute upper-left Y")
width=$(field "$main" "Width")
height=$(( $(field "$main" "Height") + $(field "$banner" "Height") ))
mkdir -p docs
import -window root -crop "${width}x${height}+${x}+${y}" +repage docs/banner-window.png

# The about box, from the Help menu of a copy that links to the maker's real site.
kill "$program"
wait "$program" 2>/dev/null || true
build/wbctl brand build/webbrowser "$work/plain" --keep-links "title=Morvane Demo" webinfo=0 vis=mnal \
  width=900 height=560 "go=http://127.0.0.1:$port/start/" >/dev/null
"$work/plain" >/dev/null 2>&1 &
program=$!
main=$(wait_window "Morvane Demo")
xdotool windowfocus --sync "$main"
xdotool key --clearmodifiers alt+h
sleep 0.5
xdotool key --clearmodifiers a
about=$(wait_window "Info")
sleep 1
import -window "$about" docs/about-box.png
echo "screenshots: docs/banner-window.png docs/about-box.png"
