#!/usr/bin/env bash
# End-to-end: the real program on a private Xvfb display, driven by xdotool like a user would.
# Usage: e2e_xvfb.sh PATH_TO_TARVOLIN PATH_TO_DESKTOP_ENTRY
set -euo pipefail

binary=$(readlink -f "$1")
work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
    [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Retries a check every 50 ms until it holds, so each step waits exactly as long as the
# program needs; a step that never comes fails after 30 s instead of hanging.
wait_until() { # what command...
    local what=$1
    shift
    for _ in $(seq 600); do "$@" && return 0; sleep 0.05; done
    fail "timed out waiting for $what"
}

# 0. The command line. --help and --version print and end, an unknown option ends with 2; none of
# them opens a window (with no display to open one on, Qt would abort) or writes a file.
mkdir "$work/cli"
cli() { (cd "$work/cli" && exec env -u DISPLAY QT_QPA_PLATFORM=xcb "$binary" "$@") >"$work/out" 2>"$work/err"; }
cli --help || fail "--help ended with $?: $(cat "$work/err")"
grep -q 'Usage: tarvolin .*\[URL\]' "$work/out" && grep -q -- --desktop-launch "$work/out" || fail "--help: $(cat "$work/out")"
cli --version || fail "--version ended with $?: $(cat "$work/err")"
grep -qx 'Tarvolin [0-9.]*' "$work/out" || fail "--version: $(cat "$work/out")"
status=0 && cli --no-such-option || status=$?
[ $status = 2 ] && [ ! -s "$work/out" ] && [ "$(head -n 1 "$work/err")" = "Unknown option 'no-such-option'." ] &&
    [ "$(sed -n 2p "$work/err" | cut -c1-6)" = Usage: ] || fail "unknown option: $status $(cat "$work/err")"
[ -z "$(ls -A "$work/cli")" ] || fail "the command line wrote $(ls -A "$work/cli")"

# Xvfb picks a free display itself and writes its number once it takes connections: two runs
# at once (a second checkout, a mutation run) never share a display. -noreset: by default the
# server resets whenever its last client (each xdotool call) leaves, and refuses the program's
# connection if it comes in the middle.
Xvfb -displayfd 3 -noreset -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
wait_until "Xvfb to start" eval '[ -s "$work/display" ] || ! kill -0 "$xvfb_pid"'
export DISPLAY=":$(cat "$work/display")"
xdpyinfo >/dev/null 2>&1 || fail "Xvfb did not start: $(cat "$work/xvfb.log")"

# A recording opener first on PATH, so Launch URL hands its text to us, not to a browser. It
# records how many arguments it got and the first; the file appears by rename, complete. Every
# first argument is also added to a log.
mkdir "$work/bin" "$work/run"
cat >"$work/bin/xdg-open" <<'SH'
#!/bin/sh
printf '%s\n' "$1" >> "$TARVOLIN_E2E_OPENED.log"
printf '%s\n%s\n' "$#" "$1" > "$TARVOLIN_E2E_OPENED.tmp" && mv "$TARVOLIN_E2E_OPENED.tmp" "$TARVOLIN_E2E_OPENED"
SH
chmod +x "$work/bin/xdg-open"
export TARVOLIN_E2E_OPENED="$work/opened.txt"

# Sets $found to the visible window titled exactly $1.
shown() { found=$(xdotool search --onlyvisible --name "^$1\$" | head -n 1) && [ -n "$found" ]; }
gone() { ! xdotool search --onlyvisible --name "^$1\$" >/dev/null; }
# Without a window manager nobody hands out the keyboard focus, so the script does.
focused() { xdotool windowfocus "$1" 2>/dev/null && [ "$(xdotool getwindowfocus)" = "$1" ]; }
# Pop-up menus and drop-down lists are the program's visible windows besides the main one.
popups() { [ "$(xdotool search --onlyvisible --classname '^tarvolin$' | grep -cvx "$wid")" -eq "$1" ]; }

start_app() { # [argument...]; $vm_limit, when set, limits the address space (ulimit -v)
    (cd "$work/run" && ulimit -v "${vm_limit:-unlimited}" &&
        PATH="$work/bin:$PATH" QT_QPA_PLATFORM=xcb exec "$binary" "$@") \
        >"$work/app.log" 2>&1 &
    app_pid=$!
    wait_until "the Tarvolin window" shown Tarvolin
    wid=$found
    wait_until "focus on the Tarvolin window" focused "$wid"
    # The layout is 11655 twips wide, scaled to the font: its pixels give the scale.
    width=$(xdotool getwindowgeometry --shell "$wid" | sed -n 's/^WIDTH=//p')
}

# Controls are placed in twips. Clicks go to a control's middle.
px() { echo $(($1 * width / 11655)); }
click_at() { # left top width height [button]
    xdotool mousemove --window "$wid" "$(px $(($1 + $3 / 2)))" "$(px $(($2 + $4 / 2)))" click "${5:-1}"
}

wait_exit() {
    wait_until "the program to end" eval '! kill -0 "$app_pid" 2>/dev/null'
    app_pid=""
}

expect_file() { # path expected-text (compared byte for byte, with a final line end)
    printf '%s\n' "$2" >"$work/expected"
    cmp -s "$1" "$work/expected" || fail "$1 holds:
$(cat -A "$1" 2>/dev/null)
expected:
$(cat -A "$work/expected")"
}

# Picks entry n (1-based) of a drop-down with the keyboard, as a user choosing from its list.
choose_from_dropdown() { # left top width height n
    click_at "$1" "$2" "$3" "$4"
    xdotool key --clearmodifiers F4
    wait_until "the drop-down list" popups 1
    xdotool key Home
    for _ in $(seq 2 "$5"); do xdotool key Down; done
    xdotool key Return
    wait_until "the drop-down list to close" popups 0
}

# Clicks Launch URL (or presses its key) and checks that the opener received the text as one
# argument.
launch_and_expect() { # expected-url [key]
    rm -f "$work/opened.txt"
    if [ -n "${2:-}" ]; then xdotool key --clearmodifiers "$2"; else click_at 120 6000 1215 255; fi
    wait_until "the opener" test -e "$work/opened.txt"
    expect_file "$work/opened.txt" "1
$1"
}

# 1. First start: the default engine is created; Exit stores the shown engine and query key.
start_app
xprop -id "$wid" _NET_WM_ICON | grep -q CARDINAL || fail "the window has no icon"
click_at 120 480 855 255 # cmdExit
wait_exit
expect_file "$work/run/tarvolin.ini" "[Engine]
Altavista=Query?
[LastUsed]
engine=Altavista
querykey=Query?"

# 2. Paste a URL into the URL box (Ctrl+L) and parse it with Enter, pick a remembered value,
# compose and launch by key.
printf '[hl=]\nen=en\nde=de\n[num=]\n10=10\n' >"$work/run/Altavista.ini"
start_app
click_at 120 5640 11415 285 # txtNewURL, to cut the URL from
xdotool type --delay 20 'http://x.test/cgi-bin/query?pg=q&hl=fr&q=cats'
xdotool key --clearmodifiers ctrl+a ctrl+x ctrl+l ctrl+v Return
choose_from_dropdown 3960 1920 1695 315 1 # cmbKey(1), the row of "hl=": first entry, "en"
xdotool key --clearmodifiers ctrl+Return # cmdNewURL
launch_and_expect "http://x.test/cgi-bin/query?pg=q&hl=en&q=cats" ctrl+shift+Return
expect_file "$work/run/Altavista.ini" "[hl=]
en=en
de=de
fr=fr
[num=]
10=10
[pg=]
q=q"

# Shift+Delete in the open drop-down forgets the highlighted value, "de", in the file too.
click_at 3960 1920 1695 315 # cmbKey(1)
xdotool key --clearmodifiers F4
wait_until "the drop-down list" popups 1
xdotool key Home Down shift+Delete Escape
wait_until "the drop-down list to close" popups 0
expect_file "$work/run/Altavista.ini" "[hl=]
en=en
fr=fr
[num=]
10=10
[pg=]
q=q"

# 3. A right-click on a free row's label offers the engine's other keys; pick one.
click_at 120 2640 1695 255 3 # lblKey(3), right button: the pop-up opens at the pointer
wait_until "the pop-up menu" popups 1
xdotool key Down Right # "Add additional key" > its first entry, "num="
wait_until "the submenu" popups 2
xdotool key Return
wait_until "the pop-up menu to close" popups 0
click_at 2280 2640 1575 285 # txtKey(3)
# Escapes, blanks, quotes and shell syntax must reach the opener as typed, and run nothing.
value='5%2f0 $(touch pwned);"a" '"'b'"'|`touch pwned2`\*'
xdotool type "$value"
click_at 120 5160 1215 375 # cmdNewURL
launch_and_expect "http://x.test/cgi-bin/query?pg=q&hl=en&q=cats&num=$value"
[ ! -e "$work/run/pwned" ] && [ ! -e "$work/run/pwned2" ] || fail "the URL ran as a command"

# Launch URL opens web addresses only: a file, a share, a script or a path typed over the URL
# (a click selects the whole box) never reaches the opener.
rm -f "$work/opened.txt.log"
for text in 'file:///bin/sh#Query?hl=en' 'smb://host/share/x.exe' 'javascript:alert(1)//' \
    '/bin/sh' '\\host\share\x.exe' 'http://' 'HTTPS://x/y' 'http://x/Query?a=b'; do
    click_at 120 5640 11415 285 # txtNewURL
    xdotool type "$text"
    case $text in [hH]*//?*) launch_and_expect "$text" ;; *) click_at 120 6000 1215 255 ;; esac
done
expect_file "$work/opened.txt.log" "HTTPS://x/y
http://x/Query?a=b"

# 4. Add an engine through the dialog; it becomes the engine stored on exit.
click_at 9240 480 1455 255 # cmdNewEngine
wait_until "the dialog" shown 'Add search engine & query key'
dialog=$found
wait_until "focus on the dialog" focused "$dialog"
xdotool type 'Example'
xdotool key Tab
xdotool type 'search?'
xdotool mousemove --window "$dialog" "$(px $((3600 + 1095 / 2)))" "$(px $((1440 + 255 / 2)))" click 1
wait_until "the dialog to close" gone 'Add search engine & query key'
click_at 120 480 855 255 # cmdExit
wait_exit
expect_file "$work/run/tarvolin.ini" "[Engine]
Altavista=Query?
Example=search?
[LastUsed]
engine=Example
querykey=search?"

# A URL on the command line is parsed at start: its values reach the engine's file. The Quit key
# saves on the way out as Exit does.
start_app 'http://x.test/search?kl=de&q=x'
xdotool key --clearmodifiers ctrl+q
wait_exit
expect_file "$work/run/Example.ini" "[kl=]
de=de"

# 5. Started as the menu entry starts it, the files go to ~/.local/share/tarvolin, created on
# the way; the working folder is left alone.
unset XDG_DATA_HOME
mkdir "$work/home"
cp "$work/run/tarvolin.ini" "$work/shell.ini"
# The entry's arguments, split as the menu splits them; %u, the URL, is dropped when none comes.
arguments=$(sed -n 's/^Exec=tarvolin//p' "$2")
[[ $arguments == *' %u' ]] || fail "the entry passes no URL: $arguments"
# shellcheck disable=SC2086
HOME="$work/home" start_app ${arguments% %u}
click_at 120 480 855 255 # cmdExit
wait_exit
expect_file "$work/home/.local/share/tarvolin/tarvolin.ini" "[Engine]
Altavista=Query?
[LastUsed]
engine=Altavista
querykey=Query?"
cmp -s "$work/run/tarvolin.ini" "$work/shell.ini" || fail "a menu start wrote into the working folder"

# 6. Profile files over 256 MiB (sparse here) are neither read nor written: with too little
# address space to read one whole, the program starts, parses and exits, and both files stay as
# they were, sparse. (Not under AddressSanitizer, whose shadow memory needs the address space.)
rm "$work/run/tarvolin.ini"
truncate -s $((256 * 1024 * 1024 + 1)) "$work/run/tarvolin.ini" "$work/run/Altavista.ini"
files() { stat -c '%i %s %b %Y' "$work/run/tarvolin.ini" "$work/run/Altavista.ini"; }
before=$(files)
grep -qa __asan_init "$binary" || vm_limit=450000
vm_limit=${vm_limit:-unlimited} start_app
click_at 1080 120 9615 285 # txtParseMe
xdotool type --delay 20 'http://x.test/Query?hl=en'
click_at 120 120 855 255 # cmdParse
click_at 120 480 855 255 # cmdExit
wait_exit
[ "$(files)" = "$before" ] || fail "a profile file over 256 MiB was changed"
