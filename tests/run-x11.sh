#!/bin/sh
# Runs a test program on a virtual X display (Xvfb) inside a private D-Bus session, so the
# toolkit finds a display and a session bus and nothing reaches the user's own session.
#
# Usage: tests/run-x11.sh [--pool DIR] PROGRAM [ARGUMENT...]
#        tests/run-x11.sh --start-pool DIR COUNT
#        tests/run-x11.sh --stop-pool DIR
#
# Every GoogleTest case is a process of its own, and starting a display server and a bus for
# each would cost more than most cases take. So a test run starts a few servers, each with a
# session bus, once (--start-pool, the set-up of CTest's fixture), and every case takes
# whichever of them is free (--pool), holding it alone while it runs, so no case sees
# another's windows. A program run without a pool, or when
# the pool's servers are gone, gets a server of its own for the run. A listing of the cases
# (how CTest learns them) needs no display and runs as it is.
#
# Exit status: the program's; 1 when no display server starts.
set -u

. "$(dirname "$0")/test-bus.sh"

listing=no
for arg in "$@"; do
  [ "$arg" = "--gtest_list_tests" ] && listing=yes
done

# Starts an Xvfb that picks a free display number itself (-displayfd), so runs in parallel
# never collide, detached from this script's output so that CTest does not wait for it.
# Writes the number to $1/$2.display and the server's process id to $1/$2.pid; returns 1 when
# it does not start.
start_server() {
  fifo="$1/$2.fifo"
  rm -f "$fifo" "$1/$2.display" "$1/$2.pid"
  mkfifo "$fifo" || return 1
  # Without job control a background command leads no process group, so setsid makes the new
  # session without a fork of its own and $! is the server's process id.
  setsid Xvfb -displayfd 3 -screen 0 1600x1200x24 -nolisten tcp -noreset \
    3>"$fifo" </dev/null >"$1/$2.log" 2>&1 &
  echo "$!" >"$1/$2.pid"
  number=""
  read -r number <"$fifo"
  rm -f "$fifo"
  if [ -z "$number" ]; then
    stop_server "$1" "$2"
    return 1
  fi
  echo "$number" >"$1/$2.display"
}

# Starts a D-Bus session bus beside the server $1/$2 for the programs on its display, one that
# starts none of the machine's services (tests/test-bus.sh); writes its address to $1/$2.bus
# and its process id to $1/$2.buspid.
start_bus() {
  command -v dbus-daemon >/dev/null 2>&1 || return 0
  write_bus_config "$1/$2.bus.d" || return 0
  out=$(setsid dbus-daemon --config-file="$1/$2.bus.d/bus.conf" --fork --print-address=1 \
    --print-pid=1 </dev/null 2>/dev/null)
  [ -n "$out" ] || return 0
  echo "$out" | sed -n 1p >"$1/$2.bus"
  echo "$out" | sed -n 2p >"$1/$2.buspid"
}

# Kills process $1 when it still runs the program $2: a process id is only trusted while it
# still names what it was.
kill_if() {
  if [ -n "$1" ] && [ "$(cat "/proc/$1/comm" 2>/dev/null)" = "$2" ]; then
    kill "$1" 2>/dev/null
  fi
}

# Stops the server started as $1/$2 and its bus, if they still run.
stop_server() {
  kill_if "$(cat "$1/$2.pid" 2>/dev/null)" Xvfb
  kill_if "$(cat "$1/$2.buspid" 2>/dev/null)" dbus-daemon
  rm -f "$1/$2.display" "$1/$2.pid" "$1/$2.bus" "$1/$2.buspid"
  rm -rf "$1/$2.bus.d"
}

# Whether the server started as $1/$2 still accepts clients.
server_alive() {
  number=$(cat "$1/$2.display" 2>/dev/null) || return 1
  pid=$(cat "$1/$2.pid" 2>/dev/null) || return 1
  [ -S "/tmp/.X11-unix/X$number" ] && [ "$(cat "/proc/$pid/comm" 2>/dev/null)" = "Xvfb" ]
}

# Runs the program on display $1 with the session bus at address $2, or, when $2 is empty, in
# a D-Bus session of its own (configured as start_bus's) when there is one to start.
run_on() {
  display=$1
  bus=$2
  shift 2
  # A case before may have moved the pointer (a click with the input extension); put it back in
  # the middle of the screen, where a new window opens, as every case finds it on a new server.
  if command -v xdotool >/dev/null 2>&1; then
    DISPLAY=":$display" xdotool mousemove 800 600 >/dev/null 2>&1 || true
  fi
  if [ -n "$bus" ]; then
    DISPLAY=":$display" GDK_BACKEND=x11 DBUS_SESSION_BUS_ADDRESS="$bus" "$@"
  elif command -v dbus-run-session >/dev/null 2>&1 &&
    session=$(mktemp -d "${TMPDIR:-/tmp}/wb-bus-XXXXXX") && write_bus_config "$session"; then
    DISPLAY=":$display" GDK_BACKEND=x11 dbus-run-session --config-file="$session/bus.conf" -- "$@"
    status=$?
    rm -rf "$session"
    return "$status"
  else
    DISPLAY=":$display" GDK_BACKEND=x11 "$@"
  fi
}

run_on_own_server() {
  run=$(mktemp -d "${TMPDIR:-/tmp}/wb-x11-XXXXXX") || exit 1
  if ! start_server "$run" own; then
    echo "run-x11: Xvfb did not start:" >&2
    cat "$run/own.log" >&2
    rm -rf "$run"
    exit 1
  fi
  start_bus "$run" own
  run_on "$(cat "$run/own.display")" "$(cat "$run/own.bus" 2>/dev/null)" "$@"
  status=$?
  stop_server "$run" own
  rm -rf "$run"
  exit "$status"
}

case "${1:-}" in
  --start-pool)
    dir=$2
    count=$3
    mkdir -p "$dir"
    i=0
    while [ "$i" -lt "$count" ]; do
      stop_server "$dir" "server-$i"
      if ! start_server "$dir" "server-$i"; then
        echo "run-x11: Xvfb did not start:" >&2
        cat "$dir/server-$i.log" >&2
        exit 1
      fi
      start_bus "$dir" "server-$i"
      i=$((i + 1))
    done
    # Should the run end without its clean-up (CTest interrupted), the servers go with the
    # process that started this script; but only while the pool is still this run's, since a
    # run started right after this one takes the same folder for its own servers.
    owner="$PPID.$$"
    echo "$owner" >"$dir/owner"
    setsid sh -c 'while kill -0 "$0" 2>/dev/null; do sleep 2; done
      [ "$(cat "$2/owner" 2>/dev/null)" = "$3" ] && exec "$1" --stop-pool "$2"' \
      "$PPID" "$0" "$dir" "$owner" </dev/null >/dev/null 2>&1 &
    echo "run-x11: $count displays ready in $dir"
    exit 0
    ;;
  --stop-pool)
    dir=$2
    for file in "$dir"/server-*.display; do
      [ -e "$file" ] || continue
      name=$(basename "$file" .display)
      stop_server "$dir" "$name"
    done
    exit 0
    ;;
  --pool)
    dir=$2
    shift 2
    [ "$listing" = yes ] && exec "$@"
    # A free server of the pool, tried in turn; with every one busy, the first one, waited for.
    # A lock held by this script (not by the program, which might leave children behind) marks
    # a server as taken; 75 is flock's answer for a lock that is held.
    for file in "$dir"/server-*.display; do
      [ -e "$file" ] || continue
      name=$(basename "$file" .display)
      server_alive "$dir" "$name" || continue
      flock -n -o -E 75 "$dir/$name.lock" \
        "$0" --run-on "$(cat "$file")" "$(cat "$dir/$name.bus" 2>/dev/null)" "$@"
      status=$?
      [ "$status" -eq 75 ] || exit "$status"
    done
    for file in "$dir"/server-*.display; do
      [ -e "$file" ] || continue
      name=$(basename "$file" .display)
      server_alive "$dir" "$name" || continue
      exec flock -o -w 600 "$dir/$name.lock" \
        "$0" --run-on "$(cat "$file")" "$(cat "$dir/$name.bus" 2>/dev/null)" "$@"
    done
    run_on_own_server "$@"
    ;;
  --run-on)
    shift
    run_on "$@"
    exit $?
    ;;
  *)
    [ "$listing" = yes ] && exec "$@"
    run_on_own_server "$@"
    ;;
esac
