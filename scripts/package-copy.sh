#!/bin/sh
# Checks wbctl package --deb as a maker and a customer use it, on the default build (build/,
# after scripts/package.sh has made build/package/): brands a copy of the packaged program with
# an icon, packages it twice (the same bytes both times), checks the package with dpkg-deb and
# lintian, installs it with apt beside the program's own package, starts the installed copy on a
# virtual display and reads its window's state, and purges both packages again, checking that
# nothing of the copy is left. Needs root (or sudo), apt, lintian and xvfb-run. Refuses to run
# while a package named acme-portal is installed.
#
# Usage: scripts/package-copy.sh
set -eu
cd "$(dirname "$0")/.."
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
apt() { $SUDO env DEBIAN_FRONTEND=noninteractive apt-get "$@"; }
fail() { echo "package-copy: $*" >&2; exit 1; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

name=acme-portal
wbctl=$PWD/build/wbctl
program=$PWD/build/package/webbrowser
[ -x "$wbctl" ] && [ -f "$program" ] || fail "build the package files first (scripts/package.sh)"
installed "$name" && fail "the package $name is installed already; remove it first"
command -v lintian >/dev/null 2>&1 || fail "lintian is not installed"

work=$(mktemp -d)
own_installed=0
cleanup() {
  if installed "$name"; then apt purge -y -q "$name" >/dev/null || true; fi
  if [ "$own_installed" = 1 ]; then apt purge -y -q webbrowser >/dev/null || true; fi
  rm -rf "$work"
}
trap cleanup EXIT

# The maker's side: a copy with an SVG icon and a start page of its own.
cat >"$work/icon.svg" <<'EOF'
<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64"><rect width="64" height="64" fill="#C8102E"/></svg>
EOF
mkdir "$work/site"
echo '<!doctype html><title>Portal home</title><p>Acme Portal' >"$work/site/start.html"
chmod -R a+rX "$work"
start="file://$work/site/start.html"
"$wbctl" brand "$program" "$work/$name" --icon "$work/icon.svg" title="Acme Portal" go="$start" \
  >/dev/null
mkdir "$work/out1" "$work/out2"
for out in out1 out2; do
  SOURCE_DATE_EPOCH=1700000000 "$wbctl" package --deb --exe "$work/$name" --out "$work/$out" \
    --version 2.1-1 --maintainer "Acme Ltd <packages@acme.example>" >/dev/null
done
deb=$work/out1/${name}_2.1-1_amd64.deb
[ -f "$deb" ] || fail "no $deb: $(ls "$work/out1")"
cmp "$deb" "$work/out2/${name}_2.1-1_amd64.deb" || fail "the same inputs gave different packages"
[ -z "$(find "$work/out1" -name '.*')" ] || fail "a temporary file was left in the output folder"

# What dpkg-deb reads from it.
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = "$name" ] || fail "Package: $(field Package)"
[ "$(field Version)" = "2.1-1" ] || fail "Version: $(field Version)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture: $(field Architecture)"
[ "$(field Maintainer)" = "Acme Ltd <packages@acme.example>" ] || fail "Maintainer: $(field Maintainer)"
[ "$(field Recommends)" = "librsvg2-common" ] || fail "Recommends: $(field Recommends)"
recorded=$(sed -n 's/^Depends: //p' build/package/depends.txt)
[ "$(field Depends)" = "$recorded" ] || fail "Depends: $(field Depends), recorded: $recorded"
[ "$(field Installed-Size)" -gt 0 ] || fail "Installed-Size: $(field Installed-Size)"
dpkg-deb --info "$deb" | grep -q ' postinst ' || fail "no postinst"
dpkg-deb --info "$deb" | grep -q ' postrm ' || fail "no postrm"
dpkg-deb --contents "$deb" | awk '{print $1, $2, $6}' >"$work/contents"
for entry in "-rwxr-xr-x ./usr/bin/$name" "-rw-r--r-- ./usr/share/applications/$name.desktop" \
  "-rw-r--r-- ./usr/share/icons/hicolor/48x48/apps/$name.png" \
  "-rw-r--r-- ./usr/share/icons/hicolor/128x128/apps/$name.png" \
  "-rw-r--r-- ./usr/share/icons/hicolor/256x256/apps/$name.png" \
  "-rw-r--r-- ./usr/share/icons/hicolor/scalable/apps/$name.svg" \
  "-rw-r--r-- ./usr/share/doc/$name/copyright" \
  "-rw-r--r-- ./usr/share/doc/$name/changelog.Debian.gz"; do
  mode=${entry%% *}
  path=${entry#* }
  grep -qx -- "$mode root/root $path" "$work/contents" || fail "not in the package: $entry"
done
[ "$(grep -c -v '/$' "$work/contents")" = 8 ] || fail "unexpected files: $(cat "$work/contents")"
lintian --fail-on error "$deb" || fail "lintian found errors"

# The customer's side: apt installs it with its dependencies, beside the program's package.
if ! installed webbrowser; then
  own=$(ls build/webbrowser_*_amd64.deb 2>/dev/null | head -1)
  if [ -n "$own" ]; then
    apt install -y -q --no-install-recommends "./$own" >/dev/null
    own_installed=1
  fi
fi
apt install -y -q --no-install-recommends "$deb" >/dev/null
[ -x "/usr/bin/$name" ] || fail "/usr/bin/$name is missing after the installation"
desktop-file-validate "/usr/share/applications/$name.desktop" || fail "desktop entry"
if [ "$own_installed" = 1 ]; then
  [ -x /usr/bin/webbrowser ] || fail "the program's own package lost /usr/bin/webbrowser"
fi

# The installed copy starts, as a copy in a user's folder would, with its title and start page.
home=$work/home
mkdir -p "$home/run"
chmod 700 "$home/run"
HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_CACHE_HOME=$home/cache \
  XDG_RUNTIME_DIR=$home/run WBCTL="$wbctl" NAME="$name" START="$start" xvfb-run -a sh -c '
    "/usr/bin/$NAME" & pid=$!
    ok=0
    for i in $(seq 150); do
      state=$("$WBCTL" state --app "$NAME" 2>/dev/null || true)
      if printf "%s" "$state" | python3 -c "
import json, sys
s = json.load(sys.stdin)
sys.exit(0 if s[\"caption\"] == \"Acme Portal\" and s[\"address\"] == sys.argv[1] else 1)
" "$START" 2>/dev/null; then ok=1; break; fi
      sleep 0.2
    done
    [ "$ok" = 1 ] || echo "package-copy: last state: $state" >&2
    kill "$pid"; wait "$pid" || true
    [ "$ok" = 1 ]' || fail "the installed copy did not show its title and start page"
[ -d "$home/data/webbrowser/$name" ] || [ -d "$home/cache/webbrowser/$name" ] ||
  fail "the installed copy kept no profile in the user's folders"

# Purged, nothing of it is left.
apt purge -y -q "$name" >/dev/null
installed "$name" && fail "$name is still installed"
dpkg-query -W "$name" >/dev/null 2>&1 && fail "dpkg still knows $name"
for path in $(awk '{print $3}' "$work/contents" | sed 's|^\.||'); do
  case "$path" in
    */"$name"* | */"$name"/) [ ! -e "$path" ] || fail "$path is left after the purge" ;;
  esac
done
ls /var/lib/dpkg/info/"$name".* >/dev/null 2>&1 && fail "dpkg's files of $name are left"
echo "package-copy: packaged, checked, installed, started and purged $name"
