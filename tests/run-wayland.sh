#!/bin/sh
# Runs a test program on a Wayland display of its own: a headless weston (no screen, no GPU:
# the pixman renderer) started for this run and stopped after it, inside a private D-Bus
# session, so the toolkit finds the desktop portal for its settings and nothing reaches the
# user's own session.
#
# Usage: tests/run-wayland.sh PROGRAM [ARGUMENT...]
# Exit status: the program's; 77 (a skip, for CTest) when weston is missing or does not start.
set -u

skip() {
  echo "run-wayland: skipped: $*" >&2
  exit 77
}

. "$(dirname "$0")/test-bus.sh"

# A listing of the program's cases (how CTest learns them) needs no display.
for arg in "$@"; do
  if [ "$arg" = "--gtest_list_tests" ]; then exec "$@"; fi
done

command -v weston >/dev/null 2>&1 || skip "weston is not installed (scripts/install-deps.sh installs it)"
command -v dbus-run-session >/dev/null 2>&1 || skip "dbus-run-session is not installed"

# The compositor's socket, its log and the session's home live in one private folder that
# goes with the run. Wayland wants its runtime folder to be the user's alone.
run=$(mktemp -d "${TMPDIR:-/tmp}/wb-wayland-XXXXXX") || skip "no temporary folder"
chmod 700 "$run"
mkdir -p "$run/home" "$run/config" "$run/data" "$run/cache" "$run/state"
socket="wb-test-$$"

XDG_RUNTIME_DIR="$run" weston --backend=headless-backend.so --use-pixman --socket="$socket" \
  --width=1600 --height=1200 --idle-time=0 --no-config >"$run/weston.log" 2>&1 &
weston_pid=$!

stop() {
  kill "$weston_pid" 2>/dev/null && wait "$weston_pid" 2>/dev/null
  # The portal's document store mounts its files in the runtime folder and may still be
  # going away; let go of the mount before the folder is removed.
  if [ -d "$run/doc" ]; then
    fusermount3 -u -z "$run/doc" 2>/dev/null || fusermount -u -z "$run/doc" 2>/dev/null
  fi
  rm -rf "$run"
}
trap stop EXIT
trap 'exit 130' INT TERM

# The session's bus starts the desktop portal, its GTK back end and the stores the portal
# uses, and none of the machine's other services (tests/test-bus.sh).
write_bus_config "$run/bus" org.freedesktop.portal.Desktop org.freedesktop.impl.portal.desktop.gtk \
  org.freedesktop.portal.Documents org.freedesktop.impl.portal.PermissionStore ||
  skip "cannot write the bus configuration"

# weston creates its socket once it accepts clients; give it ten seconds.
tries=0
while [ ! -S "$run/$socket" ]; do
  if ! kill -0 "$weston_pid" 2>/dev/null || [ "$tries" -ge 100 ]; then
    cat "$run/weston.log" >&2
    skip "weston did not start"
  fi
  tries=$((tries + 1))
  sleep 0.1
done

# The D-Bus session and the services it starts (the desktop portal and its GTK back end) see
# the same display as the test, a home of their own and settings kept in memory. What those
# services print goes to a log of the session, shown when the test fails, so the test's own
# output stays readable.
env -u DISPLAY \
  GDK_BACKEND=wayland WAYLAND_DISPLAY="$socket" XDG_RUNTIME_DIR="$run" \
  HOME="$run/home" XDG_CONFIG_HOME="$run/config" XDG_DATA_HOME="$run/data" \
  XDG_CACHE_HOME="$run/cache" XDG_STATE_HOME="$run/state" GSETTINGS_BACKEND=memory \
  NO_AT_BRIDGE=1 \
  dbus-run-session --config-file="$run/bus/bus.conf" -- sh -c '
    # The desktop portal starts on its first call, with its back end. It is started, and asked
    # once, before the test begins, so the test meets it running, as on a desktop.
    timeout 20 gdbus call --session --dest org.freedesktop.portal.Desktop \
      --object-path /org/freedesktop/portal/desktop \
      --method org.freedesktop.portal.Settings.Read org.freedesktop.appearance color-scheme \
      >/dev/null 2>&1
    exec "$@" 2>&3' sh "$@" 3>&2 2>"$run/session.log"
status=$?
if [ "$status" -ne 0 ]; then
  echo "run-wayland: the test failed with status $status; the session's services printed:" >&2
  cat "$run/session.log" >&2
fi
exit "$status"
