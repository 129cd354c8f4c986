#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine, builds, and then either
# starts the program ("run"), runs every test ("test"), or builds the Debian
# package ("package", its path printed last).
set -euo pipefail
cd "$(dirname "$0")/.."

PACKAGES=(cmake g++ make pkg-config qt6-base-dev qt6-base-dev-tools libgl-dev
          fonts-ipafont-gothic xvfb xauth desktop-file-utils dbus-daemon
          libbenchmark-dev clang libclang-rt-14-dev libxcb1-dev
          ccache dpkg-dev lintian appstream file qt6-base-private-dev
          libfontconfig-dev)

install_missing() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    if ((${#missing[@]})); then
        local sudo=""
        [ "$(id -u)" -eq 0 ] || sudo=sudo
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
    fi
}

build() { # build-dir [cmake options...]
    local dir=$1; shift
    cmake -S . -B "$dir" "$@" >/dev/null
    cmake --build "$dir" -j"$(nproc)"
}

case "${1:-}" in
run)
    install_missing
    build build
    exec tools/run-demo.sh build
    ;;
test)
    install_missing
    build build
    ctest --test-dir build -j"$(nproc)" --output-on-failure
    # The Debian package, built in Release and checked.
    bash tools/check-package.sh
    # The same suite under AddressSanitizer and UndefinedBehaviorSanitizer.
    build build-asan -DQUORRIX_SANITIZE=address,undefined
    ASAN_OPTIONS=detect_leaks=1 ctest --test-dir build-asan -j"$(nproc)" --output-on-failure
    # Each fuzz target briefly, from its seeds.
    bash tools/run-fuzz.sh "${QUORRIX_FUZZ_SECONDS:-20}"
    ;;
package)
    install_missing
    exec bash tools/build-package.sh
    ;;
*)
    echo "usage: $0 run|test|package" >&2
    exit 2
    ;;
esac
