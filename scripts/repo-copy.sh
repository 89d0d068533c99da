#!/bin/sh
# Checks the update path of a branded copy's package as a maker and a customer use it, on the
# default build (build/, after scripts/package.sh has made build/package/): the maker makes a
# signed repository with its own key (in a GnuPG home of the script's), serves it on a loopback
# web server of the script's own, and packages version 1 of a copy with --repo-url and
# --repo-key; the customer installs that .deb, which subscribes them; the maker publishes
# version 2 with a new title, and apt-get update and apt-get install --only-upgrade bring it.
# Then apt must refuse the repository once its Packages file was changed after signing, and
# once its signed Release was changed, and a purge must leave neither the source file nor the
# key. The notice of the newest version that portable copies read must verify with the key the
# package installed. apt reads only the copy's own source here (and keeps the other sources' lists as they
# are); everything the script installs or downloads is removed on exit. Needs root (or sudo),
# apt, gpg and python3. Refuses to run while a package named acme-updates is installed.
#
# Usage: scripts/repo-copy.sh
set -eu
cd "$(dirname "$0")/.."
if [ "$(id -u)" -eq 0 ]; then SUDO=""; else SUDO="sudo"; fi
fail() { echo "repo-copy: $*" >&2; exit 1; }
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

name=acme-updates
wbctl=$PWD/build/wbctl
program=$PWD/build/package/webbrowser
sources=/etc/apt/sources.list.d/$name.sources
keyring=/usr/share/keyrings/$name.gpg
[ -x "$wbctl" ] && [ -f "$program" ] || fail "build the package files first (scripts/package.sh)"
installed "$name" && fail "the package $name is installed already; remove it first"
[ -e "$sources" ] && fail "$sources exists already; remove it first"
command -v gpg >/dev/null 2>&1 || fail "gpg is not installed"

# apt as the customer runs it, but reading only the copy's source and leaving the lists of
# every other source alone.
apt() {
  $SUDO env DEBIAN_FRONTEND=noninteractive apt-get -o Dir::Etc::SourceList="$sources" \
    -o Dir::Etc::SourceParts=/nonexistent -o APT::Get::List-Cleanup=0 "$@"
}
lists() { ls /var/lib/apt/lists/ /var/lib/apt/lists/partial/ 2>/dev/null | grep "^127.0.0.1" || true; }
forget_lists() {
  $SUDO find /var/lib/apt/lists -maxdepth 2 -name "127.0.0.1*${port}_*" -delete 2>/dev/null || true
}

work=$(mktemp -d)
chmod 755 "$work"
export GNUPGHOME="$work/gnupg"
mkdir -m 700 "$GNUPGHOME"
server=""
port=0
cleanup() {
  if installed "$name"; then
    $SUDO env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q "$name" >/dev/null || true
  fi
  [ "$port" = 0 ] || forget_lists
  [ -z "$server" ] || kill "$server" 2>/dev/null || true
  gpgconf --kill gpg-agent 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

# The maker's repository, served on a free loopback port.
"$wbctl" repo init "$work/repo" --name "Acme Ltd <apt@acme.example>" --no-passphrase >/dev/null
[ -f "$work/repo/key.asc" ] || fail "repo init wrote no key.asc"
grep -rq "PRIVATE KEY" "$work/repo" && fail "the repository holds a secret key"
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
python3 -m http.server --bind 127.0.0.1 --directory "$work/repo" "$port" >"$work/server.log" 2>&1 &
server=$!
url=http://127.0.0.1:$port
forget_lists
for i in $(seq 100); do
  curl -fs -o /dev/null "$url/key.asc" && break
  [ "$i" = 100 ] && fail "the web server did not answer"
  sleep 0.1
done

# Version N of the copy, with the title "Acme Updates N", packaged and published.
cat >"$work/icon.svg" <<'SVG'
<svg xmlns="http://www.w3.org/2000/svg" width="64" height="64"><rect width="64" height="64" fill="#0B6E4F"/></svg>
SVG
publish() {
  rm -f "$work/$name"
  "$wbctl" brand "$program" "$work/$name" --icon "$work/icon.svg" title="Acme Updates $1" \
    go=https://updates.acme.example >/dev/null
  mkdir -p "$work/out$1"
  "$wbctl" package --deb --exe "$work/$name" --out "$work/out$1" --version "$1.0-1" \
    --maintainer "Acme Ltd <apt@acme.example>" --repo-url "$url" \
    --repo-key "$work/repo/key.asc" >/dev/null
  deb=$(ls "$work/out$1"/*.deb)
  "$wbctl" repo add "$work/repo" "$deb" >/dev/null
}
publish 1
dpkg-deb --contents "$deb" | grep " ./etc/apt/sources.list.d/$name.sources$" >/dev/null ||
  fail "the package holds no source file"
dpkg-deb --info "$deb" conffiles | grep -qx "$sources" || fail "the source file is no conffile"
# The same version again is refused and leaves the repository as it was.
cp -a "$work/repo" "$work/repo-before"
"$wbctl" repo add "$work/repo" "$deb" 2>"$work/refused" && fail "the same version was added twice"
grep -q "is not newer than" "$work/refused" || fail "unclear refusal: $(cat "$work/refused")"
diff -r "$work/repo-before" "$work/repo" >/dev/null || fail "a refused version changed the repository"

# The customer installs version 1 from its file and is subscribed.
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$deb" \
  >/dev/null
installed "$name" || fail "$name was not installed"
[ -f "$sources" ] || fail "no $sources after the installation"
[ -f "$keyring" ] || fail "no $keyring after the installation"
grep -qx "URIs: $url" "$sources" || fail "the source names another address: $(cat "$sources")"
[ "$(gpg --dearmor <"$work/repo/key.asc" | sha256sum)" = "$(sha256sum <"$keyring")" ] ||
  fail "the installed key is not the maker's"

# The maker publishes version 2; the customer's update brings it.
publish 2
apt update -q >"$work/update.log" 2>&1 || fail "apt-get update failed: $(cat "$work/update.log")"
grep -q "^W:\|^E:" "$work/update.log" && fail "apt-get update warned: $(cat "$work/update.log")"
apt install -y -q --only-upgrade "$name" >/dev/null
[ "$(dpkg-query -W -f='${Version}' "$name")" = "2.0-1" ] || fail "version 2 was not installed"
"$wbctl" show "/usr/bin/$name" | grep -qx "title=Acme Updates 2" ||
  fail "the installed copy's title: $("$wbctl" show "/usr/bin/$name" | grep title=)"

# The notice of the newest version for portable copies is signed by the same key: gpgv takes it
# with the keyring the package installed, and reads back the version announced.
"$wbctl" repo announce "$work/repo" "$name" 2.0-1 --page "$url/download" >/dev/null
mkdir -m 700 "$work/gpgv"
gpgv --homedir "$work/gpgv" --keyring "$keyring" --output - "$work/repo/$name.latest" \
  2>/dev/null | grep -qx "Version: 2.0-1" || fail "the notice does not verify with the maker's key"

# A repository changed after signing is refused. apt is made to fetch everything again.
refused() {
  forget_lists
  if apt update -q >"$work/update.log" 2>&1 && ! grep -q "^E:" "$work/update.log"; then
    fail "apt took a repository whose $1: $(cat "$work/update.log")"
  fi
  apt-cache -o Dir::Etc::SourceList="$sources" -o Dir::Etc::SourceParts=/nonexistent \
    policy "$name" | grep -q "9.9" && fail "apt offers the changed version ($1)"
  return 0
}
cp -a "$work/repo" "$work/repo-signed"
for f in Packages Packages.gz; do
  [ "$f" = Packages ] && sed -i 's/^Version: 2.0-1$/Version: 9.9/' "$work/repo/Packages"
  [ "$f" = Packages.gz ] && gzip -9nc "$work/repo/Packages" >"$work/repo/Packages.gz"
done
refused "Packages file was changed after signing"
# The same change with the Release file's checksums made to match it: the signature fails.
sums=$(sha256sum "$work/repo/Packages" | cut -d' ' -f1)
gzsums=$(sha256sum "$work/repo/Packages.gz" | cut -d' ' -f1)
python3 - "$work/repo" "$work/repo-signed" <<'PY'
import hashlib, os, sys
repo, signed = sys.argv[1], sys.argv[2]
text = open(os.path.join(signed, "InRelease")).read()
for name in ("Packages", "Packages.gz"):
    old = open(os.path.join(signed, name), "rb").read()
    new = open(os.path.join(repo, name), "rb").read()
    for algo in ("md5", "sha1", "sha256", "sha512"):
        text = text.replace(hashlib.new(algo, old).hexdigest(), hashlib.new(algo, new).hexdigest())
    text = text.replace("%16d %s\n" % (len(old), name), "%16d %s\n" % (len(new), name))
open(os.path.join(repo, "InRelease"), "w").write(text)
PY
grep -q "$sums" "$work/repo/InRelease" && grep -q "$gzsums" "$work/repo/InRelease" ||
  fail "the test could not change InRelease"
refused "signed Release was changed"
rm -rf "$work/repo" && mv "$work/repo-signed" "$work/repo"

# Purged, neither the subscription nor the key is left.
$SUDO env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q "$name" >/dev/null
installed "$name" && fail "$name is still installed"
dpkg-query -W "$name" >/dev/null 2>&1 && fail "dpkg still knows $name"
[ ! -e "$sources" ] || fail "$sources is left after the purge"
[ ! -e "$keyring" ] || fail "$keyring is left after the purge"
[ ! -e "/usr/bin/$name" ] || fail "/usr/bin/$name is left after the purge"
forget_lists
[ -z "$(lists | grep "${port}_")" ] || fail "apt's lists of the repository are left"
echo "repo-copy: published, installed, updated, refused changed indexes and purged $name"
