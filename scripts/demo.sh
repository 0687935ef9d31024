#!/usr/bin/env bash
# The demo: the desktop program writes its built-in firmware into a simulated
# transceiver, with no radio and no set-up.
#
#   bash scripts/demo.sh [k|m]        (BUILD=<folder>, default build)
#
# Installs what is missing (scripts/install-deps.sh), builds the program and
# radio-sim, and starts both with COM1 of a private copy of the program's
# settings file mapped to the simulator's pseudo-terminal.
#   - With a display ($DISPLAY): the window opens there; press OK (or Enter)
#     to write a unit, again for the next one; close the window or press Exit
#     to end. Each unit's verdict is printed as the simulator gives it.
#   - Without one: the program runs under a private X server, the demo
#     presses Enter itself, prints the simulator's verdict and keeps a
#     screenshot of the window in the build folder.
set -uo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
VARIANT=${1:-k}
case "$VARIANT" in
  k | m) ;;
  *)
    echo "usage: bash scripts/demo.sh [k|m]" >&2
    exit 2
    ;;
esac
BUILD=${BUILD:-build}
V=$(echo "$VARIANT" | tr a-z A-Z)
TITLE="QZ-7514$V"

bash scripts/install-deps.sh || exit 1
cmake -S . -B "$BUILD" || exit 1
cmake --build "$BUILD" --target flash-k flash-m radio-sim -j2 || exit 1
BUILD=$(cd "$BUILD" && pwd)
RADIO_SIM=$(find "$BUILD" -type f -name radio-sim -perm -u+x | head -1)
PROGRAM="$BUILD/app/flash-$VARIANT"
[ -x "$PROGRAM" ] && [ -n "$RADIO_SIM" ] || { echo "demo: the build made no program or no radio-sim" >&2; exit 1; }

. "$ROOT/tests/gui/x_session.sh"
trap 'exit 130' INT TERM

# On the user's display when there is one that answers.
HEADLESS=1
if [ -n "${DISPLAY:-}" ] && xdotool getdisplaygeometry >/dev/null 2>&1; then
  HEADLESS=0
fi

UNITS=()
[ $HEADLESS -eq 1 ] && UNITS=(--units 1)
"$RADIO_SIM" --variant "$VARIANT" --link "$WORK/radio0" "${UNITS[@]}" >"$WORK/verdicts" 2>"$WORK/sim.err" &
SIM_PID=$!
for _ in $(seq 1 100); do [ -e "$WORK/radio0" ] && break; sleep 0.1; done
[ -e "$WORK/radio0" ] || { echo "demo: radio-sim did not start:" >&2; cat "$WORK/sim.err" >&2; exit 1; }

NAME=$(basename "$PROGRAM")
cp "$PROGRAM" "$WORK/$NAME"
printf '[Global]\r\nComPort=1\r\n[Ports]\r\nCOM1=%s\r\n' "$WORK/radio0" >"$WORK/$NAME.INI"
echo "demo: radio-sim (variant $VARIANT) on $WORK/radio0, mapped as COM1 for $NAME"

if [ $HEADLESS -eq 0 ]; then
  echo "demo: the window is on $DISPLAY: press OK (or Enter) to write a unit; Exit ends the demo."
  tail -f "$WORK/verdicts" &
  TAIL_PID=$!
  (cd "$WORK" && exec "./$NAME")
  sleep 0.2
  kill "$TAIL_PID" 2>/dev/null
  echo "demo: done"
  exit 0
fi

echo "demo: no display; running under a private X server"
start_x || { echo "demo: no X server came up" >&2; exit 1; }
(cd "$WORK" && exec "./$NAME") >"$WORK/app.out" 2>&1 &
APP_PID=$!
WIN=""
for _ in $(seq 1 100); do
  WIN=$(xdotool search --name "^$TITLE\$" 2>/dev/null | head -1)
  [ -n "$WIN" ] && break
  sleep 0.1
done
[ -n "$WIN" ] || { echo "demo: the window did not appear" >&2; cat "$WORK/app.out" >&2; exit 1; }
echo "demo: window up; pressing Enter"
xdotool windowfocus --sync "$WIN" 2>/dev/null
xdotool key Return
for _ in $(seq 1 1200); do
  grep -q '^{' "$WORK/verdicts" && break
  sleep 0.1
done
grep -q '^{' "$WORK/verdicts" || { echo "demo: no verdict from radio-sim within 120 s" >&2; exit 1; }
# Completed, then Ready again: the window's title is the bare title.
for _ in $(seq 1 50); do
  [ "$(xdotool getwindowname "$WIN" 2>/dev/null)" = "$TITLE" ] && break
  sleep 0.1
done
sleep 0.3
SHOT="$BUILD/demo-$VARIANT.png"
xwd -silent -id "$WIN" | xwdtopnm 2>/dev/null | pnmtopng >"$SHOT"
echo "demo: radio-sim's verdict:"
cat "$WORK/verdicts"
echo "demo: screenshot of the window: $SHOT"
grep -q '"result":"pass"' "$WORK/verdicts"
