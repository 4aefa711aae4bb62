#!/usr/bin/env bash
# Configures (preset default) and builds Veltrano into build/ (executables in build/bin/).
set -euo pipefail
cd "$(dirname "$0")/.."
build_type=${VELTRANO_BUILD_TYPE:-RelWithDebInfo}
cmake --preset default -DCMAKE_BUILD_TYPE="$build_type" >/dev/null
cmake --build build -j"${VELTRANO_JOBS:-2}"
