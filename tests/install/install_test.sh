#!/usr/bin/env bash
# Installs the build into an empty prefix and runs the installed host from / : its plug-ins, help
# book and sample data must be found from the executable alone, locally and over HTTP by ranges.
#   install_test.sh BUILD_DIR
set -euo pipefail
build="$(cd "$1" && pwd)"
work="$(mktemp -d)"
server_pid=""
cleanup() { [ -n "$server_pid" ] && kill "$server_pid" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT
fail() { echo "install test: $*" >&2; exit 1; }
prefix="$work/prefix with space"

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/relief3d-host lib/relief3d/libbasekit.so lib/relief3d/relief3d-ui.so lib/relief3d/plugins/lib3d.so \
         lib/relief3d/plugins/lib3d-render.so \
         "share/relief3d/On-line Help/Zovire3DUvezIra.zez" share/relief3d/data/jacksboro_fault_dem.tif \
         share/man/man1/relief3d-host.1 share/applications/relief3d.desktop; do
  [ -s "$prefix/$f" ] || fail "missing $f"
done
for s in 16 32 48 256; do
  got="$(identify -format '%wx%h' "$prefix/share/icons/hicolor/${s}x${s}/apps/relief3d.png")"
  [ "$got" = "${s}x${s}" ] || fail "icon ${s}x${s} is $got"
done
desktop-file-validate "$prefix/share/applications/relief3d.desktop" || fail "desktop entry does not validate"
icon="$(sed -n 's/^Icon=//p' "$prefix/share/applications/relief3d.desktop")"
[ -f "$prefix/share/icons/hicolor/48x48/apps/$icon.png" ] || fail "desktop entry names icon $icon, not installed"
MANPAGER=cat MANWIDTH=80 man -l "$prefix/share/man/man1/relief3d-host.1" 2>/dev/null | grep -q -- '--snapshot' ||
  fail "man page does not render"
# Nothing may come from the build tree: it must not be on the library path, nor the working folder.
ldd "$prefix/bin/relief3d-host" | grep -F "$build" && fail "installed host links into the build tree"

display=()
[ -n "${DISPLAY:-}" ] || display=(xvfb-run -a -s "-screen 0 1280x1024x24")
host=(timeout 120 "${display[@]}" "$prefix/bin/relief3d-host")
cd /
[ -n "$("${host[@]}" --list)" ] || fail "installed host finds no plug-ins"
dem="$prefix/share/relief3d/data/jacksboro_fault_dem.tif"
"${host[@]}" --relief "$dem" --snapshot "$work/local.png" >/dev/null || fail "local snapshot failed"
[ "$(identify -format '%[fx:standard_deviation>0.01]' "$work/local.png")" = 1 ] || fail "local snapshot is blank"

# The same relief over HTTP, read by byte ranges from a server on the loopback interface.
# The port is the server's first line: read waits for it (or for the server's end), however busy the machine.
exec 3< <(exec timeout 300 python3 "$(dirname "$0")/../support/range_server.py" "$prefix/share/relief3d/data")
server_pid=$!
port=""
read -r port <&3 || true
[ -n "$port" ] || fail "HTTP server did not start"
url="http://127.0.0.1:$port/jacksboro_fault_dem.tif"
"${host[@]}" --relief "/vsicurl/$url" --factors 2,2 --snapshot "$work/remote.png" >/dev/null ||
  fail "remote snapshot failed"
[ "$(identify -format '%[fx:standard_deviation>0.01]' "$work/remote.png")" = 1 ] || fail "remote snapshot is blank"
missing="${url%.tif}-missing.tif"
if "${host[@]}" --relief "$missing" --snapshot "$work/none.png" >"$work/err" 2>&1; then
  fail "a missing remote file loaded"
fi
grep -F "$missing" "$work/err" | grep -q "server" || fail "no message naming a missing remote file and its cause"
echo "install test: ok"
