#!/usr/bin/env bash
# Installs what is missing and builds the runnable installation in build/bin.
set -euo pipefail
source "$(dirname "$0")/common.sh"
bash "$ROOT/scripts/setup-deps.sh"
configure_build "$ROOT/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
