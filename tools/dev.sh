#!/usr/bin/env bash
# Sets a Debian 12 machine up for Velmora (apt packages, as root or through sudo), builds it,
# then runs the saver (`run`) or the whole test suite (`test`); `sanitize` builds everything
# again with AddressSanitizer, UndefinedBehaviorSanitizer and LeakSanitizer in build-sanitize/
# and runs the whole suite there.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
    cmake g++ ninja-build pkg-config ccache python3
    libsdl2-dev libepoxy-dev libegl-dev libegl-mesa0 libgl1-mesa-dri libgtk-3-dev libx11-dev
    libfreetype-dev fonts-ipafont-gothic libgtest-dev libbenchmark-dev
    xvfb xauth xdotool assimp-utils libmeshoptimizer-dev
    xscreensaver libxml2-utils dpkg-dev
    clang libclang-rt-dev
)

install_missing() {
    local missing=()
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo="sudo"
    echo "Installing: ${missing[*]}"
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# build DIR [cmake option ...]
build() {
    local dir=$1
    shift
    cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >/dev/null
    cmake --build "$dir"
}

case "${1:-}" in
    run)
        install_missing
        build build
        exec build/velmora
        ;;
    test)
        install_missing
        build build
        ctest --test-dir build --output-on-failure -j "$(nproc)"
        ;;
    sanitize)
        # The benchmarks are not run by the suite, so they are not built here.
        install_missing
        build build-sanitize -DVELMORA_SANITIZE=ON -DVELMORA_BUILD_BENCH=OFF
        ctest --test-dir build-sanitize --output-on-failure -j "$(nproc)"
        ;;
    *)
        echo "usage: tools/dev.sh run|test|sanitize" >&2
        exit 2
        ;;
esac
