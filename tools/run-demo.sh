#!/usr/bin/env bash
# Starts the sample directory server on loopback and the program beside it.
# The first time, when the program has no settings file yet, it writes one
# that points the program's HTTP proxy at the sample server, so that one click
# on the refresh button fills the list. An existing settings file is left as
# it is. QUORRIX_DEMO_MODE picks the server's mode, e.g. "rotate" to have
# members come and go from one list page to the next.
set -euo pipefail
dir=${1:-build}
port=${QUORRIX_DEMO_PORT:-18080}
mode=${QUORRIX_DEMO_MODE:-normal}
program="$dir/app/quorrix"
settings="$dir/app/quorrix.INI"

"$dir/tools/sample_server" --port "$port" --mode "$mode" > /dev/null &
server=$!
trap 'kill $server 2>/dev/null || true' EXIT
trap 'exit 130' INT TERM

if [ ! -e "$settings" ]; then
    printf '[Proxy]\r\nUSE=1\r\nADDR=127.0.0.1\r\nPORT=%s\r\n' "$port" > "$settings"
    echo "Wrote $settings: the proxy points at the sample server on 127.0.0.1:$port."
else
    echo "Using the existing $settings (delete it to point the proxy at the sample server again)."
fi

if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
    echo "No display: starting the program under Xvfb."
    xvfb-run -a -s "-screen 0 1280x800x24" "$program"
else
    "$program"
fi
