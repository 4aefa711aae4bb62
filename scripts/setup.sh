#!/usr/bin/env bash
# Installs the Debian packages Veltrano needs to build, run and test.
# Idempotent: asks apt only for what is missing. Usage: scripts/setup.sh [--tests] [--bench]
set -euo pipefail

packages=(
  build-essential cmake pkg-config python3
  qt6-base-dev qt6-base-dev-tools qt6-webengine-dev qt6-svg-dev
  libzip-dev libgsf-1-dev zlib1g-dev libsqlite3-dev libcpp-httplib-dev nlohmann-json3-dev libgtest-dev libgmock-dev
  apertium apertium-eng-spa apertium-lex-tools-dev lttoolbox-dev libxml2-dev libicu-dev cg3
  xvfb xauth fonts-liberation
)
test_packages=(libreoffice-calc-nogui python3-openpyxl zip unzip desktop-file-utils libxml2-utils
  clang libclang-rt-14-dev llvm clang-format-14)
bench_packages=(apertium-apy python3-openpyxl libreoffice-calc-nogui time hyperfine imagemagick parallel)

for arg in "$@"; do
  case "$arg" in
    --tests) packages+=("${test_packages[@]}") ;;
    --bench) packages+=("${bench_packages[@]}") ;;
    *) echo "setup.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

sudo=""
if [[ $(id -u) -ne 0 ]]; then
  command -v sudo >/dev/null || { echo "setup.sh: need root or sudo to install: ${missing[*]}" >&2; exit 1; }
  sudo="sudo"
fi
echo "setup.sh: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
