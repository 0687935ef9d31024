#!/usr/bin/env bash
# The real program in a real window, against the simulated transceiver:
#
#   run_window_test.sh <program> <radio-sim> <k|m> <title> <screenshot.png>
#
# Under a private X server: Enter writes one whole unit (the simulator's
# verdict must pass); Enter again and Escape during the second unit cancel it
# (the simulator sees the port close mid-unit and the title returns to the
# bare title); Alt+C, 2 picks COM 2 in the menu; a click on Exit ends the
# program with code 0, and its settings file then holds port 2. A screenshot
# of the window after the first unit is kept.
set -uo pipefail

PROGRAM=$1
RADIO_SIM=$2
VARIANT=$3
TITLE=$4
SHOT=$5

. "$(dirname "$0")/x_session.sh"

for tool in Xvfb xdotool xwd xwdtopnm pnmtopng python3; do
  command -v "$tool" >/dev/null || { echo "FAIL: $tool is not installed (scripts/install-deps.sh)" >&2; exit 1; }
done

fail() {
  echo "FAIL: $*" >&2
  echo "--- radio-sim verdicts:" >&2
  cat "$WORK/verdicts" >&2 2>/dev/null
  echo "--- radio-sim errors:" >&2
  tail -20 "$WORK/sim.err" >&2 2>/dev/null
  echo "--- program output:" >&2
  tail -20 "$WORK/app.out" >&2 2>/dev/null
  exit 1
}

# wait_for <seconds> <command...>: polls every 0.1 s until the command succeeds.
wait_for() {
  local limit=$1
  shift
  local end=$((SECONDS + limit))
  until "$@"; do
    [ $SECONDS -ge $end ] && return 1
    sleep 0.1
  done
}

start_x || fail "no X server came up"

# The simulated transceiver on a pseudo-terminal, for two units.
"$RADIO_SIM" --variant "$VARIANT" --link "$WORK/radio0" --units 2 >"$WORK/verdicts" 2>"$WORK/sim.err" &
SIM_PID=$!
wait_for 10 test -e "$WORK/radio0" || fail "radio-sim made no link"

# A private copy of the program with its own settings file beside it.
NAME=$(basename "$PROGRAM")
cp "$PROGRAM" "$WORK/$NAME"
printf '[Global]\r\nComPort=1\r\n[Ports]\r\nCOM1=%s\r\n' "$WORK/radio0" >"$WORK/$NAME.INI"
(cd "$WORK" && exec "./$NAME") >"$WORK/app.out" 2>&1 &
APP_PID=$!

window() { xdotool search --name "^(...% - )?$TITLE\$" 2>/dev/null | head -1; }
has_window() { [ -n "$(window)" ]; }
title_is() { [ "$(xdotool getwindowname "$WIN" 2>/dev/null)" = "$1" ]; }
title_has_percent() { xdotool getwindowname "$WIN" 2>/dev/null | grep -q "% - $TITLE\$"; }
verdicts() { [ "$(grep -c '^{' "$WORK/verdicts" 2>/dev/null)" -ge "$1" ]; }
verdict_field() { sed -n "${1}p" "$WORK/verdicts" | python3 -c "import json,sys; print(json.load(sys.stdin)['$2'])"; }
press() { xdotool windowfocus --sync "$WIN" 2>/dev/null; xdotool key --clearmodifiers "$@"; }

wait_for 10 has_window || fail "no window titled $TITLE"
WIN=$(window)
title_is "$TITLE" || fail "window title is '$(xdotool getwindowname "$WIN")'"

# 1. Enter writes a whole unit.
press Return
wait_for 120 verdicts 1 || fail "no verdict for the first unit"
[ "$(verdict_field 1 result)" = "pass" ] || fail "first unit: $(sed -n 1p "$WORK/verdicts")"
# Completed, then Ready again: the bare title.
wait_for 10 title_is "$TITLE" || fail "title after the first unit is '$(xdotool getwindowname "$WIN")'"
sleep 0.3
xwd -silent -id "$WIN" | xwdtopnm 2>/dev/null | pnmtopng >"$SHOT" || fail "no screenshot"
echo "screenshot: $SHOT"

# 2. Enter starts the second unit; Escape cancels it while it runs.
press Return
wait_for 60 title_has_percent || fail "the second unit did not start"
press Escape
wait_for 10 title_is "$TITLE" || fail "title after Escape is '$(xdotool getwindowname "$WIN")'"
wait_for 10 verdicts 2 || fail "radio-sim did not see the second unit end"
[ "$(verdict_field 2 result)" != "pass" ] || fail "the cancelled unit passed"
verdict_field 2 reason | grep -q "^port closed" || fail "second unit: $(sed -n 2p "$WORK/verdicts")"
kill -0 "$APP_PID" 2>/dev/null || fail "Escape ended the program"

# 3. The port menu: Alt+C opens "COM Port", 2 picks "COM 2".
press alt+c
sleep 0.3
xdotool key 2
sleep 0.3

# 4. A click on Exit. Its place follows from the window's layout: client area
# below the menu bar (20), Panel1 at 3,3 and Panel_Main 6 further in, the
# progress bar 10 from Panel_Main's sides and 8 + 16 from its bottom, the
# buttons 5 + 32 above it, each 1/3.2 of the bar's width, Exit right-aligned.
eval "$(xdotool getwindowgeometry --shell "$WIN")"
CW=$WIDTH
CH=$((HEIGHT - 20))
PW=$((CW - 6 - 12))
PH=$((CH - 3 - 3 - 12))
BARW=$((PW - 20))
BARTOP=$((PH - 16 - 8))
BW=$(((BARW * 5 - 1) / 16))
BTOP=$((BARTOP - 32 - 5))
BLEFT=$((10 + BARW - BW))
EXIT_X=$((X + 3 + 6 + BLEFT + BW / 2))
EXIT_Y=$((Y + 20 + 3 + 6 + BTOP + 16))
xdotool mousemove --sync "$EXIT_X" "$EXIT_Y" click 1

for _ in $(seq 1 100); do
  kill -0 "$APP_PID" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$APP_PID" 2>/dev/null && fail "Exit did not end the program"
wait "$APP_PID"
CODE=$?
APP_PID=""
[ "$CODE" -eq 0 ] || fail "exit code $CODE"
tr -d '\r' <"$WORK/$NAME.INI" | grep -qx "ComPort=2" || fail "settings file: $(cat "$WORK/$NAME.INI")"
tr -d '\r' <"$WORK/$NAME.INI" | grep -qx "COM1=$WORK/radio0" || fail "the port mapping was lost: $(cat "$WORK/$NAME.INI")"
echo "PASS: $VARIANT"
