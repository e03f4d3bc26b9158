#!/usr/bin/env bash
# Installs what is missing, builds the three configurations and runs every test: the host
# suite (with the Wine scenarios), the fuzz targets for a bounded time, and the host suite
# once more under AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
# The host configuration makes the payload that the Windows builds carry: it goes first.
for preset in host win32 win64; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$(nproc)"
done
ctest --preset host -j "$(nproc)"
scripts/fuzz.sh "${QELT_FUZZ_SECONDS:-60}"
scripts/sanitize.sh
