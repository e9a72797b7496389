#!/usr/bin/env bash
# Runs an end-to-end script with an X server and a network namespace of its own (see lib.sh).
# Usage: isolated.sh SCRIPT ARGS...
here=$(cd "$(dirname "$0")" && pwd)
source "$here/lib.sh"
isolate "$@"
exec bash "$@"
