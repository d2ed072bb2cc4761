#!/bin/sh
# The Debian package on this machine: installs it with apt-get, runs every
# program from /usr/bin (versions, a replay of an example, a settings dump, the
# main program under Xvfb closed by SIGTERM), checks the installed files, then
# purges it and checks that no file of it is left. Needs root; CI runs it after
# `make package`. A zirkato package already installed is purged first.
#
#   sh tests/package_test.sh build/zirkato_VERSION_ARCH.deb
set -u
DEB="${1:-}"
[ -f "$DEB" ] || { echo "usage: $0 PACKAGE.deb"; exit 2; }
[ "$(id -u)" -eq 0 ] || { echo "FAIL: installing a package needs root"; exit 1; }
case "$DEB" in /*) ;; *) DEB="$PWD/$DEB" ;; esac
for tool in apt-get dpkg xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool missing (scripts/install-deps.sh installs it)"; exit 1; }
done
DIR=$(mktemp -d)
trap 'rm -rf "$DIR"' EXIT
installed=0
# A failed check leaves no package behind either.
fail() {
  echo "FAIL: $*"
  [ "$installed" -eq 1 ] && apt-get purge -y -qq zirkato >/dev/null 2>&1
  exit 1
}
export DEBIAN_FRONTEND=noninteractive

version=$(dpkg-deb -f "$DEB" Version) || fail "not a package: $DEB"
if dpkg-query -W -f='${Status}' zirkato 2>/dev/null | grep -q "ok installed"; then
  echo "note: purging the zirkato package installed before"
  apt-get purge -y -qq zirkato >/dev/null || fail "cannot purge the installed zirkato"
fi

# Paths of the package that exist before it is installed (/usr/bin ...) stay.
dpkg-deb -c "$DEB" | awk '{ print $6 }' | sed 's|^\./|/|; s|/$||' | grep -v '^$' >"$DIR/contents"
while read -r p; do [ -e "$p" ] && echo "$p"; done <"$DIR/contents" >"$DIR/before"

installed=1
apt-get install -y -qq "$DEB" >"$DIR/install.log" 2>&1 || fail "apt-get install: $(tail -20 "$DIR/install.log")"
dpkg -L zirkato | grep -v '^/\.$' >"$DIR/listed"

# Every program answers --version with the package's version, --help with its usage.
for prog in zirkato zirkato-sim zirkato-ini; do
  out=$(/usr/bin/$prog --version) || fail "$prog --version: status $?"
  [ "$out" = "$prog $version" ] || fail "$prog --version: '$out', expected '$prog $version'"
  /usr/bin/$prog --help | grep -q "$prog" || fail "$prog --help names no usage"
done

# A replay of an example as shipped; the spoken clips come from /usr/share.
trace=$(/usr/bin/zirkato-sim /usr/share/zirkato/examples/lap-race.scn) || fail "zirkato-sim lap-race.scn: status $?"
printf '%s\n' "$trace" | grep -q '^[0-9]* lap lane=' || fail "zirkato-sim: no lap in the trace: $trace"
/usr/bin/zirkato-sim /usr/share/zirkato/examples/training-spoken.scn >"$DIR/spoken" || fail "zirkato-sim training-spoken.scn"
grep -q ' say clip=' "$DIR/spoken" || fail "zirkato-sim: no clip played: $(head -20 "$DIR/spoken")"

# The settings tool on a file it writes itself.
/usr/bin/zirkato-ini set "$DIR/Zirkato.ini" Valid ValIniFile 10 || fail "zirkato-ini set"
/usr/bin/zirkato-ini set "$DIR/Zirkato.ini" LiZeit Minimum 700 || fail "zirkato-ini set"
/usr/bin/zirkato-ini dump "$DIR/Zirkato.ini" >"$DIR/dump" || fail "zirkato-ini dump"
grep -qx '\[LiZeit\] Minimum=700' "$DIR/dump" || fail "zirkato-ini dump: $(grep LiZeit "$DIR/dump")"

# The main program under Xvfb: its window appears, SIGTERM ends it through the
# normal shutdown (status 0, settings written).
mkdir "$DIR/data"
cat >"$DIR/run.sh" <<'EOS'
#!/bin/sh
/usr/bin/zirkato --data-dir "$1" >"$1/log" 2>&1 &
pid=$!
n=0
until xdotool search --onlyvisible --name '^Zirkato$' >/dev/null 2>&1; do
  n=$((n + 1))
  if [ "$n" -gt 300 ] || ! kill -0 "$pid" 2>/dev/null; then
    echo "no main window within 30 s: $(cat "$1/log")"; kill -KILL "$pid" 2>/dev/null; exit 1
  fi
  sleep 0.1
done
kill -TERM "$pid"
n=0
while kill -0 "$pid" 2>/dev/null; do
  n=$((n + 1))
  if [ "$n" -gt 150 ]; then echo "still running 15 s after SIGTERM"; kill -KILL "$pid"; exit 1; fi
  sleep 0.1
done
wait "$pid"
EOS
xvfb-run -a -s '-screen 0 1280x1024x24' sh "$DIR/run.sh" "$DIR/data" || fail "zirkato under Xvfb: status $?: $(cat "$DIR/data/log")"
grep -q '^ValIniFile= 10' "$DIR/data/Zirkato.ini" || fail "zirkato: settings not written at the end"

# What the package puts in place besides the programs.
for f in /usr/share/applications/zirkato.desktop \
         /usr/share/icons/hicolor/48x48/apps/zirkato.png \
         /usr/share/icons/hicolor/256x256/apps/zirkato.png \
         /usr/share/icons/hicolor/scalable/apps/zirkato.svg \
         /usr/share/metainfo/de.zirkato.Zirkato.metainfo.xml \
         /usr/share/man/man1/zirkato.1.gz /usr/share/man/de/man1/zirkato.1.gz \
         /usr/share/man/man1/zirkato-sim.1.gz /usr/share/man/de/man1/zirkato-sim.1.gz \
         /usr/share/man/man1/zirkato-ini.1.gz /usr/share/man/de/man1/zirkato-ini.1.gz \
         /usr/share/zirkato/Sounds/0.wav /usr/share/zirkato/examples/lap-race.scn \
         /usr/lib/udev/rules.d/60-zirkato.rules /etc/security/limits.d/zirkato.conf \
         /usr/share/doc/zirkato/copyright /usr/share/doc/zirkato/changelog.gz; do
  grep -qx "$f" "$DIR/listed" || fail "not in the package: $f"
  [ -f "$f" ] || fail "not installed: $f"
done
grep -q 'GROUP="lp"' /usr/lib/udev/rules.d/60-zirkato.rules || fail "udev rule without the group lp"
grep -q '^@lp .*rtprio' /etc/security/limits.d/zirkato.conf || fail "no rtprio limit for lp"

apt-get purge -y -qq zirkato >"$DIR/purge.log" 2>&1 || fail "apt-get purge: $(tail -20 "$DIR/purge.log")"
installed=0
dpkg-query -W -f='${Status}' zirkato 2>/dev/null | grep -q "ok installed" && fail "still installed after purge"
left=$(while read -r p; do
  grep -qx "$p" "$DIR/before" && continue
  [ -e "$p" ] || [ -L "$p" ] && echo "$p"
done <"$DIR/listed")
[ -z "$left" ] || fail "left after purge: $left"
echo "ok"
