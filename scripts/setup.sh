#!/usr/bin/env bash
# Installs every missing Debian package (non-interactively, when we may), then configures and builds.
# Idempotent and quick when everything is already in place.
#   scripts/setup.sh            -> build/        (RelWithDebInfo)
#   scripts/setup.sh asan       -> build-asan/   (AddressSanitizer + UBSan)
#   scripts/setup.sh coverage   -> build-cov/    (gcov instrumentation, for scripts/coverage.sh)
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
flavour="${1:-release}"

packages=(build-essential cmake pkg-config libwxgtk3.2-dev libwxgtk-gl3.2-1 libgdal-dev gdal-bin
          libgl-dev libglu1-mesa-dev libgl1-mesa-dri libglx-mesa0 libboost-dev libgtest-dev
          libegl-dev libegl-mesa0 xvfb xauth fonts-dejavu-core imagemagick
          weston xwayland openbox x11-utils desktop-file-utils man-db locales python3 libgtk-3-dev
          wx3.2-i18n)
"$here/scripts/ensure-packages.sh" "${packages[@]}"
# GTK's own dialogs (file and colour choosers, stock buttons) speak Russian only when the C library
# has a Russian locale to switch to.
if ! locale -a 2>/dev/null | grep -qi '^ru_RU\.utf-\?8$'; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO="sudo -n"
  if [ -f /etc/locale.gen ] && ! grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen; then
    echo 'ru_RU.UTF-8 UTF-8' | $SUDO tee -a /etc/locale.gen >/dev/null
  fi
  $SUDO locale-gen ru_RU.UTF-8 >/dev/null || echo "setup: could not generate ru_RU.UTF-8" >&2
fi

jobs="$(nproc 2>/dev/null || echo 2)"
case "$flavour" in
  release) dir="$here/build"; extra=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DR3D_SANITIZE=OFF) ;;
  asan)    dir="$here/build-asan"; extra=(-DCMAKE_BUILD_TYPE=Debug -DR3D_SANITIZE=ON -DR3D_BUILD_BENCH=OFF) ;;
  coverage) dir="$here/build-cov"; extra=(-DCMAKE_BUILD_TYPE=Debug -DR3D_SANITIZE=OFF -DR3D_BUILD_BENCH=OFF
                                        "-DCMAKE_CXX_FLAGS=--coverage -O0 -DR3D_COVERAGE" -DCMAKE_EXE_LINKER_FLAGS=--coverage
                                        -DCMAKE_SHARED_LINKER_FLAGS=--coverage -DCMAKE_MODULE_LINKER_FLAGS=--coverage) ;;
  *) echo "setup: unknown flavour $flavour" >&2; exit 2 ;;
esac
cmake -S "$here" -B "$dir" "${extra[@]}" >/dev/null
cmake --build "$dir" -j "$jobs"
