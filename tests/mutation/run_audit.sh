#!/usr/bin/env bash
# The mutation audit: applies each fault of faults.tsv on its own to a copy of
# the tree outside the repository, rebuilds the module, runs the test programs
# that the fault names in the languages it names, and reports per fault
# whether a test failed (killed) or all passed (survived).
#
#   bash tests/mutation/run_audit.sh [FAULT_ID...]
#
# TQ7_AUDIT_DIR picks the folder for the copy, its build and Wine prefixes (a
# new one under /tmp otherwise; a rerun there builds incrementally);
# TQ7_AUDIT_CHECK=1 only checks that every fault still applies to the sources;
# TQ7_AUDIT_NO_BASELINE=1 skips running the named tests on the unmutated copy. The copy is taken from the tracked files
# as they stand in the work tree. Not part of scripts/test.sh: it takes about
# ten minutes on two cores under emulation.
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
faults=$here/tests/mutation/faults.tsv
work=${TQ7_AUDIT_DIR:-$(mktemp -d "${TMPDIR:-/tmp}/tq7_audit.XXXXXX")}
mkdir -p "$work"
work=$(cd "$work" && pwd)
case "$work/" in "$here"/*) echo "audit: the copy must lie outside the repository" >&2; exit 2 ;; esac
src=$work/src
pristine=$work/pristine
build=$work/build
logs=$work/logs
rm -rf "$pristine" "$logs"
mkdir -p "$src" "$pristine" "$logs"
(cd "$here" && git ls-files -z | tar --null -T - -cf -) | tar -xf - -C "$pristine"
# Files that a rerun in the same folder finds unchanged keep their times, so
# that its build is incremental.
(cd "$pristine" && find . -type f) | while IFS= read -r file; do
    if ! cmp -s "$pristine/$file" "$src/$file"; then
        mkdir -p "$(dirname "$src/$file")"
        cp "$pristine/$file" "$src/$file"
    fi
done

# The faults asked for, or all of them: id, area, file, sed, tests, languages, effect.
selected=()
while IFS= read -r line; do
    case $line in '#'* | '') continue ;; esac
    id=${line%%$'\t'*}
    if [ $# -eq 0 ] || printf '%s\n' "$@" | grep -qx "$id"; then selected+=("$line"); fi
done <"$faults"
[ ${#selected[@]} -gt 0 ] || { echo "audit: no such fault" >&2; exit 2; }

# Applies a fault to the copy; false when the sources no longer hold what it changes.
apply_fault() {
    local file=$1 script=$2
    cp "$pristine/$file" "$src/$file"
    sed -i -e "$script" "$src/$file"
    ! cmp -s "$pristine/$file" "$src/$file"
}

# A fresh copy (a new modification time, so that make rebuilds it unmutated).
restore_file() {
    cp "$pristine/$1" "$src/$1"
}

if [ "${TQ7_AUDIT_CHECK:-}" = 1 ]; then
    status=0
    for line in "${selected[@]}"; do
        IFS=$'\t' read -r id area file script tests languages effect <<<"$line"
        if apply_fault "$file" "$script"; then echo "$id applies"; else echo "$id NOT APPLIED"; status=1; fi
        restore_file "$file"
    done
    exit $status
fi

bash "$src/scripts/setup.sh"
echo "== building the unmutated copy in $build"
cmake -S "$src" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
programs=$(for line in "${selected[@]}"; do
    IFS=$'\t' read -r id area file script tests languages effect <<<"$line"
    for check in $tests; do echo "${check%%:*}"; done
done | sort -u)
# shellcheck disable=SC2086
cmake --build "$build" -j2 --target tq7_sheet long_string_module launch_recorder $programs >"$logs/build.log" 2>&1 ||
    { echo "audit: the unmutated copy does not build; see $logs/build.log" >&2; exit 1; }

. "$src/scripts/wine_session.sh"
trap wine_session_stop EXIT
TQ7_OWN_DISPLAY=1 wine_session_display
current_language=""
prepared_languages=""
use_language() {
    if [ "$current_language" = "$1" ]; then return; fi
    local locale=en_US.UTF-8
    if [ "$1" = ja ]; then locale=ja_JP.UTF-8; fi
    case " $prepared_languages " in
    *" $1 "*) export WINEPREFIX=$work/wine-$1 LANG=$locale LC_ALL=$locale ;;
    *)
        wine_session_prefix "$work/wine-$1" "$locale"
        # A fault that crashes a test ends it: no debugger is started for it.
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d '' /f \
            </dev/null >/dev/null 2>&1
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Auto /d 1 /f \
            </dev/null >/dev/null 2>&1
        prepared_languages+=" $1"
        ;;
    esac
    current_language=$1
}

# Runs one program, or the tests of it that the filter picks; its output in $2.
run_check() {
    local check=$1 log=$2 program=${1%%:*} filter=""
    [ "$check" != "$program" ] && filter=${check#*:}
    (cd "$build" && timeout -k 10 300 wine "$program.exe" ${filter:+"--gtest_filter=$filter"} </dev/null) >"$log" 2>&1
}

# The programs rebuilt for a fault: the module always, a program that holds
# the decisions itself when the fault names it.
rebuild() {
    local targets="tq7_sheet" check
    for check in $1; do
        case ${check%%:*} in unit_test) targets+=" unit_test" ;; esac
    done
    # shellcheck disable=SC2086
    cmake --build "$build" -j2 --target $targets >"$2" 2>&1
}

# TQ7_AUDIT_NO_BASELINE=1 skips this, for a rerun on a copy known to pass.
echo "== the named tests on the unmutated copy"
for line in "${selected[@]}"; do
    IFS=$'\t' read -r id area file script tests languages effect <<<"$line"
    for language in $languages; do for check in $tests; do echo "$language $check"; done; done
done | sort -u >"$logs/baseline.list"
[ "${TQ7_AUDIT_NO_BASELINE:-}" = 1 ] && : >"$logs/baseline.list"
while read -r language check; do
    use_language "$language"
    if ! run_check "$check" "$logs/baseline.log"; then
        echo "audit: $check fails in $language without any fault; see $logs/baseline.log" >&2
        exit 1
    fi
done <"$logs/baseline.list"

report=$work/report.tsv
: >"$report"
survivors=0
for line in "${selected[@]}"; do
    IFS=$'\t' read -r id area file script tests languages effect <<<"$line"
    start=$(date +%s)
    verdict=""
    if ! apply_fault "$file" "$script"; then
        verdict="not applied"
    elif ! rebuild "$tests" "$logs/$id.build.log"; then
        verdict="does not build"
    else
        for language in $languages; do
            use_language "$language"
            for check in $tests; do
                if ! run_check "$check" "$logs/$id.$language.log"; then
                    verdict="killed by $check ($language)"
                    break 2
                fi
            done
        done
        [ -n "$verdict" ] || verdict="survived"
    fi
    restore_file "$file"
    case $verdict in killed*) ;; *) survivors=$((survivors + 1)) ;; esac
    printf '%s\t%s\t%s\t%s\n' "$id" "$area" "$verdict" "$effect" | tee -a "$report"
    echo "   ($file, $(($(date +%s) - start)) s)"
done
# The module as it was, for whoever looks at the copy afterwards.
rebuild "" "$logs/final.build.log" || true
echo "== $((${#selected[@]} - survivors)) of ${#selected[@]} faults killed; report in $report"
[ "$survivors" -eq 0 ]
