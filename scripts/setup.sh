#!/usr/bin/env bash
# Installs what the build, the tests and the demo need on Debian 12, as root.
# Quick when everything is already there.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
. "$here/wine_session.sh"

fail() {
    echo "setup: $*" >&2
    exit 1
}

# --- 32-bit programs -------------------------------------------------------
# Some machines cannot execute 32-bit x86 programs at all: the kernel answers
# "Exec format error" for every i386 ELF file, so Wine's 32-bit loader never
# starts. There the kernel hands those files to qemu-i386 through binfmt_misc.
# It must be qemu 10 or later: 7.2 (Debian 12's) ignores MAP_FIXED_NOREPLACE,
# and Wine then probes the whole address space at every start, about a minute
# for each process. Debian 13's qemu-user has it, as a static binary that needs
# nothing else from Debian 13; it is fetched through a private apt
# configuration and unpacked here, and the system's own sources never change.
emulator_home=/usr/local/lib/tq7_sheet
emulator=$emulator_home/qemu-i386
emulator_min_major=10

# The smallest i386 program: it exits with 42 through int 0x80, so a run is
# told from the shell's own failures (126, 127).
write_probe() {
    local header='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00'
    header+='\x02\x00\x03\x00\x01\x00\x00\x00\x54\x80\x04\x08\x34\x00\x00\x00'
    header+='\x00\x00\x00\x00\x00\x00\x00\x00\x34\x00\x20\x00\x01\x00\x00\x00\x00\x00\x00\x00'
    local segment='\x01\x00\x00\x00\x00\x00\x00\x00\x00\x80\x04\x08\x00\x80\x04\x08'
    segment+='\x60\x00\x00\x00\x60\x00\x00\x00\x05\x00\x00\x00\x00\x10\x00\x00'
    local code='\xb8\x01\x00\x00\x00\xbb\x2a\x00\x00\x00\xcd\x80'
    printf "$header$segment$code" >"$1"
    chmod +x "$1"
}

# Runs the probe; its error text, if it did not run, goes to probe_error.
probe_error=""
probe_runs() {
    local status=0
    # In the C locale, so that the shell's "Exec format error" reads the same everywhere.
    probe_error=$(export LC_ALL=C; "$1" 2>&1 </dev/null) || status=$?
    [ "$status" -eq 42 ] && return
    probe_error=${probe_error:-exit status $status}
    return 1
}

# Whether a qemu-i386 binary runs and is recent enough for Wine.
emulator_is_recent() {
    local version
    version=$(qemu_version "$1")
    [ -n "$version" ] && [ "${version%%.*}" -ge "$emulator_min_major" ] 2>/dev/null
}

debian_archive() {
    local uri
    uri=$(sed -n 's/^URIs: *\([^ ]*\/debian\)\/*$/\1/p' /etc/apt/sources.list.d/*.sources 2>/dev/null | head -1)
    [ -n "$uri" ] || uri=$(sed -n 's/^deb \(\[[^]]*\] \)\?\([^ ]*\/debian\)\/* .*/\2/p' \
        /etc/apt/sources.list /etc/apt/sources.list.d/*.list 2>/dev/null | head -1)
    [ -n "$uri" ] || fail "no Debian archive in the system's apt sources to fetch qemu-user from"
    echo "$uri"
}

# Debian 13's qemu-user, its signature and checksum verified by apt, unpacked
# to take qemu-i386 alone.
fetch_emulator() {
    local work=$emulator_home/fetch keyring=/usr/share/keyrings/debian-archive-keyring.gpg
    [ -f "$keyring" ] || fail "the Debian archive keyring $keyring is missing: install debian-archive-keyring"
    rm -rf "$work"
    mkdir -p "$work/lists/partial" "$work/cache/archives/partial" "$work/deb"
    echo "deb [arch=$(dpkg --print-architecture) signed-by=$keyring] $(debian_archive) trixie main" \
        >"$work/sources.list"
    local apt=(apt-get -qq -o "Dir::Etc::SourceList=$work/sources.list" -o Dir::Etc::SourceParts=/dev/null
        -o "Dir::State::Lists=$work/lists" -o "Dir::Cache=$work/cache" -o Dir::Etc::Preferences=/dev/null
        -o Dir::Etc::PreferencesParts=/dev/null -o APT::Get::List-Cleanup=0)
    "${apt[@]}" update >"$work/apt.log" 2>&1 ||
        fail "could not read Debian 13's package lists to fetch qemu-user (see $work/apt.log)"
    (cd "$work/deb" && "${apt[@]}" download qemu-user >>"$work/apt.log" 2>&1) ||
        fail "could not download Debian 13's qemu-user (see $work/apt.log)"
    local package
    package=$(ls "$work"/deb/qemu-user_*.deb 2>/dev/null | head -1)
    [ -n "$package" ] || fail "apt reported no qemu-user package (see $work/apt.log)"
    dpkg-deb -x "$package" "$work/root" || fail "could not unpack $package"
    local unpacked
    unpacked=$(find "$work/root" -type f -name qemu-i386 -perm -u+x | head -1)
    [ -n "$unpacked" ] || fail "$package holds no qemu-i386"
    install -m 0755 "$unpacked" "$emulator.new"
    mv -f "$emulator.new" "$emulator"
    rm -rf "$work"
}

register_emulator() {
    local binfmt=/proc/sys/fs/binfmt_misc
    if [ ! -e "$binfmt/register" ]; then
        mount -t binfmt_misc binfmt_misc "$binfmt" 2>/dev/null ||
            fail "binfmt_misc is not mounted and could not be: run as root, on a kernel with binfmt_misc"
    fi
    # A registration of ours from an earlier run is replaced, not stacked.
    [ -e "$binfmt/$binfmt_entry" ] && echo -1 >"$binfmt/$binfmt_entry"
    # Executables and position-independent executables for i386; F opens the
    # emulator now, so it serves every mount namespace and chroot as well.
    local magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    local mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":$binfmt_entry:M::$magic:$mask:$emulator:F" >"$binfmt/register" 2>/dev/null ||
        fail "the kernel refused the binfmt_misc registration of $emulator"
}

ensure_i386_programs() {
    local probe status=0
    probe=$(mktemp)
    write_probe "$probe"
    if ! probe_runs "$probe" && [[ "$probe_error" != *"Exec format error"* ]]; then
        rm -f "$probe"
        fail "a 32-bit test program in ${probe%/*} did not run ($probe_error): if that folder is mounted noexec, set TMPDIR to one that is not"
    fi
    if [ -z "$probe_error" ]; then
        local interpreter
        interpreter=$(i386_interpreter)
        # Natively, or through an emulator that is recent enough: kept as it is.
        if [ -z "$interpreter" ] || emulator_is_recent "$interpreter"; then
            rm -f "$probe"
            echo "32-bit programs run $(i386_run_mode)"
            return
        fi
        echo "setup: 32-bit programs run through $interpreter, which is too old for Wine; registering a newer one"
    fi
    mkdir -p "$emulator_home"
    if ! emulator_is_recent "$emulator"; then
        echo "setup: this machine cannot execute 32-bit programs; fetching qemu-i386 from Debian 13's qemu-user"
        fetch_emulator
        emulator_is_recent "$emulator" ||
            fail "the fetched $emulator does not run or is older than qemu $emulator_min_major"
    fi
    register_emulator
    probe_runs "$probe" || status=$?
    rm -f "$probe"
    [ "$status" -eq 0 ] || fail "32-bit programs still do not run with $emulator registered ($probe_error)"
    echo "32-bit programs run $(i386_run_mode)"
}

ensure_i386_programs

# --- packages and locales ----------------------------------------------------
packages=(
    cmake make g++ g++-mingw-w64-i686 googletest libgtest-dev clang libclang-rt-14-dev
    wine wine32:i386 xvfb xauth locales imagemagick fonts-ipafont-gothic
    libreoffice-calc-nogui python3-uno python3-olefile poppler-utils
)
# Extra packages named on the command line (the workbook's, for instance).
packages+=("$@")
# Under emulation a native wineserver spares every Wine process an emulated
# server; where 32-bit programs run natively nothing more is installed.
[ -z "$(i386_interpreter)" ] || packages+=(wine64)

missing=()
for package in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing+=("$package")
done

if [ ${#missing[@]} -gt 0 ]; then
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
    fi
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        -o DPkg::Lock::Timeout=600 "${missing[@]}" >/dev/null
fi

# The Japanese locale runs Wine with code page 932 and UI language 1041.
for locale in en_US.UTF-8 ja_JP.UTF-8; do
    if ! locale -a 2>/dev/null | grep -qix "${locale/UTF-8/utf8}"; then
        sed -i "s/^# *\(${locale} UTF-8\)/\1/" /etc/locale.gen
        grep -q "^${locale} UTF-8" /etc/locale.gen || echo "${locale} UTF-8" >> /etc/locale.gen
        locale-gen >/dev/null
    fi
done
