"""What the start-up and soak benchmarks share: process trees and their PSS, the unprivileged
user every contender runs as when the harness is started as root, fresh per-run environments,
and the X server's view of a contender's first frame (XDamage).
"""
import http.server
import os
import pwd
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import time

# --- Process trees --------------------------------------------------------------------------


class PageHandler(http.server.BaseHTTPRequestHandler):
    """A loopback page server's handler: quiet, and every answer uncached."""

    protocol_version = "HTTP/1.1"

    def log_message(self, *args):
        pass

    def reply(self, status, body, ctype="text/html; charset=utf-8"):
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", "no-store")
        self.end_headers()
        self.wfile.write(body)


class LoopbackServer(http.server.ThreadingHTTPServer):
    """A page server on a free loopback port; a page left while it was answered, or a window
    ended at the end of a run, is no error worth a trace."""

    daemon_threads = True

    def __init__(self, handler):
        super().__init__(("127.0.0.1", 0), handler)

    @property
    def base(self):
        return "http://127.0.0.1:%d" % self.server_address[1]

    def handle_error(self, request, client_address):
        if not isinstance(sys.exc_info()[1], (BrokenPipeError, ConnectionResetError)):
            super().handle_error(request, client_address)


def read_stat(pid):
    """(ppid, session id) of a process, or None when it is gone."""
    try:
        with open("/proc/%d/stat" % pid) as f:
            data = f.read()
    except OSError:
        return None
    # The command name is in parentheses and may itself hold ")" or blanks.
    fields = data[data.rindex(")") + 2:].split()
    return int(fields[1]), int(fields[3])


def tree_pids(root):
    """The root, its descendants, and every process still in the root's session."""
    stats = {}
    for name in os.listdir("/proc"):
        if name.isdigit():
            s = read_stat(int(name))
            if s:
                stats[int(name)] = s
    children = {}
    for pid, (ppid, _) in stats.items():
        children.setdefault(ppid, []).append(pid)
    found = {root}
    todo = [root]
    while todo:
        for child in children.get(todo.pop(), []):
            if child not in found:
                found.add(child)
                todo.append(child)
    found |= {pid for pid, (_, sid) in stats.items() if sid == root}
    return sorted(found)


def pss_kib(pid, field="Pss:"):
    """One figure of the process's smaps_rollup in KiB ("Pss:", "Pss_Anon:", ...); 0 when
    the process is gone."""
    try:
        with open("/proc/%d/smaps_rollup" % pid) as f:
            for line in f:
                if line.startswith(field):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def tree_parts(root, field):
    """One smaps_rollup figure of every process of the root's tree: [(command name, KiB)]."""
    parts = []
    for pid in tree_pids(root):
        try:
            with open("/proc/%d/comm" % pid) as f:
                name = f.read().strip()
        except OSError:
            continue
        parts.append((name, pss_kib(pid, field)))
    return parts


def tree_report(root):
    """(total PSS in KiB, [(command name, KiB), ...]) of the root's whole tree."""
    pids = tree_pids(root)
    total = 0
    parts = []
    for pid in pids:
        kib = pss_kib(pid)
        total += kib
        try:
            with open("/proc/%d/comm" % pid) as f:
                parts.append((f.read().strip(), kib))
        except OSError:
            pass
    return total, parts


def tree_memory(root, fields=("Pss:", "Pss_Anon:")):
    """The PSS of the root's whole tree in MB, and each smaps_rollup figure of `fields` summed
    per command name, in MB: (total, {(command name, field): MB})."""
    total = tree_report(root)[0] / 1024.0
    parts = {}
    for field in fields:
        for name, kib in tree_parts(root, field):
            parts[(name, field)] = parts.get((name, field), 0.0) + kib / 1024.0
    return total, parts


def start_program(exe, env, session):
    """Starts a copy in a session of its own (so stop_tree ends all of it), as the run's user."""
    return subprocess.Popen([exe], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL, start_new_session=True,
                            **session.run_as.popen_args())


def send_address(wbctl, pid, address, env, session):
    """Has the window of `pid` open `address` over its remote channel (wbctl send)."""
    subprocess.run([wbctl, "send", "--pid", str(pid), "url=" + address], env=env,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   **session.run_as.popen_args())


def reachable_copy(path, work, run_as):
    """A copy of the program at `path` in the work folder, which the run's user can reach
    wherever the checkout is; its path."""
    copy = os.path.join(work, os.path.basename(path))
    shutil.copy2(path, copy)
    run_as.readable(copy)
    return copy


class Workplace:
    """What a benchmark of copies sets up first and ends last: the unprivileged user and the
    session the copies run in, `server` serving on loopback, and a work folder for the copies
    with a copy of wbctl the user can reach (`wbctl`)."""

    def __init__(self, user, server, prefix, wbctl):
        self.run_as = RunAs(user)
        self.session = Session(self.run_as)
        self.server = server
        threading.Thread(target=server.serve_forever, daemon=True).start()
        self.work = tempfile.mkdtemp(prefix=prefix)
        os.chmod(self.work, 0o755)
        self.wbctl = reachable_copy(wbctl, self.work, self.run_as)

    def close(self):
        shutil.rmtree(self.work, ignore_errors=True)
        self.server.shutdown()
        self.session.close()


def stop_tree(proc):
    """Ends a contender: its process group, then whatever of its tree is left."""
    root = proc.pid
    pids = tree_pids(root)
    for sig in (signal.SIGTERM, signal.SIGKILL):
        try:
            os.killpg(root, sig)
        except OSError:
            pass
        for pid in pids:
            try:
                os.kill(pid, sig)
            except OSError:
                pass
        try:
            proc.wait(timeout=5)
        except subprocess.TimeoutExpired:
            continue
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline and any(read_stat(p) for p in pids if p != root):
            time.sleep(0.05)
        if not any(read_stat(p) for p in pids if p != root):
            return
    proc.wait()


# --- Who runs the contenders ----------------------------------------------------------------

class RunAs:
    """The account the contenders run as. Started as root, the harness creates (once) an
    unprivileged user of its own with a home of its own, so that Chromium keeps its sandbox and
    the engine's bubblewrap sandbox runs as it does for a person; otherwise the contenders run
    as the harness's own user."""

    def __init__(self, name="wbbench"):
        self.uid = os.geteuid()
        self.gid = os.getegid()
        self.name = pwd.getpwuid(self.uid).pw_name
        self.dropped = False
        if self.uid != 0:
            return
        try:
            entry = pwd.getpwnam(name)
        except KeyError:
            subprocess.run(["useradd", "--system", "--create-home", "--home-dir",
                            "/var/lib/" + name, "--shell", "/usr/sbin/nologin", name],
                           check=True)
            entry = pwd.getpwnam(name)
        if entry.pw_uid == 0:
            raise SystemExit("%s is root; choose another user" % name)
        self.uid, self.gid, self.name = entry.pw_uid, entry.pw_gid, name
        self.dropped = True

    def popen_args(self):
        if not self.dropped:
            return {}
        return {"user": self.uid, "group": self.gid, "extra_groups": []}

    def own(self, path, mode=0o700):
        """Makes a file or folder the contenders' (and, for a folder, what it holds)."""
        if not self.dropped:
            return
        if os.path.isdir(path):
            for top, dirs, files in os.walk(path):
                for n in dirs + files:
                    os.lchown(os.path.join(top, n), self.uid, self.gid)
        os.chown(path, self.uid, self.gid)
        os.chmod(path, mode)

    def readable(self, path):
        """A file the contenders must read or run: readable and, for a program, runnable."""
        if self.dropped:
            st = os.stat(path)
            os.chmod(path, st.st_mode | 0o044 | (0o011 if st.st_mode & 0o100 else 0))


class Session:
    """What every run shares: the display's credentials and a session bus of the contenders'
    user (a person's desktop has one; a bus of root's would refuse them)."""

    def __init__(self, run_as):
        self.run_as = run_as
        self.dir = tempfile.mkdtemp(prefix="wbbench-session-")
        self.env = {}
        self.bus = None
        xauth = os.environ.get("XAUTHORITY")
        if run_as.dropped and xauth and os.path.isfile(xauth):
            copy = os.path.join(self.dir, "Xauthority")
            shutil.copyfile(xauth, copy)
            self.env["XAUTHORITY"] = copy
        run_as.own(self.dir, 0o700)
        if run_as.dropped or not os.environ.get("DBUS_SESSION_BUS_ADDRESS"):
            self.bus = subprocess.Popen(
                ["dbus-daemon", "--session", "--nofork", "--print-address=1",
                 "--address=unix:path=" + os.path.join(self.dir, "bus")],
                stdout=subprocess.PIPE, stdin=subprocess.DEVNULL, text=True,
                env=self._bus_env(), **run_as.popen_args())
            address = self.bus.stdout.readline().strip()
            if not address:
                raise SystemExit("no session bus for the contenders")
            self.env["DBUS_SESSION_BUS_ADDRESS"] = address

    def _bus_env(self):
        """What the bus and the services it starts (portals, accessibility) see: the user's
        own home, and the session's runtime folder."""
        env = dict(os.environ, **self.env)
        env["HOME"] = pwd.getpwuid(self.run_as.uid).pw_dir
        env["XDG_RUNTIME_DIR"] = self.dir
        for var in ("XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME", "XDG_STATE_HOME"):
            env.pop(var, None)
        return env

    def close(self):
        if self.bus:
            self.bus.terminate()
            self.bus.wait()
        shutil.rmtree(self.dir, ignore_errors=True)


def fresh_env(scratch, session, extra):
    """The environment of one run: a fresh HOME and XDG directories under `scratch`."""
    env = dict(os.environ)
    for var in ("SUDO_USER", "SUDO_UID", "SUDO_GID", "SUDO_COMMAND", "MAIL", "LOGNAME", "USER"):
        env.pop(var, None)
    for var, sub in (("HOME", "home"), ("XDG_CONFIG_HOME", "config"), ("XDG_CACHE_HOME", "cache"),
                     ("XDG_DATA_HOME", "data"), ("XDG_STATE_HOME", "state"),
                     ("XDG_RUNTIME_DIR", "runtime")):
        path = os.path.join(scratch, sub)
        os.makedirs(path, mode=0o700, exist_ok=True)
        env[var] = path
    env["USER"] = env["LOGNAME"] = session.run_as.name
    env["NO_AT_BRIDGE"] = "1"
    env.update(session.env)
    env.update(extra)
    session.run_as.own(scratch, 0o700)
    return env


# --- The first frame on screen, as the X server sees it -------------------------------------

class FrameWatch:
    """Watches the X server for the first frame of a contender's window: the first XDamage
    report on a mapped top-level window (at least 100x100) whose _NET_WM_PID is in the
    contender's process tree. Times are the harness's monotonic clock when the event arrives
    (python-xlib, Debian's python3-xlib). Unavailable (None figures) without python-xlib, the
    DAMAGE extension or an X display."""

    def __init__(self):
        self.error = None
        self._lock = threading.Lock()
        self._root_pid = None
        self._first = None
        self._mapped = None
        self._stop = False
        try:
            from Xlib import X, display  # noqa: F401
            from Xlib.ext import damage  # noqa: F401
        except ImportError:
            self.error = "python3-xlib is not installed"
            return
        try:
            self._d = display.Display()
            if not self._d.has_extension("DAMAGE"):
                self.error = "the X server has no DAMAGE extension"
                return
            self._d.set_error_handler(lambda *args: None)
            self._d.damage_query_version()
        except Exception as e:  # no X display (Wayland), refused connection
            self.error = "no X display (%s)" % e
            return
        self._thread = threading.Thread(target=self._loop, daemon=True)
        self._thread.start()

    def begin(self, root_pid):
        with self._lock:
            self._root_pid = root_pid
            self._first = None
            self._mapped = None

    def result(self):
        """(first mapped, first frame) times of the current run, or Nones."""
        with self._lock:
            return self._mapped, self._first

    def close(self):
        self._stop = True

    def _loop(self):
        from Xlib import X
        from Xlib.ext import damage
        d = self._d
        root = d.screen().root
        root.change_attributes(event_mask=X.SubstructureNotifyMask)
        pid_atom = d.intern_atom("_NET_WM_PID")
        damage_event = d.query_extension("DAMAGE").first_event + damage.DamageNotifyCode
        d.flush()
        # A top-level window gets its damage report as it is created, before it can be mapped
        # and drawn: nothing it draws while mapped is missed.
        while not self._stop:
            if not d.pending_events():
                select.select([d.fileno()], [], [], 0.2)
                if not d.pending_events():
                    continue
            ev = d.next_event()
            now = time.monotonic()
            with self._lock:
                want = self._root_pid
            if ev.type == X.CreateNotify and ev.parent == root:
                if ev.width >= 100 and ev.height >= 100:
                    ev.window.damage_create(damage.DamageReportNonEmpty)
                    d.flush()
            elif ev.type in (X.MapNotify, damage_event):
                window = ev.window if ev.type == X.MapNotify else \
                    d.create_resource_object("window", ev.drawable.id)
                if want is None or not self._ours(window, pid_atom, want):
                    continue
                with self._lock:
                    if self._root_pid != want:
                        continue
                    if ev.type == X.MapNotify and self._mapped is None:
                        self._mapped = now
                    if ev.type == damage_event and self._first is None:
                        self._first = now

    def _ours(self, window, pid_atom, want):
        from Xlib import X
        try:
            prop = window.get_full_property(pid_atom, X.AnyPropertyType)
            geom = window.get_geometry()
        except Exception:
            return False
        if not prop or not len(prop.value) or geom.width < 100 or geom.height < 100:
            return False
        return int(prop.value[0]) in tree_pids(want)
