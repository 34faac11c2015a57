#!/usr/bin/env bash
# Installs what the build, the tests and the demo need on Debian 12, as root.
# Quick when everything is already there.
set -euo pipefail

packages=(
    cmake make g++ g++-mingw-w64-i686 googletest libgtest-dev
    wine wine32:i386 xvfb xauth locales imagemagick fonts-ipafont-gothic
    libreoffice-calc-nogui python3-uno python3-olefile poppler-utils
)
# Extra packages named on the command line (the workbook's, for instance).
packages+=("$@")

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
