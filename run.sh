#!/usr/bin/env bash
# Sets QX736 up (packages, build) and starts it. Example: ./run.sh --simulate
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
"$root/scripts/setup.sh"
exec "${QX_BUILD_DIR:-$root/build}/qx736" "$@"
