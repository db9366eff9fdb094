#!/usr/bin/env bash
# Checks what a user installs: `cmake --install` into a temporary prefix (the
# files in their places, the desktop entry and the AppStream metadata valid),
# then `cpack -G DEB`. Where it cannot harm anyone's desktop (root, no display
# server in use) it also installs the package with apt-get, starts the
# installed program under a private X server, checks that its window shows,
# and removes the package again.
# Usage: check-packaging.sh BUILD_DIR   (a configured and built folder)
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:?usage: check-packaging.sh BUILD_DIR}")

work=$(mktemp -d)
xvfb_pid=
app_pid=
installed_here=
cleanup() {
  set +e
  [[ -n "$app_pid" ]] && { kill "$app_pid" 2>/dev/null; wait "$app_pid" 2>/dev/null; }
  [[ -n "$xvfb_pid" ]] && { kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; }
  if [[ -n "$installed_here" ]]; then
    DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq aurelith >/dev/null 2>&1 || echo "packaging: could not remove aurelith"
  fi
  rm -rf "$work"
  return 0
}
trap cleanup EXIT
fail() { echo "packaging: FAIL: $*"; exit 1; }

# 1. cmake --install
prefix="$work/prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
id=io.github.aurelith.Aurelith
for f in bin/aurelith share/doc/aurelith/manual.html share/doc/aurelith/images/window.png \
         share/man/man1/aurelith.1.gz share/doc/aurelith/copyright share/applications/$id.desktop share/metainfo/$id.metainfo.xml \
         share/icons/hicolor/scalable/apps/$id.svg share/icons/hicolor/256x256/apps/$id.png \
         share/aurelith/sequences/alpha-relaxation.sbg share/aurelith/sequences/isochronic-alpha.sbg; do
  [[ -s "$prefix/$f" ]] || fail "cmake --install did not put $f"
done
# Every picture the manual shows is installed beside it.
for img in $(grep -o 'src="images/[^"]*"' docs/manual.html | sed 's/src="//; s/"$//'); do
  [[ -s "$prefix/share/doc/aurelith/$img" ]] || fail "the manual's $img is not installed"
done
desktop-file-validate "$prefix/share/applications/$id.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$prefix/share/metainfo/$id.metainfo.xml" >"$work/as.log" 2>&1 \
  || { cat "$work/as.log"; fail "appstreamcli validate"; }
echo "packaging: cmake --install puts every file in place; desktop entry and metainfo are valid"

# 2. cpack -G DEB
(cd "$build" && cpack -G DEB -B "$work/deb" >"$work/cpack.log" 2>&1) || { cat "$work/cpack.log"; fail "cpack -G DEB"; }
deb=$(ls "$work"/deb/aurelith_*.deb)
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "the package does not depend on the libraries it links"
echo "packaging: built $(basename "$deb") (Depends: $(dpkg-deb -f "$deb" Depends))"
# Debian's own rules, as a user who installs it would meet them.
if command -v lintian >/dev/null 2>&1; then
  lintian --fail-on error,warning "$deb" >"$work/lintian.log" 2>&1 || { cat "$work/lintian.log"; fail "lintian"; }
  echo "packaging: lintian finds no error and no warning"
elif [[ "${CI:-}" == true ]]; then
  fail "lintian is missing"
else
  echo "packaging: note: lintian is missing, so the package's rules were not checked"
fi

# 3. Install, start, remove: only where no one's desktop can be touched.
if [[ $(id -u) -ne 0 ]]; then
  echo "packaging: note: not root, so the package is not installed here (CI does that)"; exit 0
fi
if [[ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}${XDG_CURRENT_DESKTOP:-}" ]]; then
  echo "packaging: note: a desktop session is in use, so the package is not installed here (CI does that)"; exit 0
fi
if dpkg-query -W -f='${Status}' aurelith 2>/dev/null | grep -q 'install ok installed'; then
  echo "packaging: note: aurelith is installed already; leaving it alone"; exit 0
fi
cp "$deb" "$work/aurelith.deb"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$work/aurelith.deb" >"$work/apt.log" 2>&1 \
  || { cat "$work/apt.log"; fail "apt-get install of the package"; }
installed_here=1
[[ -x /usr/bin/aurelith ]] || fail "the package did not install /usr/bin/aurelith"

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 100); do [[ -s "$work/display" ]] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"
mkdir -p "$work/data" "$work/run"
chmod 700 "$work/run"
# The sound server the tests use, or SDL's silent output where there is none.
pactl info >/dev/null 2>&1 || export SDL_AUDIODRIVER=dummy
XDG_DATA_HOME="$work/data" QT_QPA_PLATFORM=xcb /usr/bin/aurelith >"$work/app.log" 2>&1 &
app_pid=$!
timeout 30 xdotool search --sync --onlyvisible --name '^Aurelith Binaural' >/dev/null \
  || { cat "$work/app.log"; fail "the installed program showed no window"; }
sleep 1
kill -0 "$app_pid" 2>/dev/null || { cat "$work/app.log"; fail "the installed program ended by itself"; }
if xdotool search --onlyvisible --name '^Aurelith$' >/dev/null 2>&1; then
  fail "the installed program shows a message box at start (no sound output?)"
fi
[[ -s "$work/data/aurelith/fctl" ]] || fail "the installed program wrote no first-run data"
echo "packaging: the package installs, its program shows its window, and it is removed again"
