#!/usr/bin/env bash
# Installs every Debian package that building, running and testing need. Quiet when all is there.
set -euo pipefail

# qt6-websockets-dev: Debian 12's Qt6HttpServer CMake package needs it but does not depend on it.
packages=(
    build-essential cmake ninja-build pkg-config clang-format clang libclang-rt-14-dev
    qt6-base-dev qt6-httpserver-dev qt6-websockets-dev libasound2-dev alsa-utils libsystemd-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    sox ffmpeg python3-aiosmtpd openssl lintian dpkg-dev prometheus chromium wrk
    fonts-noto-cjk fonts-dejavu-extra xvfb xauth x11-utils locales
)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
if [ ${#missing[@]} -gt 0 ]; then
    echo "install-deps: installing ${missing[*]}"
    export DEBIAN_FRONTEND=noninteractive
    $sudo apt-get update -qq
    $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# A locale with a decimal comma, for the tests that prove numbers do not follow the locale.
if ! locale -a 2>/dev/null | grep -qx 'de_DE.utf8'; then
    echo "install-deps: generating the de_DE.UTF-8 locale"
    $sudo sed -i 's/^# *de_DE.UTF-8 UTF-8/de_DE.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^de_DE.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    $sudo locale-gen >/dev/null
fi
