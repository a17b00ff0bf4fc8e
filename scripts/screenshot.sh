#!/usr/bin/env bash
# Photographs the main window for the README: builds the window tests, runs
# their screenshot scene under Xvfb (a recorder disk and a backup disk with
# a folder open in each row) and writes docs/screenshot.png with ImageMagick,
# with the sorted lists, a context menu, the Delete question, a marked row,
# the Check Folder dialog and the details pane beside it.
# An argument names another output file; BUILD_DIR another build folder
# (configured like the debug preset) than build/debug.
# `scripts/screenshot.sh windows [FILE]` photographs the Windows build's
# window under Wine instead (docs/screenshot-windows.png).
set -euo pipefail
cd "$(dirname "$0")/.."
if [ "${1:-}" = "windows" ]; then
  out=$(realpath -m "${2:-docs/screenshot-windows.png}")
  mkdir -p "$(dirname "$out")"
  ./scripts/windows-installer.sh >/dev/null
  export WINEDEBUG=-all
  # The sample disk of --demo, so that the trees and lists show recordings.
  timeout 180 xvfb-run -a -s "-screen 0 1280x800x24" \
    ./scripts/wine-window.sh "$PWD/build/windows/src/dezadide.exe" "$out" --demo
  exit 0
fi
out=$(realpath -m "${1:-docs/screenshot.png}")
mkdir -p "$(dirname "$out")"
./scripts/install-deps.sh
if [ -n "${BUILD_DIR:-}" ]; then
  build=$BUILD_DIR
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug >/dev/null
else
  build=build/debug
  cmake --preset debug >/dev/null
fi
cmake --build "$build" --target gui_tests
SCREENSHOT_OUT="$out" xvfb-run -a -s "-screen 0 1280x800x24" \
  "$build/tests/gui/gui_tests" --gtest_also_run_disabled_tests \
  --gtest_filter='Screenshot.DISABLED_Scene'
# The details pane below the lists, with the test clips' recordings.
SCREENSHOT_OUT="$(dirname "$out")/details-pane.png" xvfb-run -a -s "-screen 0 1280x800x24" \
  "$build/tests/gui/gui_tests" --gtest_also_run_disabled_tests \
  --gtest_filter='Screenshot.DISABLED_DetailsPane'
echo "wrote $out and details-pane.png beside it"
