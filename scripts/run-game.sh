#!/usr/bin/env bash
# Starts the game, or says in one line why it cannot.
set -eu
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ -z "${SDL_VIDEODRIVER:-}" ]; then
  echo "puckwind: no display (DISPLAY is not set): start it from a desktop session, or under xvfb-run." >&2
  exit 1
fi
exec "$1"
