#!/usr/bin/env bash
# Installs everything Handfolio needs to build, run, test and benchmark on Debian 12.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config clang-tidy
    qt6-base-dev qt6-base-dev-tools qt6-image-formats-plugins qt6-svg-dev libqt6svg6 qt6-qpa-plugins
    libgtest-dev libgmock-dev libbenchmark-dev
    libcurl4-openssl-dev libsane-dev libsane1 libsane-common libheif-dev libjxl-dev
    fonts-dejavu-core
    xvfb xauth xdotool dbus dbus-x11 libglib2.0-bin libglib2.0-dev gsettings-desktop-schemas
    libjpeg-dev imagemagick libjpeg-turbo-progs libheif-examples libjxl-tools
    xclip
    libexif-dev libexpat1-dev apache2 apache2-utils squid lighttpd lighttpd-mod-webdav openssl
    librsvg2-bin
    clang libclang-rt-14-dev clang-tidy clang-format
    # The Wayland desktop of the capture test (scripts/wayland-session.sh):
    # sway, PipeWire, the screenshot portal with its wlroots and GTK back
    # ends (grim takes the wlroots portal's pictures), Qt's Wayland plugin.
    sway grim pipewire xdg-desktop-portal xdg-desktop-portal-wlr xdg-desktop-portal-gtk qt6-wayland
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then
    sudo="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get -o DPkg::Lock::Timeout=600 update -q
$sudo apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends "${packages[@]}"

# The Debian package and its install test (scripts/package.sh, scripts/package-test.sh).
$sudo apt-get -o DPkg::Lock::Timeout=600 install -y -q --no-install-recommends \
    debootstrap lintian dpkg-dev fakeroot appstream desktop-file-utils curl
