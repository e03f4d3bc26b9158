#!/usr/bin/env bash
# Builds what is missing and starts the setup wizard (host build) in this terminal.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh >/dev/null
cmake --preset host >/dev/null
cmake --build --preset host --target qelt-setup >/dev/null
exec build/host/qelt-setup "$@"
