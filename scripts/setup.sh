#!/usr/bin/env bash
# Installs every Debian package the project needs. Idempotent and quiet when all are present.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-l10n-tools libgl1-mesa-dev
  libcurl4-openssl-dev zlib1g-dev libssl-dev libsqlite3-dev libcpp-httplib-dev libgumbo-dev libicu-dev libboost-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fonts-noto-cjk xvfb xauth xdotool xclip x11-apps imagemagick
  libxcb1-dev libxcb-keysyms1-dev dbus-daemon libglib2.0-bin
  apertium apertium-eng-spa apertium-fr-es apertium-es-pt apertium-spa-ita
  curl wrk hyperfine opencc libopencc-dev apertium-apy chromium
  dpkg-dev desktop-file-utils appstream lintian
  libexttextcat-dev libexttextcat-data
  # Feedback in PostgreSQL, and the several-instance test: a private cluster behind nginx.
  libpq-dev postgresql-15 nginx
  # Qt TextToSpeech: its headers include QtQmlIntegration, which only qt6-declarative-dev brings.
  qt6-speech-dev qt6-declarative-dev qt6-speech-speechd-plugin speech-dispatcher espeak-ng
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
