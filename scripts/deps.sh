#!/usr/bin/env bash
# Installs, with apt-get, whatever building, running and testing Keyquill needs on Debian 12.
# Takes about a second when everything is already there.
set -euo pipefail

packages=(
  cmake g++ clang libclang-rt-14-dev pkg-config
  qt6-base-dev qt6-svg-dev libicu-dev libx11-dev libxtst-dev libsodium-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth xdotool x11-apps imagemagick fonts-wqy-zenhei trayer xclip openbox xterm qt6-translations-l10n
  x11-xkb-utils x11-xserver-utils xkb-data
  time python3 python3-nacl acl
  libwayland-dev libxkbcommon-dev qt6-wayland
  sway foot xwayland dbus grim
  xdg-desktop-portal python3-dbusmock
  dpkg-dev file lintian desktop-file-utils appstream help2man man-db
  kwin-wayland xdg-desktop-portal-kde plasma-wayland-protocols mutter xdg-desktop-portal-gnome python3-dbus
  libglib2.0-bin
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=()
[ "$(id -u)" -eq 0 ] || sudo=(sudo)
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -qq
"${sudo[@]}" apt-get install -y -qq -o DPkg::Lock::Timeout=600 "${missing[@]}"
