#!/usr/bin/env bash
# Installs what is missing, builds, and runs zebqt on the bundled default movie.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"
"$root/scripts/build.sh" "$root/build" >/dev/null
exec "$root/build/bin/zebqt" "$@"
