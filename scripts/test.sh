#!/usr/bin/env bash
# Builds everything and runs every test: the platform-free decisions natively,
# their fuzz targets for a bounded time, then the whole suite once in English
# (code page 1252) and once in Japanese (code page 932), each in a private Wine
# prefix under Xvfb.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${TQ7_BUILD_DIR:-$here/build}

bash "$here/scripts/setup.sh"
cmake -S "$here" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/mingw-i686.cmake" \
    -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)"
# The release zip, which one of the tests unpacks.
(cd "$build" && cpack >/dev/null)

# The platform-free decisions, natively, with the undefined-behaviour checks.
cmake -S "$here/tests/native" -B "$build/native" >/dev/null
cmake --build "$build/native" -j"$(nproc)" >/dev/null
echo "== native tests of the platform-free decisions"
status=0
(cd "$build/native" && ctest --output-on-failure </dev/null) || status=1
echo "== fuzz targets of the platform-free decisions, 20 s each"
bash "$here/scripts/fuzz.sh" 20 || status=1

. "$here/scripts/wine_session.sh"
trap wine_session_stop EXIT
TQ7_OWN_DISPLAY=1 wine_session_display

for language in en_US.UTF-8 ja_JP.UTF-8; do
    echo "== tests in ${language}"
    wine_session_prefix "$build/wine-${language%%.*}" "$language"
    (cd "$build" && ctest --output-on-failure -j2 "$@" </dev/null) || status=1
done
exit $status
