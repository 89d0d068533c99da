#!/bin/sh
# Builds the Debian package from the default build (build/, which scripts/test.sh has built),
# installs it with apt as a person would, checks the installed programs, and removes the
# package again. Needs root or sudo. Refuses to run when a package named webbrowser is
# installed already, so that it never replaces or removes a real installation.
#
# Usage: scripts/package.sh [--keep]   (--keep: leave the package installed)
set -eu
cd "$(dirname "$0")/.."
keep=0
if [ "${1:-}" = "--keep" ]; then keep=1; fi
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi

if dpkg-query -W -f='${Status}' webbrowser 2>/dev/null | grep -q "install ok installed"; then
  echo "package: the package webbrowser is installed already; remove it first" >&2
  exit 1
fi

[ -f build/build.ninja ] || cmake --preset default
cmake --build --preset default
rm -f build/webbrowser_*.deb
(cd build && cpack -G DEB)
deb=$(ls build/webbrowser_*_amd64.deb)
echo "package: built $deb"

remove() {
  if [ "$keep" = 0 ]; then
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get remove -y -q --purge webbrowser >/dev/null
    echo "package: removed webbrowser again"
  fi
}
# apt takes a local file only with a path; its dependencies come from the archive.
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "./$deb"
trap remove EXIT

fail() { echo "package: $*" >&2; exit 1; }
version=$(sed -n 's/^project(WebBrowser VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
info=$(wbctl info --exe /usr/bin/webbrowser)
echo "$info" | grep -qx "version=$version" || fail "wbctl info --exe /usr/bin/webbrowser gave: $info"
# The installed program finds its defaults and icon inside itself, wherever it lies.
wbctl show /usr/bin/webbrowser | grep -qx "title=WebBrowser" || fail "no shipped block in /usr/bin/webbrowser"
wbctl show --icon "${TMPDIR:-/tmp}/webbrowser-package-icon.png" /usr/bin/webbrowser | grep -qx "icon=program" ||
  fail "no icon in /usr/bin/webbrowser"
rm -f "${TMPDIR:-/tmp}/webbrowser-package-icon.png"
if command -v desktop-file-validate >/dev/null 2>&1; then
  desktop-file-validate /usr/share/applications/webbrowser.desktop || fail "desktop entry"
fi
for path in /usr/bin/webbrowser /usr/bin/wbctl /usr/share/applications/webbrowser.desktop \
  /usr/share/icons/hicolor/256x256/apps/webbrowser.png \
  /usr/share/icons/hicolor/scalable/apps/webbrowser.svg \
  /usr/share/man/man1/webbrowser.1.gz /usr/share/man/man1/wbctl.1.gz; do
  [ -f "$path" ] || fail "$path is missing"
done
# The installed program starts and its window answers, on a virtual display, with settings and
# sockets in a folder of their own.
if command -v xvfb-run >/dev/null 2>&1; then
  home=$(mktemp -d)
  mkdir -m 700 "$home/run"
  HOME=$home XDG_CONFIG_HOME=$home/config XDG_DATA_HOME=$home/data XDG_CACHE_HOME=$home/cache \
    XDG_RUNTIME_DIR=$home/run xvfb-run -a sh -c '
      /usr/bin/webbrowser about:blank & pid=$!
      ok=0
      for i in $(seq 150); do
        if wbctl state --pid "$pid" >/dev/null 2>&1; then ok=1; break; fi
        sleep 0.2
      done
      kill "$pid"; wait "$pid" || true
      [ "$ok" = 1 ]' || { rm -rf "$home"; fail "the installed program did not show its window"; }
  rm -rf "$home"
fi
echo "package: installed and checked: $(echo "$info" | head -1)"
