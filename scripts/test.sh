#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine and runs every test: the whole suite
# (window tests under Xvfb) in the debug build, the Debian package run from
# its unpacked files (scripts/check-package.sh), then the core under
# AddressSanitizer + UndefinedBehaviorSanitizer, the workers under
# ThreadSanitizer, the window tests under AddressSanitizer, the conversion
# dialog's tests under ThreadSanitizer, a replay of the fuzz corpus, and the Windows side
# (scripts/test-windows.sh: the cross-built programs and their tests under
# Wine, and the installer).
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
jobs=$(nproc)

echo "== formatting (clang-format decides the layout)"
# Only the files git tracks, in one run of the formatter: a second or two.
git ls-files -z 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' 'bench/*.cpp' 'bench/*.h' |
  xargs -0 clang-format --dry-run --Werror

echo "== debug build, every test"
cmake --preset debug >/dev/null
cmake --build --preset debug -j "$jobs"
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset debug -j "$jobs"

echo "== the Debian package: built, checked with lintian, run unpacked"
./scripts/check-package.sh

echo "== core tests under AddressSanitizer + UndefinedBehaviorSanitizer"
cmake --preset asan >/dev/null
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

echo "== worker tests under ThreadSanitizer"
cmake --preset tsan >/dev/null
cmake --build --preset tsan -j "$jobs"
# Debian 12's kernels randomise mmap more than TSan 12 accepts; setarch turns it off.
setarch "$(uname -m)" -R ctest --preset tsan -j "$jobs" -L 'transfer_tests|convert_tests'

echo "== window tests under AddressSanitizer"
# The desktop's libraries keep some memory to the end; only theirs is
# excused from the leak check.
cmake --preset asan-gui >/dev/null
cmake --build --preset asan-gui -j "$jobs" --target gui_tests
LSAN_OPTIONS=suppressions=$PWD/tests/gui/lsan-system.supp \
  xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset asan-gui -L gui_tests

echo "== the conversion dialog's tests under ThreadSanitizer"
# Its worker reports to the window's thread; the desktop's libraries, not
# built for the sanitizer, are excused for what happens inside them.
cmake --preset tsan-gui >/dev/null
cmake --build --preset tsan-gui -j "$jobs" --target gui_tests
setarch "$(uname -m)" -R env TSAN_OPTIONS="suppressions=$PWD/tests/gui/tsan-system.supp" \
  xvfb-run -a -s "-screen 0 1280x1024x24" build/tsan-gui/tests/gui/gui_tests --gtest_filter='Ts2Pes*'

echo "== fuzz corpus replay"
tests/fuzz/replay.sh

echo "== Windows: cross-built, tested under Wine, installed"
./scripts/test-windows.sh
echo "== all tests passed"
