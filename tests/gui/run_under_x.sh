#!/usr/bin/env bash
# Runs a command under a private X server: run_under_x.sh <program> [args...]
. "$(dirname "$0")/x_session.sh"
trap stop_x EXIT
start_x || { echo "FAIL: no X server came up (is xvfb installed?)" >&2; exit 1; }
"$@"
