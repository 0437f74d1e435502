#!/usr/bin/env bash
# Builds everything and runs every test under Wine. Usage: scripts/test.sh
set -euo pipefail
cd "$(dirname "$0")/.."

./scripts/bootstrap.sh
cmake --preset default >/dev/null
cmake --build --preset default

. scripts/wine-env.sh
trap wine_env_stop EXIT
wine_env_start build
ctest --preset default
