#!/bin/bash
# Runs the sample host's scripted mode headless: Xvfb, a private Wine prefix.
# Usage: run_headless.sh BUILD_DIR OUTDIR [ROW] [MODULE]
# Exits with the host's exit code; OUTDIR gets report.txt, dialog.bmp and,
# with ROW, tq7_sheet.csv.
set -u
build_dir=$(cd "$1" && pwd)
out_dir=$2
row=${3:-}
module=${4:-}
mkdir -p "$out_dir"
out_dir=$(cd "$out_dir" && pwd)

work=$(mktemp -d)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
display_number=$((60 + RANDOM % 30))
export DISPLAY=":$display_number"
Xvfb "$DISPLAY" -screen 0 1280x1024x24 >/dev/null 2>&1 &
xvfb_pid=$!
sleep 1
# wineserver keeps the streams it inherits: give it none, or a pipe never ends.
wineserver -p >/dev/null 2>&1 </dev/null
timeout 300 wineboot -i >/dev/null 2>&1 </dev/null
# Without a window manager, managed windows make Wine wait on every hide.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 </dev/null

args=(--script "$(winepath -w "$out_dir" 2>/dev/null)")
[ -n "$row" ] && args+=(--output-row "$row")
[ -n "$module" ] && args+=(--module "$(winepath -w "$module" 2>/dev/null)")
timeout 120 wine "$build_dir/sample_host.exe" "${args[@]}" </dev/null >/dev/null 2>&1
code=$?

wineserver -k >/dev/null 2>&1 </dev/null
kill "$xvfb_pid" 2>/dev/null
wait "$xvfb_pid" 2>/dev/null
rm -rf "$work"
exit "$code"
