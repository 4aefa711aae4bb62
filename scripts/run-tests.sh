#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine (packages), builds, and runs every test; then the checks:
# the code's layout, the engine and page-host suites under AddressSanitizer and
# UndefinedBehaviorSanitizer, and the fuzzers over their seeds. Each step starts with a header;
# the first that fails ends the run with a non-zero status and names the step.
# GUI tests run on Qt's offscreen platform; nothing needs a display.
# Arguments go to the first ctest run (e.g. -R numfmt).
set -euo pipefail
cd "$(dirname "$0")/.."

current_step=""
step() {
  current_step=$1
  printf '\n==== %s (%s) ====\n' "$1" "$(date -u +%H:%M:%S)"
}
trap 'status=$?; ((status == 0)) || printf "\n==== FAILED: %s (status %d) ====\n" "$current_step" "$status" >&2' EXIT

step "Packages (scripts/setup.sh --tests)"
scripts/setup.sh --tests

step "Build (build/)"
scripts/build.sh

step "Tests (build/)"
export QT_QPA_PLATFORM=offscreen
if [[ $(id -u) -eq 0 ]]; then
  # Chromium refuses to run its sandbox as root.
  export QTWEBENGINE_DISABLE_SANDBOX=1
fi
ctest --test-dir build --output-on-failure -j"${VELTRANO_JOBS:-2}" "$@"

step "Layout (clang-format-14)"
scripts/check-format.sh

step "Sanitizer build (preset asan, build-asan/)"
# The vocabulary is data, the same whatever the compiler: the one build/ compiled is copied.
cmake --preset asan -DVELTRANO_VOCABULARY_FROM="$PWD/build/share/veltrano-pagehost" >/dev/null
cmake --build --preset asan -j"${VELTRANO_JOBS:-2}"

step "Engine and page-host tests under ASan and UBSan"
ctest --preset asan -j"${VELTRANO_JOBS:-2}"

step "Fuzzers over their seeds (preset fuzz, build-fuzz/)"
scripts/replay-fuzzers.sh "${VELTRANO_FUZZ_SECONDS:-20}"

step "All steps passed"
