#!/usr/bin/env bash
# Checks the Debian package that scripts/package.sh built (or the .deb given): its
# contents, lintian, the desktop entries and the metainfo, then runs the programs as
# installed, unpacked into a scratch root, from a directory outside the sources.
set -euo pipefail
cd "$(dirname "$0")/.."
sources="$PWD"

if [ $# -gt 0 ]; then
  deb="$(realpath "$1")"
else
  debs=(tarnwick_*.deb)
  [ ${#debs[@]} = 1 ] && [ -f "${debs[0]}" ] ||
    { echo "expected one tarnwick_*.deb here; run scripts/package.sh" >&2; exit 2; }
  deb="$sources/${debs[0]}"
fi

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() {
  echo "package check: $*" >&2
  exit 1
}
step() { echo "== $*"; }

version="$(dpkg-deb --field "$deb" Version)"
arch="$(dpkg-deb --field "$deb" Architecture)"
[ "$(basename "$deb")" = "tarnwick_${version}_${arch}.deb" ] ||
  fail "$(basename "$deb") is not named tarnwick_${version}_${arch}.deb"

step "dpkg-deb --info and --contents"
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb" | tee "$scratch/contents"
expected=(
  ./usr/bin/tarnwick
  ./usr/bin/tarnwick-sim
  ./usr/share/tarnwick/Tarnwick.Txt
  ./usr/share/applications/org.tarnwick.Tarnwick.desktop
  ./usr/share/applications/org.tarnwick.TarnwickSim.desktop
  ./usr/share/icons/hicolor/scalable/apps/org.tarnwick.Tarnwick.svg
  ./usr/share/icons/hicolor/48x48/apps/org.tarnwick.Tarnwick.png
  ./usr/share/metainfo/org.tarnwick.Tarnwick.metainfo.xml
  ./usr/share/man/man1/tarnwick.1.gz
  ./usr/share/man/man1/tarnwick-sim.1.gz
  ./usr/share/doc/tarnwick/copyright
  ./usr/share/doc/tarnwick/changelog.gz
  ./usr/share/doc/tarnwick/README.Debian
)
awk '{print $6}' "$scratch/contents" >"$scratch/paths"
# The metainfo lists every program the build made; each is installed with its manual.
dpkg-deb --fsys-tarfile "$deb" |
  tar -xO ./usr/share/metainfo/org.tarnwick.Tarnwick.metainfo.xml >"$scratch/metainfo"
programs=($(sed -n 's|.*<binary>\(.*\)</binary>.*|\1|p' "$scratch/metainfo"))
[ ${#programs[@]} -gt 0 ] || fail "the metainfo lists no programs"
for program in "${programs[@]}"; do
  expected+=("./usr/bin/$program" "./usr/share/man/man1/$program.1.gz")
done
for path in "${expected[@]}"; do
  grep -qxF "$path" "$scratch/paths" || fail "the package lacks $path"
done
# Nothing runs at install time: no maintainer script may add a user to a group or load
# a module behind the administrator's back.
dpkg-deb --ctrl-tarfile "$deb" | tar -t >"$scratch/control-files"
for script in preinst postinst prerm postrm config; do
  ! grep -qE "(^|/)$script\$" "$scratch/control-files" || fail "the package has a $script script"
done
dpkg-deb --field "$deb" Depends | grep -q 'libqt6widgets6' ||
  fail "Depends does not name the Qt libraries the programs link"
# tarnwick-cli's production jobs: the job file through toml++, the record in SQLite.
for lib in libsqlite3-0 libtomlplusplus3; do
  dpkg-deb --field "$deb" Depends | grep -q "$lib" ||
    fail "Depends does not name $lib, which tarnwick-cli links"
done

step "lintian"
lintian --fail-on error --display-info "$deb"

step "dpkg -x into a scratch root"
root="$scratch/root"
dpkg -x "$deb" "$root"
bin="$root/usr/bin"

step "desktop-file-validate"
desktop-file-validate "$root"/usr/share/applications/*.desktop
for entry in "$root"/usr/share/applications/*.desktop; do
  program="$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$entry")"
  [ -x "$bin/$program" ] || fail "$(basename "$entry") starts $program, which the package lacks"
  icon="$(sed -n 's/^Icon=//p' "$entry")"
  [ -f "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" ] ||
    fail "$(basename "$entry") names the icon $icon, which the package lacks"
done

step "appstreamcli validate --no-net"
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml
grep -q "<release version=\"$version\"" "$root"/usr/share/metainfo/*.metainfo.xml ||
  fail "the metainfo lists no release $version"

step "installed programs"
for program in "$bin"/*; do
  file "$program" | grep -q ', stripped' || fail "$(basename "$program") is not stripped"
  if ldd "$program" | grep 'not found'; then fail "$(basename "$program") lacks libraries"; fi
done
# Every manual page's footer names the package's version.
for page in "$root"/usr/share/man/man1/*.1.gz; do
  zcat "$page" | head -1 | grep -qF "\"Tarnwick $version\"" ||
    fail "$(basename "$page") does not name version $version in its footer"
done
# The title bar carries the package's version.
grep -qaF "Version $version - " "$bin/tarnwick" || fail "the title bar does not say $version"

work="$scratch/work"
mkdir "$work"
cd "$work"

[ -x "$bin/tarnwick-cli" ] || fail "tarnwick-cli is not in the package"
"$bin/tarnwick-cli" --version | tee "$scratch/cli-version"
grep -qF "$version" "$scratch/cli-version" || fail "tarnwick-cli --version does not say $version"
# A 4 KiB image for the 89C51, its bytes counting up, written by another tool.
srec_cat -generate 0 0x1000 -repeat-data 0x00 0x11 0x22 0x33 0x44 0x55 0x66 0x77 0x88 \
  -o "$scratch/x.hex" -intel
"$bin/tarnwick-cli" --sim --socket "$scratch/chip" --device 89C51 program "$scratch/x.hex" ||
  fail "tarnwick-cli did not program and verify the simulated chip"
# A second run finds the chip as the first left it.
"$bin/tarnwick-cli" --sim --socket "$scratch/chip" --device 89C51 verify "$scratch/x.hex" ||
  fail "the simulated chip does not verify in a second run"

# The simulator's window must come up and stay up; it is stopped after a few seconds.
# (tarnwick itself is not started: it would probe the printer ports of this machine.)
set +e
QT_QPA_PLATFORM=offscreen timeout 5 "$bin/tarnwick-sim" >"$scratch/sim.log" 2>&1
status=$?
set -e
[ "$status" = 124 ] || { cat "$scratch/sim.log" >&2; fail "tarnwick-sim ended with $status"; }
echo "tarnwick-sim started offscreen and ran until stopped"

echo "package check passed: $(basename "$deb")"
