# A session of the window tests, the demo and the benchmark: a private X
# server, a work folder and the program and radio-sim processes. Sourcing it
# makes WORK and ends everything at exit; then: start_x (sets DISPLAY; gives 1
# when no server came up) and stop_x. Set APP_PID and SIM_PID to the
# processes started.

X_PID=""
X_DIR=""

start_x() {
  X_DIR=$(mktemp -d)
  # Xvfb picks a free display number itself and writes it once it is ready.
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$X_DIR/display" >"$X_DIR/log" 2>&1 &
  X_PID=$!
  local i
  for i in $(seq 1 100); do
    if [ -s "$X_DIR/display" ]; then
      export DISPLAY=":$(tr -d '\n' <"$X_DIR/display")"
      return 0
    fi
    kill -0 "$X_PID" 2>/dev/null || break
    sleep 0.1
  done
  cat "$X_DIR/log" >&2
  return 1
}

stop_x() {
  if [ -n "$X_PID" ]; then
    kill "$X_PID" 2>/dev/null
    wait "$X_PID" 2>/dev/null
    X_PID=""
  fi
  [ -n "$X_DIR" ] && rm -rf "$X_DIR"
  X_DIR=""
}

WORK=$(mktemp -d)
APP_PID=""
SIM_PID=""

end_session() {
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null
  [ -n "$SIM_PID" ] && kill "$SIM_PID" 2>/dev/null
  stop_x
  rm -rf "$WORK"
}
trap end_session EXIT
