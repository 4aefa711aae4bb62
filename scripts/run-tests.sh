#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (packages), builds, and runs every test.
# GUI tests run on Qt's offscreen platform; nothing needs a display.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh --tests
scripts/build.sh
export QT_QPA_PLATFORM=offscreen
if [[ $(id -u) -eq 0 ]]; then
  # Chromium refuses to run its sandbox as root.
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi
ctest --test-dir build --output-on-failure -j"${VELTRANO_JOBS:-2}" "$@"
