#!/usr/bin/env bash
# Runs a command on a 1366 by 1920 X server of its own: on_x.sh COMMAND [ARGS...]
source "$(dirname "$0")/lib.sh"
xvfb=""
trap stop_x EXIT
start_x 1366x1920x24
"$@"
