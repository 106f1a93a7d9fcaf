# Sourced by the scripts that run Windows programs: Wine's settings, a prefix of our own and
# a virtual X display.  WINEARCH (win32, the default, or win64) picks the Wine of that width
# and "$WINE" runs it.  Ends only the Xvfb that it started itself.

export WINEARCH=${WINEARCH:-win32}
export WINEDEBUG=-all
# No Mono or Gecko installer prompts; a test may also turn off more (winedbg, for one).
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export LC_ALL=C.UTF-8                       # Wine's ANSI code page is then 1252
: "${WINEPREFIX:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/wineprefix-$WINEARCH}"
export WINEPREFIX
# Debian's wine wrapper picks the 32-bit loader whenever it is installed, even on a machine
# that cannot run it; 64-bit programs get the 64-bit loader by name.  One wineserver (the 64-bit
# one, where installed) serves both.
case $WINEARCH in
    win32) WINE=wine ;;
    win64) WINE=/usr/lib/wine/wine64; export WINELOADER=$WINE ;;
    *) echo "WINEARCH must be win32 or win64, not '$WINEARCH'" >&2; return 2 ;;
esac

# Whether this machine runs programs of WINEARCH's width, found out by running one: some
# x86-64 machines have no 32-bit mode ("Exec format error"); and whether the Wine of that width
# is installed.  When not, says why in one line.
wine_arch_runs() {
    [ "$WINEARCH" = win64 ] && return 0
    local out
    # Where setup could not install it (a mirror without the 32-bit packages).
    [ -x /usr/lib/wine/wine ] || { echo "32-bit Wine is not installed (the package wine32:i386)"; return 1; }
    out=$(/lib/ld-linux.so.2 --version 2>&1 >/dev/null) && return 0
    echo "this machine cannot run 32-bit x86 programs, so not 32-bit Wine" \
         "(/lib/ld-linux.so.2: ${out:-it does not run})"
    return 1
}

# For tests: ends the caller with ctest's skip code (77) and the reason, where WINEARCH's
# programs cannot run here; and with a failure where the tests' display is not up.
skip_unless_wine_arch_runs() {
    local why
    why=$(wine_arch_runs) || { echo "skipped: $why"; exit 77; }
    fixture_display || exit 1
}

# Creates the prefix when it is missing.  With no window manager under Xvfb, Wine must draw
# the caption and close box itself (Managed=N, Decorated=N) and then also takes the focus.  A
# prefix is made over again only when it is one of ours left half-made; a folder that is not
# ours is never touched.
wine_prefix_ready() {
    [ -f "$WINEPREFIX/.legalprompt-ready" ] && { wine_fonts_ready; return; }
    if [ -e "$WINEPREFIX" ] && [ ! -f "$WINEPREFIX/.legalprompt-prefix" ] &&
        [ -n "$(ls -A "$WINEPREFIX" 2>/dev/null)" ]; then
        echo "WINEPREFIX=$WINEPREFIX is not a prefix of this project's; name an empty or new folder" >&2
        return 1
    fi
    rm -rf "$WINEPREFIX"
    mkdir -p "$WINEPREFIX" && touch "$WINEPREFIX/.legalprompt-prefix" || return 1
    "$WINE" wineboot -i >/dev/null 2>&1 || { echo "wineboot failed in $WINEPREFIX" >&2; return 1; }
    "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 &&
        "$WINE" reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1 ||
        { echo "cannot set Wine's window settings in $WINEPREFIX" >&2; return 1; }
    wineserver -w
    wine_fonts_ready && touch "$WINEPREFIX/.legalprompt-ready"
}

# Debian's Wine 8 looks for its own fonts in "/usr/share/wine/../fonts", a path that its file
# layer refuses, so it never finds the Marlett font that fonts-wine installs, and draws the
# caption's close box as the letter "r".  Wine reads every font in the prefix's Fonts folder.
wine_fonts_ready() {
    local fonts=$WINEPREFIX/drive_c/windows/Fonts
    [ -f "$fonts/marlett.ttf" ] || cp /usr/share/wine/fonts/marlett.ttf "$fonts/"
}

# Starts Xvfb with screen WIDTHxHEIGHT on a display that it picks itself (-displayfd: the
# first free one), so that it never shares a display with another server; sets DISPLAY and
# XVFB_PID once the server answers (up to 10 s).
xvfb_start() {
    local size=${1:-1024x768} number n
    number=$(mktemp) || return 1
    # Its own session and no tie to the caller's output, so that it may outlive the caller.
    setsid Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$number" </dev/null >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 100); do
        n=$(head -n 1 "$number")
        if [ -n "$n" ] && [ "$(wc -l < "$number")" -ge 1 ]; then
            export DISPLAY=":$n"
            rm -f "$number"
            xdpyinfo >/dev/null 2>&1 && return 0
            break
        fi
        kill -0 "$XVFB_PID" 2>/dev/null || break
        sleep 0.1
    done
    rm -f "$number"
    echo "Xvfb did not start (screen $size)" >&2
    xvfb_stop
    return 1
}

# The display that the tests' fixture started and named in $E2E_STATE/display, when the
# caller runs under that fixture (E2E_STATE set): without it the tests fail, never falling
# back to some other display.
fixture_display() {
    [ -n "${E2E_STATE:-}" ] || return 0
    local n
    n=$(cat "$E2E_STATE/display" 2>/dev/null)
    if [ -z "$n" ]; then
        echo "no display: the tests' fixture (e2e_display_start) has not started one in $E2E_STATE" >&2
        return 1
    fi
    export DISPLAY=":$n"
}

# Ends the Xvfb with this PID (default: the one xvfb_start started) and waits until it is gone.
xvfb_stop() {
    local pid=${1:-${XVFB_PID:-}}
    [ -n "$pid" ] || return 0
    kill "$pid" 2>/dev/null || return 0
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    [ "$pid" = "${XVFB_PID:-}" ] && XVFB_PID=""
    return 0
}

# Starts this prefix's wineserver to stay up, detached from the caller's output, so that
# programs run later (for instance by ctest) do not leave it holding their output open.
wineserver_up() {
    setsid wineserver -p </dev/null >/dev/null 2>&1
    "$WINE" cmd /c exit </dev/null >/dev/null 2>&1 ||
        { echo "the Wine server of $WINEPREFIX did not start, or Wine cannot run a program there" >&2; return 1; }
}

# Prints the X window id of the agreement dialog once it is up; fails after 20 s.
wait_for_dialog_window() {
    local window
    for _ in $(seq 200); do
        window=$(xdotool search --name '^License Agreement$' 2>/dev/null | head -n 1)
        [ -n "$window" ] && { echo "$window"; return 0; }
        sleep 0.1
    done
    return 1
}

# Presses KEY (an xdotool key name) in the dialog WINDOW as a keyboard would, through the X
# server's test extension, once WINDOW has the keyboard focus (up to 10 s) and a moment more for
# Wine to take in that focus; fails when it never gets the focus.  (A key sent to the window
# itself, xdotool key --window, leaves Wine's keyboard out of step with the X server's, and
# dialogs that come later close by themselves.)
press_in_window() {
    local window=$1 key=$2
    for _ in $(seq 100); do
        if [ "$(xdotool getwindowfocus -f 2>/dev/null)" = "$window" ]; then
            sleep 0.3
            xdotool key "$key"
            return
        fi
        sleep 0.1
    done
    echo "the window $window never had the keyboard focus; $key was not pressed" >&2
    return 1
}

# Saves a PNG of WINDOW once it is painted: it holds more than a background and a frame, and
# two pictures in a row agree.
save_window_picture() {
    local window=$1 png=$2 previous=$2.previous.png
    for _ in $(seq 100); do
        if import -window "$window" "$png" 2>/dev/null &&
            [ "$(convert "$png" -format %k info:)" -gt 16 ] &&
            compare -metric AE "$png" "$previous" null: 2>/dev/null; then
            break
        fi
        cp "$png" "$previous" 2>/dev/null || true   # no picture yet
        sleep 0.1
    done
    rm -f "$previous"
    [ -f "$png" ]
}
