#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (packages), builds, and starts Veltrano.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
scripts/build.sh
if [[ $(id -u) -eq 0 ]]; then
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi
exec build/bin/veltrano "$@"
