#!/usr/bin/env bash
# Builds everything and runs the sample host with the module in Wine.
# On $DISPLAY when there is one: the host's window, for a person to use.
# Without a display (or with --headless): a scripted run under Xvfb in English
# and Japanese that opens the command, saves the dialog, outputs a set, records
# that the workbook was opened, and has the workbook present the CSV in
# headless LibreOffice (the sheet, and its printed page). It says where it put what it produced.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TQ7_BUILD_DIR:-$here/build}
headless=""
[ "${1:-}" = "--headless" ] && headless=1
[ -z "${DISPLAY:-}" ] && headless=1
output_row=${TQ7_OUTPUT_ROW:-4}

bash "$here/scripts/setup.sh"
cmake -S "$here" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)"
(cd "$build" && cpack >/dev/null)

# The host's folder, laid out as a user installs the plug-in into it.
demo=$build/demo
rm -rf "$demo"
mkdir -p "$demo/host"
cp "$build/sample_host.exe" "$build/tq7_sheet.tq7" "$build/tq7_sheet.xls" \
    "$build/launch_recorder.exe" "$demo/host/"

. "$here/scripts/wine_session.sh"
trap wine_session_stop EXIT
[ -n "$headless" ] && TQ7_OWN_DISPLAY=1
TQ7_OWN_DISPLAY=${TQ7_OWN_DISPLAY:-} wine_session_display

# A spreadsheet cannot be started from inside the prefix reliably: the .xls
# association runs a recorder that notes which workbook the shell opened.
register_workbook_recorder() {
    local recorder
    recorder=$(winepath -w "$demo/host/launch_recorder.exe" 2>/dev/null)
    timeout 120 wine reg add 'HKLM\Software\Classes\.xls' /ve /d tq7demo.workbook /f </dev/null >/dev/null 2>&1
    timeout 120 wine reg add 'HKLM\Software\Classes\tq7demo.workbook\shell\open\command' /ve \
        /d "\"$recorder\" \"%1\"" /f </dev/null >/dev/null 2>&1
}

if [ -z "$headless" ]; then
    wine_session_prefix "$build/wine-demo-en" "${LANG:-en_US.UTF-8}"
    register_workbook_recorder
    echo "Running the sample host on $DISPLAY; its Plug-ins menu holds the command."
    (cd "$demo/host" && wine sample_host.exe </dev/null) || true
    echo "Workbook launches recorded in $demo/host/launch_recorder.log"
    exit 0
fi

status=0
for language in en_US.UTF-8 ja_JP.UTF-8; do
    short=${language%%_*}
    out=$demo/$short
    mkdir -p "$out"
    wine_session_prefix "$build/wine-demo-$short" "$language"
    register_workbook_recorder
    rm -f "$demo/host/launch_recorder.log"
    (cd "$demo/host" && timeout 180 wine sample_host.exe --script "$(winepath -w "$out" 2>/dev/null)" \
        --output-row "$output_row" </dev/null >/dev/null 2>&1) || status=1
    [ -f "$demo/host/launch_recorder.log" ] && cp "$demo/host/launch_recorder.log" "$out/workbook_opened.txt"
    for image in "$out"/*.bmp; do
        [ -f "$image" ] && convert "$image" "${image%.bmp}.png" && rm -f "$image"
    done
    WINEPREFIX=$WINEPREFIX wineserver -k </dev/null >/dev/null 2>&1 || true
    if [ -f "$out/tq7_sheet.csv" ]; then
        mkdir -p "$out/workbook"
        /usr/bin/python3 "$here/workbook/present_csv.py" --workbook "$demo/host/tq7_sheet.xls" \
            --csv "$out/tq7_sheet.csv" --cells-out "$out/sheet_cells.json" \
            --png-out "$out/sheet.png" --page-png-out "$out/page.png" >/dev/null 2>&1 || status=1
    fi
    echo "== ${language}: $out"
    sed 's/^/   /' "$out/report.txt" 2>/dev/null || echo "   no report: the host did not run"
    if [ -f "$out/workbook_opened.txt" ]; then
        echo "   the shell opened: $(head -1 "$out/workbook_opened.txt" | tr -d '\r')"
    else
        echo "   the workbook was not opened"
        status=1
    fi
    ls "$out" | sed 's/^/   produced: /'
done
echo "The release: $(ls "$build"/tq7_sheet-*-win32.zip)"
exit $status
