#!/bin/sh
# Builds with the benchmarks (build-bench/, -DWB_BUILD_BENCH=ON) and runs them all:
#   1. the block benchmarks (bench/block_bench.cpp: reading the executable's block, searching
#      a large file), the remote channel (bench/remote_bench.cpp) and the reading of damaged
#      or huge configuration blocks (bench/config_load_bench.cpp),
#   2. wbctl brand: time per branded copy and what the copy adds to the program's size
#      (bench/brand/brand_bench.py), for the built program and a copy without debug information,
#      and wbctl package --deb of a 30 MB copy against dpkg-deb --build of the same tree
#      (bench/package/package_bench.py),
#   3. start-up time and memory against the engine floor, Chromium's app window and GNOME Web's
#      web-application mode (bench/startup/startup_bench.py), each as a first start (a fresh
#      profile) and as a daily start (the profile of the previous run kept), under the current
#      display or else Xvfb, and the time a
#      second start of a single=1 copy takes to hand over and end (bench/single/single_bench.py),
#   4. with --soak, a long day in one window (bench/soak/soak_bench.py): N navigations, PSS and
#      time per navigation over the first and the last thousand, without and with the banner,
#   5. with --allday, what a window open all day costs (bench/allday/allday_bench.py): CPU,
#      context switches and PSS of a static, a live and a heavy page, shown and minimised,
#      against Chromium's app window when it is installed (three runs, about 70 minutes each).
# Started as root, the start-up and soak benchmarks run the programs as an unprivileged user of
# their own ("wbbench", created once), so that every contender keeps its sandbox.
#
# Usage: scripts/bench.sh [--runs N] [--with-chromium] [--with-gnome-web] [--skip-startup]
#                         [--timeline]
#                         [--soak] [--navigations N] [--pages N] [--allday]
#   --runs N         counted start-up runs per contender (default 7, at least 5)
#   --with-chromium  install Debian's chromium first (bench only; not a build dependency), so
#                    that the start-up table has its column; without it Chromium is measured
#                    only when already installed, else reported as skipped
#   --with-gnome-web install Debian's epiphany-browser first (bench only), the same way
#   --skip-startup   only the block and brand benchmarks (no display needed)
#   --timeline       the start-up benchmark also runs the program with WB_TIMELINE=1 and prints
#                    the timeline of its start
#   --soak           also the soak benchmark (long: about 20 minutes for 10,000 navigations)
#   --navigations N  navigations per soak (default 10000, at least 2000)
#   --pages N        the soak's cycle of pages (default 10; 0: a new address every time)
#   --allday         also the all-day benchmark (long: three runs of about 70 minutes)
# Figures depend on the machine and on what else runs on it; the README's Performance section
# says where its tables come from.
set -eu
cd "$(dirname "$0")/.."
runs=7
chromium=0
gnome_web=0
startup=1
timeline=""
soak=0
navigations=10000
pages=10
allday=0
while [ $# -gt 0 ]; do
  case "$1" in
    --runs) runs=$2; shift ;;
    --runs=*) runs=${1#--runs=} ;;
    --with-chromium) chromium=1 ;;
    --with-gnome-web) gnome_web=1 ;;
    --skip-startup) startup=0 ;;
    --timeline) timeline=--timeline ;;
    --soak) soak=1 ;;
    --allday) allday=1 ;;
    --navigations) navigations=$2; shift ;;
    --navigations=*) navigations=${1#--navigations=} ;;
    --pages) pages=$2; shift ;;
    --pages=*) pages=${1#--pages=} ;;
    *) echo "bench.sh: unknown argument $1" >&2; exit 2 ;;
  esac
  shift
done

scripts/install-deps.sh
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
if [ "$chromium" = 1 ] && ! command -v chromium >/dev/null 2>&1; then
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends chromium
fi
if [ "$gnome_web" = 1 ] && ! command -v epiphany >/dev/null 2>&1; then
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    epiphany-browser
fi
# The first frame of each window comes from the X server's damage reports, read with Debian's
# python3-xlib; the system's Python is the one that has it.
if [ "$startup" = 1 ] && [ ! -d /usr/lib/python3/dist-packages/Xlib ]; then
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    python3-xlib || echo "bench.sh: no python3-xlib: the first frames are not measured" >&2
fi
if [ -x /usr/bin/python3 ]; then PYTHON=/usr/bin/python3; else PYTHON=python3; fi

build=build-bench
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DWB_BUILD_BENCH=ON \
  -DWB_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)"

echo "== Block benchmarks"
"$build/bench/wb_block_bench"

echo
echo "== Remote channel benchmarks"
"$build/bench/wb_remote_bench"

echo
echo "== Reading damaged or huge configuration blocks"
"$build/bench/wb_config_load_bench"
echo "== navigations through the window's model and the window"
if [ -n "${DISPLAY:-}" ]; then
  "$build/bench/wb_navigation_bench"
else
  xvfb-run -a -s "-screen 0 1600x1200x24" "$build/bench/wb_navigation_bench"
fi

echo
echo "== wbctl brand"
python3 bench/brand/brand_bench.py --wbctl "$build/wbctl" --program "$build/webbrowser"
echo
python3 bench/brand/brand_bench.py --wbctl "$build/wbctl" --program "$build/bench/webbrowser-stripped"
echo
echo "== wbctl package"
python3 bench/package/package_bench.py --wbctl "$build/wbctl" --program "$build/webbrowser"

if [ "$startup" = 1 ]; then
  echo
  echo "== Start-up time and memory"
  set -- "$PYTHON" bench/startup/startup_bench.py --runs "$runs" $timeline \
    --webbrowser "$build/webbrowser" --wbctl "$build/wbctl" --floor "$build/bench/wb_engine_floor"
  if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    "$@"
  else
    xvfb-run -a -s "-screen 0 1600x1200x24" dbus-run-session -- "$@"
  fi
  echo
  echo "== A second start of a copy that keeps one window"
  set -- python3 bench/single/single_bench.py --webbrowser "$build/bench/webbrowser-stripped" \
    --wbctl "$build/wbctl"
  if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    "$@"
  else
    xvfb-run -a -s "-screen 0 1600x1200x24" dbus-run-session -- "$@"
  fi
fi

if [ "$soak" = 1 ]; then
  echo
  echo "== A long day: $navigations navigations in one window"
  set -- "$PYTHON" bench/soak/soak_bench.py --navigations "$navigations" --pages "$pages" --info \
    --webbrowser "$build/webbrowser" --wbctl "$build/wbctl"
  if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    "$@"
  else
    xvfb-run -a -s "-screen 0 1600x1200x24" dbus-run-session -- "$@"
  fi
fi

if [ "$allday" = 1 ]; then
  echo
  echo "== All day: a static, a live and a heavy page, shown and minimised"
  set -- "$PYTHON" bench/allday/allday_bench.py --runs 3 \
    --webbrowser "$build/bench/webbrowser-stripped" --wbctl "$build/wbctl"
  if [ -n "${DISPLAY:-}" ]; then
    "$@"
  else
    xvfb-run -a -s "-screen 0 1600x1200x24" dbus-run-session -- "$@" --wm
  fi
fi
