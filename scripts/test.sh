#!/usr/bin/env bash
# Sets everything up and passes the tests: the whole suite under Xvfb, then again in an
# AddressSanitizer + UBSan build, then the GUI suites on other desktops.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
xvfb=(xvfb-run -a -s "-screen 0 1600x1200x24")

"$here/scripts/setup.sh" release
echo "== tests (release build)"
"${xvfb[@]}" ctest --test-dir "$here/build" --output-on-failure -j 1

"$here/scripts/setup.sh" asan
echo "== tests (AddressSanitizer + UBSan)"
# Leak checking is off: GTK, fontconfig and Mesa keep process-lifetime allocations.
export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
"${xvfb[@]}" ctest --test-dir "$here/build-asan" --output-on-failure -j 1

# The same program on the desktops users run, each in a fresh session (scripts/desktop.sh): a window
# manager, a Wayland session (through XWayland) and a screen scaled to 200 %. GUI suites, or the
# tests in them that real input, real windows and real pixels decide, in the release build. (A
# headless weston has no seat, so XWayland takes no synthetic input and cannot be grabbed: the
# tests that need either skip or are left out there.)
echo "== desktops"
t="$here/build/tests"
desk="$here/scripts/desktop.sh"
unset ASAN_OPTIONS UBSAN_OPTIONS
echo "-- Xvfb + openbox"
"$desk" openbox -- bash -ec "
  '$t/test_frame_gui'; '$t/test_tools_gui'; '$t/test_palette_gui'
  '$t/test_view_gui' --gtest_filter='ViewWindow.*'"
echo "-- weston + XWayland"
snapshot="$(mktemp -d)"
"$desk" wayland -- bash -ec "
  cd '$here'
  env -u GDK_BACKEND build/bin/relief3d-host --relief data/jacksboro_fault_dem.tif --snapshot '$snapshot/out.png'
  # The viewer on screen, as a user opens it: its window shows, and it is still running (not crashed)
  # when stopped then.
  env -u GDK_BACKEND build/bin/relief3d-host --relief data/jacksboro_fault_dem.tif & viewer=\$!
  until xwininfo -name ' 3D Viewer' 2>/dev/null | grep -q 'Map State: IsViewable'; do
    kill -0 \$viewer 2>/dev/null && [ \$SECONDS -lt 120 ] || { echo 'viewer under XWayland did not show' >&2; exit 1; }
    sleep 0.1
  done
  status=0; kill \$viewer; wait \$viewer || status=\$?
  [ \$status -eq 143 ] || { echo \"viewer under XWayland ended with \$status\" >&2; exit 1; }
  export GDK_BACKEND=x11
  '$t/test_view_gui' --gtest_filter='ViewWindow.*:-ViewWindow.ScreenAndRealPointer*:ViewWindow.PointerAndProbe*'
  '$t/test_frame_gui' --gtest_filter='-FrameTest.AltF4*:FrameTest.Shortcuts*'
  '$t/test_hostlib_gui' --gtest_filter='HtmlHelp.*'"
rm -rf "$snapshot"
echo "-- Xvfb without GLX"
"$desk" noglx -- "$t/test_view_gui" --gtest_filter='ViewWithoutGlx.*'
echo "-- GDK_SCALE=2"
"$desk" hidpi -- bash -ec "
  '$t/test_view_gui' --gtest_filter='ViewWindow.ScreenAndRealPointer*'
  '$t/test_frame_gui' --gtest_filter='FrameTest.TextureFromOpen*:FrameTest.AltF4*:FrameTest.Shortcuts*'
  '$t/test_tools_gui' --gtest_filter='ToolsTest.SlidersOnScreen*:ToolsTest.TabAndPage*'"

# Fuzz targets: each runs briefly from its committed seed corpus, so a regression in a parser or a
# loader fails here (scripts/fuzz.sh; reproducers land in build-fuzz/).
echo "== fuzz targets (20 s each)"
"$here/scripts/fuzz.sh" 20
