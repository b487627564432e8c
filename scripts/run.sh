#!/usr/bin/env bash
# Sets everything up and runs the main job: the host program with the 3D viewer on the bundled
# sample DEM and its texture. Without a display it renders a picture offscreen instead.
#   scripts/run.sh [extra host options]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
"$here/scripts/setup.sh" release
host="$here/build/bin/relief3d-host"
args=(--relief "$here/data/jacksboro_fault_dem.tif"
      --texture "$here/data/jacksboro_texture_red.tif,$here/data/jacksboro_texture_green.tif,$here/data/jacksboro_texture_blue.tif"
      # Three times the true height, lit from the north-west, seen from the south-south-west.
      --exaggeration 3 --light 300,55 --tilt 50 --azimuth 20 --zoom 1 --pan 0,0.33)
if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  out="$here/build/snapshot.png"
  echo "run: no display; writing a picture to $out"
  "$host" "${args[@]}" --snapshot "$out" "$@"
else
  exec "$host" "${args[@]}" "$@"
fi
