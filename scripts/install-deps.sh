#!/usr/bin/env bash
# Installs every Debian package the build, the tests, the benchmarks and the demo need.
set -euo pipefail

packages=(
    g++ cmake ninja-build pkg-config
    zlib1g-dev nlohmann-json3-dev
    libnetcdf-dev libhdf5-dev libwebp-dev libgif-dev libgdal-dev gdal-bin python3-gdal
    python3-numpy python3-netcdf4 python3-h5py python3-matplotlib imagemagick hyperfine
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev libqt6opengl6-dev libgl-dev qt6-translations-l10n
    libgl1-mesa-dri xvfb xauth
    fonts-dejavu-core fonts-ipafont-gothic
    clang clang-tidy libclang-rt-14-dev
    dpkg-dev desktop-file-utils shared-mime-info appstream libxml2-utils
    time
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

if ! compgen -G "/var/lib/apt/lists/*_Packages*" >/dev/null; then
    $sudo apt-get update
fi
if ! $sudo apt-get install -y --no-install-recommends "${missing[@]}"; then
    # Stale package lists: refresh once and try again.
    $sudo apt-get update
    $sudo apt-get install -y --no-install-recommends "${missing[@]}"
fi
