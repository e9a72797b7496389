#!/usr/bin/env bash
# Runs a command on a 640 by 480 X server of its own: on_x.sh COMMAND [ARGS...]
source "$(dirname "$0")/lib.sh"
xvfb=""
trap stop_x EXIT
start_x 640x480x24
"$@"
