#!/usr/bin/env bash
# End to end: the real tovl executable in a real X server (Xvfb). The script, UTF-8 with LF
# line ends as Linux editors save it, sets the caption, shows a message that this test confirms
# with a key press, saves a file and ends with "fendp". Checks the window and box titles, that
# the run waits for the box, the file and the status.
set -euo pipefail
tovl=$(realpath "$1")
work=$(mktemp -d)
trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Xvfb picks a free display number and writes it to the descriptor we give it.
exec {displayfd}<> <(:)
Xvfb -displayfd "$displayfd" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
read -r -t 10 -u "$displayfd" number || fail "Xvfb did not start"
export DISPLAY=":$number"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

cd "$work"
printf '%s\n' "fnumv9" "fsetv1Café ☕ naïve [*] <b>" "ftitl1" "fsetv2Saved <i>soon</i>" \
  "fmsgb2" "fsetv3été.txt" "ssave13" "fendp" "fsetv4never" "ssave43" > e2e.tovl
"$tovl" e2e.tovl &
app=$!

xdotool search --sync --onlyvisible --name '^Café ☕ naïve \[\*\] <b>$' >/dev/null ||
  fail "no window with the script's caption"
for _ in $(seq 100); do
  box=$(xdotool search --onlyvisible --name '^TOVL$' 2>/dev/null | head -n 1) && break
  sleep 0.1
done
[[ -n ${box:-} ]] || fail "no message box titled TOVL"
[[ -e été.txt ]] && fail "the run went on while the message box was open"
xdotool windowfocus --sync "$box" key Return

status=0
timeout 10 tail --pid="$app" -f /dev/null || fail "tovl did not end after fendp"
wait "$app" || status=$?
[[ $status -eq 0 ]] || fail "exit status $status, expected 0"
printf 'Café ☕ naïve [*] <b>\r\n' | cmp -s - été.txt || fail "été.txt holds $(od -An -c été.txt)"
echo "ok: caption, message box, file and exit status"
