#!/usr/bin/env bash
# Renders the README's screenshots into docs/ from a build directory.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
"$dir/tools/sample_server" --port 0 --seed 3 > /tmp/quorrix-screenshot-port &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -s /tmp/quorrix-screenshot-port ] && break; sleep 0.1; done
mkdir -p docs
QT_QPA_PLATFORM=offscreen "$dir/tools/screenshots" "$(head -1 /tmp/quorrix-screenshot-port)" docs
