#!/usr/bin/env bash
# Checks that the platform's rooms lean one way and that OpenGL stays in platform/gl/:
#   - a platform room includes only itself and the rooms below it (table below);
#   - nothing in platform/ includes scene code (app, world, render, flock, audio, tools);
#   - no GL, EGL or GLX header and no gl*/egl* call outside platform/gl/.
# Prints each offence as FILE:LINE: reason and exits 1 when there is any.
#   check_layers.sh [ROOT]    ROOT defaults to the source tree above this script
set -uo pipefail
root=${1:-$(cd "$(dirname "$0")/../.." && pwd)}
cd "$root" || exit 2

declare -A allowed=(
    [system]=""
    [image]="system"
    [vshader]="system"
    [xfile]="system"
    [gl]="system"
    [d3d8]="gl vshader system"
    [d3dx]="d3d8 xfile vshader image system"
)
# Files that use raw GL on purpose: the benchmark that measures the device against raw OpenGL.
raw_gl_allowed="bench/device_draw_bench.cpp"

offences=0
offend() {
    echo "$1: $2"
    offences=$((offences + 1))
}

sources() {
    find "$@" -type f \( -name '*.h' -o -name '*.cpp' -o -name '*.c' \) 2>/dev/null | sort
}

# Includes inside platform/.
for file in $(sources platform); do
    room=${file#platform/}
    room=${room%%/*}
    if [ "$room" = "${file#platform/}" ]; then
        offend "$file" "lies at the top of platform/, outside every room"
        continue
    fi
    if [ -z "${allowed[$room]+set}" ]; then
        offend "$file" "room platform/$room/ is not in the layer table"
        continue
    fi
    while IFS=: read -r line include; do
        target=${include#*\"}
        target=${target%%\"*}
        case "$target" in
            platform/*/*)
                to=${target#platform/}
                to=${to%%/*}
                [ "$to" = "$room" ] && continue
                case " ${allowed[$room]} " in
                    *" $to "*) ;;
                    *) offend "$file:$line" "platform/$room/ must not include $target" ;;
                esac
                ;;
            app/* | world/* | render/* | flock/* | audio/* | tools/*)
                offend "$file:$line" "platform/ must not include scene code ($target)"
                ;;
        esac
    done < <(grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$file")
done

# OpenGL headers and calls outside platform/gl/ and the tests of platform/gl/.
for file in $(sources app world render flock audio platform tools tests bench); do
    case "$file" in platform/gl/* | tests/platform/gl/*) continue ;; esac
    case " $raw_gl_allowed " in *" $file "*) continue ;; esac
    while IFS=: read -r line text; do
        offend "$file:$line" "OpenGL header outside platform/gl/: ${text#*#}"
    done < <(grep -nE '^[[:space:]]*#[[:space:]]*include[[:space:]]*<(epoxy/|GL/|GLES|EGL/|KHR/)' "$file")
    while IFS=: read -r line text; do
        offend "$file:$line" "OpenGL call outside platform/gl/: $(grep -oE '\b(gl|egl|glX)[A-Z][A-Za-z0-9]*[[:space:]]*\(' <<<"$text" | head -n 1)"
    done < <(grep -nE '\b(gl|egl|glX)[A-Z][A-Za-z0-9]*[[:space:]]*\(' "$file")
done

if [ "$offences" -gt 0 ]; then
    echo "$offences layer offence(s)"
    exit 1
fi
echo "platform layers: no offence"
