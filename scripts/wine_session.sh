# Sourced: a private Wine prefix and X display for one run, and their cleanup.
# wine_session_start PREFIX LANGUAGE starts an X server (unless one is given in
# DISPLAY and TQ7_OWN_DISPLAY is not set) and the prefix's wineserver with all
# three streams away from the caller's pipes, which they would otherwise hold.

tq7_xvfb_pid=""
tq7_prefixes=()

# The binfmt_misc entry under which setup.sh registers its i386 emulator on
# machines that cannot execute 32-bit programs.
binfmt_entry=tq7_sheet_i386

# The emulator that the kernel runs i386 programs through (the project's or
# any other enabled registration), or nothing when they run natively.
i386_interpreter() {
    local entry magic
    for entry in /proc/sys/fs/binfmt_misc/*; do
        case ${entry##*/} in register | status) continue ;; esac
        [ "$(head -1 "$entry" 2>/dev/null)" = enabled ] || continue
        magic=$(sed -n 's/^magic //p' "$entry")
        # ELF, 32-bit, little-endian, machine 3 (i386) at byte 18.
        [ "${magic:0:12}" = 7f454c460101 ] && [ "${magic:36:4}" = 0300 ] || continue
        sed -n 's/^interpreter //p' "$entry"
        return
    done
}

# The version that a qemu-i386 binary reports (10.0.13), or nothing.
qemu_version() {
    "$1" --version 2>/dev/null | sed -n '1s/^qemu-i386 version \([^ ]*\).*/\1/p'
}

# One phrase for reports and benchmarks: "natively" or "through qemu-i386 10.0.2".
i386_run_mode() {
    local interpreter version
    interpreter=$(i386_interpreter)
    if [ -z "$interpreter" ]; then
        echo natively
        return
    fi
    version=$(qemu_version "$interpreter")
    echo "through ${interpreter##*/}${version:+ $version}"
}

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
    # Benchmarks print it beside their figures.
    TQ7_I386_RUNS=$(i386_run_mode)
    export TQ7_I386_RUNS
    tq7_prefixes+=("$prefix")
    if [ ! -f "$prefix/system.reg" ]; then
        # Made once and left to settle before anything runs in parallel in it.
        # Bounded: about 11 s when 32-bit programs run through qemu-i386.
        mkdir -p "$(dirname "$prefix")"
        if ! timeout 300 wineboot --init </dev/null >/dev/null 2>&1 ||
            ! timeout 300 wineserver -w </dev/null >/dev/null 2>&1; then
            echo "wine_session: could not make the Wine prefix $prefix" >&2
            wineserver -k </dev/null >/dev/null 2>&1 || true
            rm -rf "$prefix"
            return 1
        fi
    fi
    wineserver -p </dev/null >/dev/null 2>&1
    # Without a window manager Wine waits whenever a window is hidden.
    timeout 120 wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f </dev/null >/dev/null 2>&1
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
