#!/usr/bin/env bash
# Runs a program under an X server of its own: tests/app/xvfb_run.sh PROGRAM [ARGS...]
source "$(dirname "$0")/e2e_lib.sh"
start_xvfb
"$@"
