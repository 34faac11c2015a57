# Sourced: a private Wine prefix and X display for one run, and their cleanup.
# wine_session_start PREFIX LANGUAGE starts an X server (unless one is given in
# DISPLAY and TQ7_OWN_DISPLAY is not set) and the prefix's wineserver with all
# three streams away from the caller's pipes, which they would otherwise hold.

tq7_xvfb_pid=""
tq7_prefixes=()

wine_session_display() {
    if [ -n "${DISPLAY:-}" ] && [ -z "${TQ7_OWN_DISPLAY:-}" ]; then return; fi
    local number
    for number in $(seq 91 140); do
        [ -e "/tmp/.X11-unix/X${number}" ] || [ -e "/tmp/.X${number}-lock" ] && continue
        Xvfb ":${number}" -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
        tq7_xvfb_pid=$!
        export DISPLAY=":${number}"
        local waited
        for waited in $(seq 1 100); do
            [ -e "/tmp/.X11-unix/X${number}" ] && return
            sleep 0.05
        done
        echo "Xvfb did not start on :${number}" >&2
        return 1
    done
    echo "no free X display number" >&2
    return 1
}

wine_session_prefix() {
    local prefix=$1 language=$2
    export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
    export WINEARCH=win32 LANG=$language LC_ALL=$language
    tq7_prefixes+=("$prefix")
    if [ ! -f "$prefix/system.reg" ]; then
        # Made once and left to settle before anything runs in parallel in it.
        mkdir -p "$(dirname "$prefix")"
        wineboot --init </dev/null >/dev/null 2>&1
        wineserver -w </dev/null >/dev/null 2>&1
    fi
    wineserver -p </dev/null >/dev/null 2>&1
    # Without a window manager Wine waits whenever a window is hidden.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
}

wine_session_stop() {
    local prefix
    for prefix in "${tq7_prefixes[@]}"; do
        WINEPREFIX=$prefix wineserver -k </dev/null >/dev/null 2>&1 || true
    done
    tq7_prefixes=()
    if [ -n "$tq7_xvfb_pid" ]; then
        kill "$tq7_xvfb_pid" 2>/dev/null || true
        wait "$tq7_xvfb_pid" 2>/dev/null || true
        tq7_xvfb_pid=""
    fi
}
