#!/usr/bin/env bash
# Starts the program from its build directory.
set -euo pipefail
dir=${1:-build}
exec "$dir/app/quorrix"
