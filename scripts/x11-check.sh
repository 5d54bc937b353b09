#!/usr/bin/env bash
# Drives the built program on a real X server (Xvfb, the xcb platform) with xdotool, as a person
# would, and checks what the window system shows: the windows' names exactly as the server holds
# them, that the status bar's count outlives a toolbar button's status tip, that Chart selection
# charts only a selected row, the chart window's first size and Ctrl+W closing it, the help
# window's first size and the About box, that the list's filter and File > Export List as CSV save the rows shown; then the command line without
# a display, Reload (F5) of a file that grew and then vanished, and Open Recent in a second
# instance.
#
#   scripts/x11-check.sh [BUILD_DIR]      (default build/dev; needs scripts/setup-debian.sh --ci)
#
# With QUILL_X11_SHOTS=DIR it leaves a screenshot of the screen at each step in DIR.
set -euo pipefail
top="$(cd "$(dirname "$0")/.." && pwd)"
build="$(cd "${1:-$top/build/dev}" && pwd)"
program="$build/ui/quillometer"
sample="$top/examples/sample.jsonl"
work="$(mktemp -d)"
failures=0
pids=()

cleanup() {
  local pid
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$work"
}
trap cleanup EXIT
# What the program keeps (the recent files) stays in the scratch directory.
export XDG_CONFIG_HOME="$work/config"

say() { printf 'x11: %s\n' "$*"; }
check() {
  local what="$1"
  shift
  if "$@"; then say "ok: $what"; else say "FAILED: $what"; failures=$((failures + 1)); fi
}

start_server() {
  # -displayfd picks a free display and writes its number once the server takes connections.
  Xvfb -displayfd 3 -screen 0 1600x1000x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
  pids+=($!)
  local i
  for i in $(seq 1 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
  done
  [ -s "$work/display" ] || { cat "$work/xvfb.log"; say "Xvfb did not start"; exit 1; }
  export DISPLAY=":$(head -n 1 "$work/display")"
}

shot() {
  [ -n "${QUILL_X11_SHOTS:-}" ] || return 0
  mkdir -p "$QUILL_X11_SHOTS"
  import -window root "$QUILL_X11_SHOTS/$1.png" 2>/dev/null || true
}

# The names of the visible windows, one a line, sorted. Qt's unnamed helper windows are left out.
window_names() {
  local id
  for id in $(xdotool search --onlyvisible --name '' 2>/dev/null || true); do
    xdotool getwindowname "$id"
  done | grep -v '^$' | sort
}

# Waits up to 10 s for a visible window named exactly $1; prints its id.
wait_window() {
  local name="$1" i id
  for i in $(seq 1 100); do
    for id in $(xdotool search --onlyvisible --name '' 2>/dev/null || true); do
      if [ "$(xdotool getwindowname "$id")" = "$name" ]; then
        echo "$id"
        return 0
      fi
    done
    sleep 0.1
  done
  return 1
}

# Clicks at a point of a window (left button), with the modifier $3 held if given.
click_in() {
  local id="$1" x y
  read -r x y <<<"$2"
  xdotool mousemove --window "$id" "$x" "$y"
  if [ -n "${3:-}" ]; then
    xdotool keydown "$3" click 1 keyup "$3"
  else
    xdotool click 1
  fi
  sleep 0.3
}

has_window() { wait_window "$1" >/dev/null; }

geometry() { xdotool getwindowgeometry --shell "$1" | sed -n 's/^\(WIDTH\|HEIGHT\)=//p' | paste -sd' '; }

# Whether two pictures differ in any pixel.
differ() { ! compare -metric AE "$1" "$2" null: >/dev/null 2>&1; }
same_image() { ! differ "$1" "$2"; }

window_shot() { import -window "$1" "$2" 2>/dev/null; }

# Whether the command line answers --version with the name and version, and status 0, with no
# display to connect to.
version_answers() {
  local out
  out="$(env -u DISPLAY -u QT_QPA_PLATFORM "$program" --version)" || return 1
  say "  --version: $out"
  [[ "$out" =~ ^Quillometer\ [0-9]+\.[0-9]+\.[0-9]+$ ]]
}

# Whether an unknown option ends the program with status 2 and a message, before any window.
bad_option_fails() {
  local status=0
  QT_QPA_PLATFORM=xcb timeout 10 "$program" --no-such-option >/dev/null 2>"$work/bad.err" || status=$?
  say "  status $status: $(grep -m 1 -i option "$work/bad.err")"
  [ "$status" -eq 2 ] && grep -q "no-such-option" "$work/bad.err"
}

# Presses keys in window $1 with the pointer over it, as focus follows the pointer here.
keys_in() {
  local id="$1"
  shift
  xdotool windowfocus --sync "$id" 2>/dev/null || true
  xdotool mousemove --window "$id" 200 200 key --clearmodifiers "$@"
  sleep 1
}

same_names() {
  local got
  got="$(window_names)"
  [ "$got" = "$1" ] || { say "  window names: $(printf '%s' "$got" | paste -sd'|')"; return 1; }
}

is_sample_file() { grep -qF "\"file\":\"$1\"" "$sample"; }

# Whether window $1 opened at least $2 wide and $3 high, and within the 1600x1000 screen.
opens_at_least() {
  local width height
  read -r width height <<<"$(geometry "$1")"
  say "  $(xdotool getwindowname "$1"): ${width}x${height}"
  [ "$width" -ge "$2" ] && [ "$height" -ge "$3" ] && [ "$width" -le 1600 ] && [ "$height" -le 1000 ]
}

start_server
say "display $DISPLAY"
QT_QPA_PLATFORM=xcb "$program" "$sample" >"$work/program.log" 2>&1 &
pids+=($!)
main="$(wait_window "Quillometer: sample.jsonl")" || {
  cat "$work/program.log"
  say "FAILED: no window named exactly \"Quillometer: sample.jsonl\"; visible: $(window_names | paste -sd'|')"
  exit 1
}
say "ok: the main window is named \"Quillometer: sample.jsonl\""
shot 1-main
check "it is the only window" same_names "Quillometer: sample.jsonl"

# Pointing at a toolbar button puts its status tip in the status bar, and leaving clears it:
# the count beside it must come through both as it was.
status_bar() {
  window_shot "$main" "$work/window.png"
  convert "$work/window.png" -gravity South \
    -crop "$(identify -format %w "$work/window.png")x24+0+0" +repage "$1"
}
status_bar "$work/status-before.png"
xdotool mousemove --window "$main" 50 38
sleep 1
status_bar "$work/status-tip.png"
shot 1-toolbar-tip
read -r width height <<<"$(geometry "$main")"
xdotool mousemove --window "$main" "$((width / 3))" "$((height / 2))"
sleep 1
status_bar "$work/status-after.png"
check "pointing at the toolbar shows its tip in the status bar" \
  differ "$work/status-before.png" "$work/status-tip.png"
check "... and the record count is there as before once the pointer leaves" \
  same_image "$work/status-before.png" "$work/status-after.png"

row="$((width / 3)) $((height / 2))"
click_in "$main" "$row"
click_in "$main" "$row" ctrl
xdotool key --clearmodifiers ctrl+g
sleep 1
shot 2-deselected-chart
check "Chart selection with the row deselected opens no window" same_names "Quillometer: sample.jsonl"

click_in "$main" "$row"
xdotool key --clearmodifiers ctrl+g
sleep 1
chart=""
for id in $(xdotool search --onlyvisible --name '' 2>/dev/null || true); do
  [ "$id" = "$main" ] || [ -z "$(xdotool getwindowname "$id")" ] || chart="$id"
done
shot 3-chart
if [ -z "$chart" ]; then
  say "FAILED: Chart selection with a row selected opened no window"
  failures=$((failures + 1))
else
  chart_name="$(xdotool getwindowname "$chart")"
  check "the chart window is named by the charted file (\"$chart_name\")" is_sample_file "$chart_name"
  check "the chart window opens at a readable size" opens_at_least "$chart" 760 480
  xdotool windowfocus --sync "$chart" 2>/dev/null || true
  xdotool key --clearmodifiers ctrl+w
  sleep 1
  check "Ctrl+W closes the chart window, and only that" same_names "Quillometer: sample.jsonl"
fi

xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool mousemove --window "$main" $row key --clearmodifiers alt+v Down Return
if plot="$(wait_window "Log data: sample.jsonl")"; then
  say "ok: Plot all logs opens \"Log data: sample.jsonl\""
  check "the plot window opens with room for its three charts" opens_at_least "$plot" 900 760
else
  say "FAILED: Plot all logs opens no \"Log data: sample.jsonl\""
  failures=$((failures + 1))
fi
shot 4-plot
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool mousemove --window "$main" $row key --clearmodifiers alt+h Return
if help="$(wait_window "Help Window")"; then
  say "ok: Quillometer Help opens \"Help Window\""
  # 800 pixels wide, the manual's pages fitted to the width show its text at its printed size.
  check "the help window opens wide enough to read the manual" opens_at_least "$help" 800 600
else
  say "FAILED: Quillometer Help opens no \"Help Window\""
  failures=$((failures + 1))
fi
shot 5-help
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool mousemove --window "$main" $row key --clearmodifiers alt+h Down Return
check "Help > About Quillometer opens \"About Quillometer\"" has_window "About Quillometer"
shot 5-about
check "no window name carries a suffix" bash -c '! grep -q " — " <<<"$1"' _ "$(window_names)"

# Ctrl+F, a typed filter, then File > Export List as CSV… (Alt+F, E) into a file we name.
csv="$work/shown.csv"
xdotool windowfocus --sync "$main" 2>/dev/null || true
xdotool key --clearmodifiers ctrl+f
xdotool type --delay 30 "SPECIAL"
sleep 1
shot 6-filtered
xdotool key --clearmodifiers alt+f e
if dialog="$(wait_window "Export List as CSV")"; then
  xdotool windowfocus --sync "$dialog" 2>/dev/null || true
  xdotool key --clearmodifiers ctrl+a
  xdotool type --delay 10 "$csv"
  xdotool key --clearmodifiers Return
  for i in $(seq 1 50); do [ -s "$csv" ] && break; sleep 0.1; done
fi
special="$(grep -o '"file":"[^"]*"' "$sample" | grep -ci special)"
exported_rows() {
  [ -s "$csv" ] || { say "  no file written"; return 1; }
  local rows header
  header="$(head -n 1 "$csv")"
  rows="$(($(grep -c $'\r$' "$csv") - 1))"
  say "  $rows rows exported, $special expected"
  [ "$header" = $'previous,time,interval_s,size,rate,file,unix_time,total_bytes\r' ] &&
    [ "$rows" -eq "$special" ] && [ "$(tail -n +2 "$csv" | grep -vc Special || true)" -eq 0 ]
}
check "the filtered list exports as CSV with only the rows shown" exported_rows
shot 7-exported

check "--version prints the name and version without a display" version_answers
check "an unknown option ends the program with an error" bad_option_fails

# A second instance on a file that then grows: F5 must show the new lines.
grow="$work/grow.jsonl"
head -n 3 "$sample" >"$grow"
QT_QPA_PLATFORM=xcb "$program" "$grow" >"$work/grow.log" 2>&1 &
pids+=($!)
grow_pid=$!
if second="$(wait_window "Quillometer: grow.jsonl")"; then
  sleep 0.5
  window_shot "$second" "$work/grow-before.png"
  tail -n +4 "$sample" >>"$grow"
  keys_in "$second" F5
  window_shot "$second" "$work/grow-after.png"
  shot 8-reloaded
  check "F5 reads the file again: the window shows the lines added" \
    differ "$work/grow-before.png" "$work/grow-after.png"
  # Followed, the file's new lines show with no key pressed; the last, cut, waits for its end.
  keys_in "$second" ctrl+shift+f
  sleep 1.5
  window_shot "$second" "$work/follow-before.png"
  head -n 2 "$sample" >>"$grow"
  printf '%s' "$(head -n 1 "$sample" | cut -c1-40)" >>"$grow"
  sleep 2.5
  window_shot "$second" "$work/follow-after.png"
  shot 8-followed
  check "Follow File shows the lines written to the file, with no key pressed" \
    differ "$work/follow-before.png" "$work/follow-after.png"
  check "the loaded file is kept for Open Recent" \
    grep -qF "$grow" "$XDG_CONFIG_HOME/Quillometer/Quillometer.conf"
  # The first instance finds it first in its Open Recent menu.
  keys_in "$main" alt+f r 1
  check "Open Recent's first entry loads the file of the other instance" \
    test "$(xdotool getwindowname "$main")" = "Quillometer: grow.jsonl"
  shot 9-open-recent
  rm "$grow"
  keys_in "$second" F5
  shot 10-reload-vanished
  check "F5 on a vanished file keeps the window and its name" \
    test "$(xdotool getwindowname "$second" 2>/dev/null)" = "Quillometer: grow.jsonl"
  check "... and the program running" kill -0 "$grow_pid"
else
  say "FAILED: no window named \"Quillometer: grow.jsonl\""
  failures=$((failures + 1))
fi

if [ "$failures" -ne 0 ]; then
  say "$failures check(s) failed; the program said:"
  cat "$work/program.log"
  [ -f "$work/grow.log" ] && cat "$work/grow.log"
  exit 1
fi
say "every check passed"
