#!/usr/bin/env bash
# Sets up a fresh Debian 12 machine, builds Dezadide and starts its window.
# Arguments are passed to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release --target dezadide dezadide-cli
exec ./build/release/src/dezadide "$@"
