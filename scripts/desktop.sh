#!/usr/bin/env bash
# Runs a command inside a throw-away desktop session and stops the session afterwards.
#   scripts/desktop.sh bare    -- COMMAND...   Xvfb, no window manager
#   scripts/desktop.sh openbox -- COMMAND...   Xvfb with the openbox window manager
#   scripts/desktop.sh hidpi   -- COMMAND...   Xvfb with GTK scaled to 200 % (GDK_SCALE=2)
#   scripts/desktop.sh noglx   -- COMMAND...   Xvfb without the GLX extension (a remote or odd X server)
#   scripts/desktop.sh wayland -- COMMAND...   headless weston with XWayland; WAYLAND_DISPLAY and
#                                              DISPLAY are both set, as in a GNOME or KDE session
# The command's exit status is the script's.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
kind="${1:-}"
[ "${2:-}" = "--" ] && [ $# -ge 3 ] || { echo "usage: desktop.sh bare|openbox|hidpi|noglx|wayland -- COMMAND..." >&2; exit 2; }
shift 2
screen="-screen 0 1600x1200x24"
# How long a session may take to come up on a busy machine before it counts as broken.
hang_guard=120

case "$kind" in
  bare) exec xvfb-run -a -s "$screen" "$@" ;;
  hidpi) GDK_SCALE=2 exec xvfb-run -a -s "$screen" "$@" ;;
  noglx) exec xvfb-run -a -s "$screen -extension GLX" "$@" ;;
  openbox)
    # Inside the X session: start the window manager, wait until it has taken the screen, run.
    if [ -z "${R3D_DESKTOP_INNER:-}" ]; then
      R3D_DESKTOP_INNER=1 exec xvfb-run -a -s "$screen" "$here/desktop.sh" openbox -- "$@"
    fi
    openbox --sm-disable >/dev/null 2>&1 &
    wm=$!
    until xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"; do
      if ! kill -0 "$wm" 2>/dev/null || [ $SECONDS -gt $hang_guard ]; then
        echo "desktop.sh: openbox did not take the screen" >&2
        exit 1
      fi
      sleep 0.05
    done
    status=0
    "$@" || status=$?
    kill "$wm" 2>/dev/null || true
    wait "$wm" 2>/dev/null || true
    exit "$status" ;;
  wayland)
    runtime="$(mktemp -d)"
    chmod 700 "$runtime"
    # XWayland binds its socket here; a container may not have the directory yet.
    [ -d /tmp/.X11-unix ] || { mkdir -p /tmp/.X11-unix && chmod 1777 /tmp/.X11-unix; }
    socket="relief3d-$$"
    XDG_RUNTIME_DIR="$runtime" weston --backend=headless-backend.so --width=1600 --height=1200 \
      --socket="$socket" --xwayland --idle-time=0 --log="$runtime/weston.log" &
    weston=$!
    display=""
    started=$SECONDS
    while [ $((SECONDS - started)) -le $hang_guard ] && kill -0 "$weston" 2>/dev/null; do
      display="$(sed -n 's/.*xserver listening on display \(:[0-9]*\).*/\1/p' "$runtime/weston.log" 2>/dev/null || true)"
      [ -n "$display" ] && break
      sleep 0.05
    done
    status=0
    if [ -z "$display" ]; then
      echo "desktop.sh: weston did not start XWayland (log: $runtime/weston.log)" >&2
      status=1
    else
      XDG_RUNTIME_DIR="$runtime" WAYLAND_DISPLAY="$socket" DISPLAY="$display" "$@" || status=$?
    fi
    kill "$weston" 2>/dev/null || true
    wait "$weston" 2>/dev/null || true
    [ "$status" -eq 0 ] && rm -rf "$runtime"
    exit "$status" ;;
  *) echo "desktop.sh: unknown session $kind" >&2; exit 2 ;;
esac
