#!/usr/bin/env bash
# End to end: the real tovl executable in a real X server (Xvfb) under a window manager
# (openbox), driven with xdotool; what is on the screen is read from Xvfb's framebuffer file.
#   1. A UTF-8 LF script, as Linux editors save it, sets the caption, shows a message box that
#      must open centred on the window and hold the run until confirmed, saves a file and ends
#      with "fendp" (status 0).
#   2. A script that loops for ever: its first line is on the screen within a second, and
#      closing the window ends the process within a second with status 0.
#   3. A script that cannot be read, or two scripts: a box titled TOVL, the reason on stderr,
#      status 2. --help and --version without a display.
#   4. No argument: the file chooser takes a typed path, runs that script and remembers its
#      folder; Cancel ends with status 0.
#   5. After 45 empty lines and 16 of "#" a message or input box opens, and the window shows the
#      end of its output. Closing the window (Alt+F4 on it) meanwhile ends the run at once,
#      status 0.
#   6. A message of 16 Mi characters: its box is on the screen within a second and fits it, and
#      Alt+F4 closes it.
#   7. A loop that prints without end: the process stays under 150 MB, and the output kept out
#      of memory is in files that $XDG_RUNTIME_DIR does not list.
#   8. tovl --ask before a script that starts a program: nothing runs while the question is
#      open, nor after "Don't run" or closing it; "Run once" runs it; "Always run this version"
#      and "Trust this folder" run it and later starts too, until a byte changes; a downloaded
#      script (on the build's disk, where user attributes are kept) needs a second yes.
set -euo pipefail
tovl=$(realpath "$1")
here=$(dirname "$(realpath "$0")")
work=$(mktemp -d)
disk=$(mktemp -d "$(dirname "$tovl")/endtoend.XXXXXX")
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work" "$disk"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Xvfb picks a free display number and writes it to the descriptor we give it.
exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1024x768x24 -fbdir "$work" -nolisten tcp \
  >"$work/xvfb.log" 2>&1 &
read -r -t 10 -u "$displayfd" number || fail "Xvfb did not start"
mkdir "$work/runtime"
export DISPLAY=":$number" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime" \
  HOME="$work/home" XDG_DATA_HOME="$work/home/data"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM
openbox --startup "touch $work/wm-ready" >"$work/openbox.log" 2>&1 &
for _ in $(seq 100); do [[ -e $work/wm-ready ]] && break; sleep 0.1; done
[[ -e $work/wm-ready ]] || fail "openbox did not start"

mkdir "$work/run" && cd "$work/run"

# The id of the first visible window whose name matches $1, waiting up to 10 s.
find_window() {
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1) && [[ -n $id ]] &&
      { echo "$id"; return; }
    sleep 0.1
  done
  fail "no window named '$1'"
}
# Sets main and box to the ids of the window and of its box, both named TOVL, once both are
# on the screen; waits up to $1 seconds (10 unless given).
find_window_and_box() {
  local id
  for _ in $(seq $((${1:-10} * 20))); do
    main="" box=""
    for id in $(xdotool search --onlyvisible --name '^TOVL$' 2>/dev/null); do
      if xprop -id "$id" WM_TRANSIENT_FOR | grep -q 'window id'; then box=$id; else main=$id; fi
    done
    [[ -n $main && -n $box ]] && return
    sleep 0.05
  done
  fail "no window with a box"
}
# Sets X Y WIDTH HEIGHT to the window's inside, in screen coordinates. (xdotool's geometry
# counts a window manager's title bar twice.)
measure() {
  eval "$(xwininfo -id "$1" | awk -F: '
    /Absolute upper-left X/ { print "X=" $2 } /Absolute upper-left Y/ { print "Y=" $2 }
    /^ *Width/ { print "WIDTH=" $2 } /^ *Height/ { print "HEIGHT=" $2 }' | tr -d ' ')"
}
# Waits up to $2 seconds for process $1 to end; its exit status goes to $status.
ends_within() {
  timeout "$2" tail -s 0.02 --pid="$1" -f /dev/null || return 1
  status=0
  wait "$1" || status=$?
}

# 1. Caption, a centred message box that holds the run, a saved file, fendp.
printf '%s\n' "fnumv9" "fsetv1Café ☕ naïve [*] <b>" "ftitl1" "fsetv2Saved <i>soon</i>" \
  "fmsgb2" "fsetv3été.txt" "ssave13" "fendp" "fsetv4never" "ssave43" > e2e.tovl
"$tovl" e2e.tovl &
app=$!
main=$(find_window '^Café ☕ naïve \[\*\] <b>$')
box=$(find_window '^TOVL$')
[[ -e été.txt ]] && fail "the run went on while the message box was open"
measure "$main"; main_centre=$((X + WIDTH / 2)),$((Y + HEIGHT / 2))
measure "$box"; box_centre=$((X + WIDTH / 2)),$((Y + HEIGHT / 2))
# The two title bars are alike, so the insides' centres meet to within a few pixels.
(( ${main_centre%,*} - ${box_centre%,*} < 5 && ${box_centre%,*} - ${main_centre%,*} < 5 &&
   ${main_centre#*,} - ${box_centre#*,} < 5 && ${box_centre#*,} - ${main_centre#*,} < 5 )) ||
  fail "box centred at $box_centre, the window at $main_centre"
xdotool windowactivate --sync "$box" key Return
ends_within "$app" 10 || fail "tovl did not end after fendp"
[[ $status -eq 0 ]] || fail "exit status $status after fendp, expected 0"
printf 'Café ☕ naïve [*] <b>\r\n' | cmp -s - été.txt || fail "été.txt holds $(od -An -c été.txt)"
echo "ok: caption, centred message box, file and exit status"

# 2. A loop that never ends: painted at once, and closed from the window manager.
printf '%s\n' "fnumv3" "fsetv1First line, then a loop" "fprnt1" "fnewl" "fgoto5" > loop.tovl
python3 "$here/first_paint.py" "$work/Xvfb_screen0" watch.txt >painted.txt &
watcher=$!
"$tovl" loop.tovl &
app=$!
main=$(find_window '^TOVL$')
shown=$(date +%s%N)
measure "$main"
echo "$X $Y $WIDTH $HEIGHT $shown" >watch.tmp && mv watch.tmp watch.txt
wait "$watcher" || fail "the loop's window was not painted"
painted=$(cat painted.txt)
((painted <= 1000)) || fail "the first line was not on the screen ${painted} ms after the window"
kill -0 "$app" || fail "the loop ended by itself"
xdotool windowactivate --sync "$main" key alt+F4
closed=$(date +%s%N)
ends_within "$app" 5 || fail "tovl went on running after its window was closed"
took=$((($(date +%s%N) - closed) / 1000000))
((took <= 1000)) || fail "tovl ended ${took} ms after its window was closed"
[[ $status -eq 0 ]] || fail "exit status $status after the close, expected 0"
echo "ok: loop painted within ${painted} ms, ended ${took} ms after the close"

# 3. A script that cannot be read, and wrong arguments.
mkdir folder.tovl
printf '\xff\xfef\0n\0' >utf16.tovl
for case in "missing.tovl|cannot read missing.tovl: File not found" \
  "folder.tovl|cannot read folder.tovl: it is a folder" "a.tovl b.tovl|one script at a time" \
  "utf16.tovl|cannot read utf16.tovl: it is UTF-16 text"; do
  read -ra arguments <<<"${case%|*}"
  "$tovl" "${arguments[@]}" 2>stderr.txt &
  app=$!
  box=$(find_window '^TOVL$')
  grep -q "^tovl: ${case#*|}" stderr.txt || fail "tovl ${case%|*}: stderr holds $(cat stderr.txt)"
  xdotool windowactivate --sync "$box" key Return
  ends_within "$app" 10 || fail "tovl ${case%|*} did not end after the start-up box"
  [[ $status -eq 2 ]] || fail "tovl ${case%|*}: exit status $status, expected 2"
done
# --help and --version need no display.
[[ $(env -u DISPLAY "$tovl" --version) == "tovl "* ]] || fail "tovl --version without a display"
env -u DISPLAY "$tovl" --help | grep -q "^usage: tovl" || fail "tovl --help without a display"
echo "ok: start-up error boxes, stderr and status 2; --help and --version"

# 4. The file chooser: a typed path, the remembered folder, Cancel.
mkdir "$work/scripts"
printf '%s\n' "fnumv3" "fsetv1chosen" "fsetv2chosen.txt" "ssave12" "fendp" \
  > "$work/scripts/chosen.tovl"
"$tovl" &
app=$!
chooser=$(find_window 'choose a script')
xdotool windowactivate --sync "$chooser" type --delay 5 "$work/scripts/chosen.tovl"
xdotool key Return
ends_within "$app" 10 || fail "the chosen script did not run to its fendp"
[[ $status -eq 0 && -e chosen.txt ]] || fail "status $status, chosen.txt: $(ls)"
grep -qx "last_folder=$work/scripts" "$XDG_CONFIG_HOME/tovl/tovl.conf" ||
  fail "the folder was not remembered: $(cat "$XDG_CONFIG_HOME/tovl/tovl.conf")"
"$tovl" &
app=$!
chooser=$(find_window 'choose a script')
xdotool windowactivate --sync "$chooser" key Escape
ends_within "$app" 10 || fail "tovl did not end after Cancel"
[[ $status -eq 0 ]] || fail "exit status $status after Cancel, expected 0"
echo "ok: file chooser with a typed path, remembered folder and Cancel"

# 5. The end of the output in view behind a box; closing the window, not the box, meanwhile.
for keyword in fmsgb1 finpt21; do
  printf '%s\n' "fnumv5" "fsetv01" "fsetv51" "fsetv245" "fsetv360" "fsetv4##########" "fnewl" \
    "fifvr25>" "fmath505+" "fgoto7" "endif" "fprnt4" "fnewl" "fifvr35>" "fmath505+" "fgoto12" \
    "endif" "fsetv1Close the window" "$keyword" "fsetv3after.txt" "ssave13" >box.tovl
  "$tovl" box.tovl &
  app=$!
  find_window_and_box
  # Left of the box, above the status line, the lines of "#" are in sight.
  measure "$main"
  read -r _ dark < <(python3 "$here/first_paint.py" "$work/Xvfb_screen0" --shares \
    $((X + 2)) $((Y + 2)) 40 $((HEIGHT - 40)))
  ((dark >= 5)) || fail "$keyword: the end of the output is not in view ($dark% dark)"
  xdotool windowactivate --sync "$main" key alt+F4
  ends_within "$app" 5 || fail "$keyword: tovl went on running after its window was closed"
  [[ $status -eq 0 ]] || fail "$keyword: exit status $status after the close, expected 0"
  [[ -e after.txt ]] && fail "$keyword: the line after the box ran"
done
echo "ok: the end of the output in view behind a box; closing the window then ends the run"

# 6. A message of 2^24 characters, made by doubling, then a file and fendp.
{
  printf '%s\n' "fnumv3" "fsetv1x"
  for _ in $(seq 24); do echo "fappd111"; done
  printf '%s\n' "fmsgb1" "fsetv2shown.txt" "ssave12" "fendp"
} >huge.tovl
started=$(date +%s%N)
"$tovl" huge.tovl &
app=$!
find_window_and_box 5
took=$((($(date +%s%N) - started) / 1000000))
((took <= 1000)) || fail "the box of a long message was on the screen ${took} ms after the start"
eval "$(xwininfo -frame -id "$box" | awk -F: '
  /Absolute upper-left X/ { print "X=" $2 } /Absolute upper-left Y/ { print "Y=" $2 }
  /^ *Width/ { print "WIDTH=" $2 } /^ *Height/ { print "HEIGHT=" $2 }' | tr -d ' ')"
((X >= 0 && Y >= 0 && X + WIDTH <= 1024 && Y + HEIGHT <= 768)) ||
  fail "the box of a long message, ${WIDTH}x${HEIGHT} at $X,$Y, is not within the screen"
xdotool windowactivate --sync "$box" key alt+F4
ends_within "$app" 10 || fail "the long message's box did not close on Alt+F4"
[[ $status -eq 0 && -s shown.txt ]] || fail "status $status after the long message, expected 0"
echo "ok: the box of a long message is on the screen within ${took} ms and fits it"

# 7. Printing without end for 2 s.
printf '%s\n' "fnumv1" "fsetv1$(printf 'x%.0s' {1..45})" "fprnt1" "fnewl" "fgoto3" >print.tovl
"$tovl" print.tovl &
app=$!
main=$(find_window '^TOVL$')
sleep 2
resident=$(awk '/^VmRSS/ { print int($2 / 1024) }' "/proc/$app/status")
scratch=$(find "/proc/$app/fd" -lname "$work/runtime/* (deleted)" | wc -l)
listed=$(ls -A "$work/runtime" | wc -l)
xdotool windowactivate --sync "$main" key alt+F4
ends_within "$app" 5 || fail "the printing loop went on after its window was closed"
((resident < 150)) || fail "the printing loop takes ${resident} MB after 2 s"
((scratch > 0 && listed == 0)) ||
  fail "$scratch unnamed files in \$XDG_RUNTIME_DIR, which lists $listed"
echo "ok: a printing loop takes ${resident} MB after 2 s"

# 8. The question of tovl --ask, answered with its buttons' keys: Alt and the underlined letter.
# Starts tovl --ask on $1 and waits for its question: nothing has run by then.
ask() {
  "$tovl" --ask "$1" &
  app=$!
  find_window_and_box
  sleep 0.3
  [[ -e MARK ]] && fail "$1 ran while the question was open"
  return 0
}
# Presses the keys $1 in the box; then waits for another box, or with "end" for tovl to end
# with status 0, MARK made or, with "end nothing", not.
answer() {
  local asked=$box
  xdotool windowactivate --sync "$box" key "$1"
  if [[ ${2:-} == box ]]; then
    for _ in $(seq 100); do find_window_and_box; [[ $box != "$asked" ]] && return; sleep 0.05; done
    fail "$1 opened no other box"
  fi
  ends_within "$app" 10 || fail "tovl went on after $1"
  [[ $status -eq 0 ]] || fail "exit status $status after $1, expected 0"
  if [[ ${3:-} == nothing ]]; then
    sleep 0.2
    [[ ! -e MARK ]] || fail "the script ran after $1"
  else
    for _ in $(seq 50); do [[ -e MARK ]] && break; sleep 0.1; done
    [[ -e MARK ]] || fail "the script did not run after $1"
  fi
  rm -f MARK
}
# Runs $1 with --ask, expecting no question: it runs and ends by itself.
runs_at_once() {
  "$tovl" --ask "$1" &
  app=$!
  ends_within "$app" 10 || fail "$1 did not run at once"
  for _ in $(seq 50); do [[ -e MARK ]] && break; sleep 0.1; done
  [[ $status -eq 0 && -e MARK ]] || fail "$1 did not run at once: status $status"
  rm -f MARK
}
printf '%s\n' "' version 1" "fnumv1" "fsetv1touch MARK" "frexe1" "fendp" >ask.tovl
ask ask.tovl && answer alt+F4 end nothing
ask ask.tovl && answer alt+d end nothing
ask ask.tovl && answer alt+r end
ask ask.tovl && answer alt+a end
runs_at_once ask.tovl
sed -i 's/version 1/version 2/' ask.tovl
ask ask.tovl && answer alt+d end nothing
mkdir trusted && cp ask.tovl trusted/ && sed "s/version 2/other/" ask.tovl >trusted/other.tovl
ask trusted/ask.tovl && answer alt+t end
runs_at_once trusted/other.tovl
cp ask.tovl "$disk/downloaded.tovl"
setfattr -n user.xdg.origin.url -v https://example.com/x.tovl "$disk/downloaded.tovl" ||
  fail "the build's disk keeps no user attributes"
ask "$disk/downloaded.tovl" && answer alt+a box && answer alt+n box && answer alt+a box &&
  answer alt+y end
runs_at_once "$disk/downloaded.tovl"
echo "ok: --ask: Don't run, Run once, Always run this version, Trust this folder, downloaded"
