#!/bin/sh
# Runs a program; when it is built with AddressSanitizer, with Mesa's software driver kept
# loaded to the end. The driver leaks a little, and is unloaded before the leak check: kept
# loaded, its leaks keep the name that tests/lsan.supp knows.
# Usage: with_gl_driver.sh PROGRAM ARGS...
if ldd "$1" 2>/dev/null | grep -q libasan; then
    export LD_PRELOAD=/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so
    export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
fi
exec "$@"
