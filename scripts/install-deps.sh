#!/bin/sh
# Installs every Debian package needed to build, run and test WebBrowser.
# Idempotent: packages already present are left alone. Works as root (CI)
# and through sudo for a person.
set -eu

PACKAGES="
  build-essential cmake ninja-build pkg-config git
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  libgtkmm-3.0-dev libwebkit2gtk-4.1-dev libjson-glib-dev libgdk-pixbuf-2.0-dev librsvg2-common
  libarchive-dev libsoup-3.0-dev
  libglib2.0-bin
  clang clang-format libclang-rt-14-dev
  xvfb xauth x11-utils dbus-x11 imagemagick xdotool openbox libx11-dev
  weston xdg-desktop-portal xdg-desktop-portal-gtk
  fonts-liberation fonts-dejavu-core adwaita-icon-theme gnome-icon-theme hicolor-icon-theme
  desktop-file-utils xdg-utils shared-mime-info gtk-update-icon-cache file dpkg-dev
  python3 curl locales gettext
  gnupg
  hunspell-en-us hunspell-en-gb
"

if [ "$(id -u)" -eq 0 ]; then
  SUDO=""
else
  SUDO="sudo"
fi

missing=""
for p in $PACKAGES; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done

if [ -n "$missing" ]; then
  echo "install-deps: installing:$missing"
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get update -q
  # shellcheck disable=SC2086
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends $missing
else
  echo "install-deps: everything is installed"
fi

# Locales with a day-month-year and a month-day-year short date, for the about box's tests
# (the tests build them into their own folder when they are missing, which takes longer), and
# the languages the window's translation tests run in (French, and Arabic, right to left).
for loc in de_DE en_US fr_FR ar_EG; do
  if ! locale -a 2>/dev/null | grep -qx "$loc.utf8"; then
    $SUDO localedef -i "$loc" -f UTF-8 "$loc.UTF-8" || echo "install-deps: no locale $loc.UTF-8"
  fi
done
