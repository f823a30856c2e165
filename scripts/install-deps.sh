#!/usr/bin/env bash
# Installs the Debian packages the build, the editor and the tests need, when missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ clang libclang-rt-dev
    qt6-base-dev qt6-image-formats-plugins qt6-translations-l10n libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    xvfb xauth x11-utils x11-apps xdotool openbox python3 python3-pyftpdlib curl shared-mime-info
    fonts-dejavu-core
    dpkg-dev file libopencv-imgproc-dev
    qtkeychain-qt6-dev python3-openssl openssl vsftpd
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
