#!/usr/bin/env bash
# Builds the release preset and makes the Debian package
# build/release/package/dezadide_<version>_amd64.deb with CPack (its Depends
# computed from the programs by dpkg-shlibdeps), then checks it with lintian.
# Prints the package's path last.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh >&2
# The package needs the two programs and their pages only, not the tests and
# benchmarks the release preset also builds.
cmake --preset release -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON >/dev/null
cmake --build --preset release --target dezadide dezadide-cli packaging_docs >&2
rm -rf build/release/package
(cd build/release && cpack -G DEB >&2)
debs=(build/release/package/dezadide_*_amd64.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || { echo "package.sh: no package made" >&2; exit 1; }
lintian --fail-on error "${debs[0]}" >&2 || {
  echo "package.sh: lintian found errors" >&2
  exit 1
}
echo "${debs[0]}"
