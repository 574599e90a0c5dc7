#!/usr/bin/env bash
# Installs every Debian package the project needs. Idempotent and quiet when all are present.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-l10n-tools libgl1-mesa-dev
  libcurl4-openssl-dev zlib1g-dev libssl-dev libsqlite3-dev libcpp-httplib-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fonts-noto-cjk xvfb xauth xdotool x11-apps imagemagick
  apertium apertium-eng-spa apertium-fr-es apertium-es-pt apertium-spa-ita
  curl wrk hyperfine opencc libopencc-dev apertium-apy chromium nginx-light
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
echo "setup: installing ${missing[*]}"
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
# nginx is for the download benchmark, which starts its own on a loopback port; the system's
# service that the package may have started is stopped and kept off.
if command -v systemctl >/dev/null && systemctl is-enabled nginx >/dev/null 2>&1; then
  $SUDO systemctl disable --now nginx >/dev/null 2>&1 || true
fi
