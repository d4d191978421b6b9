# SPDX-License-Identifier: GPL-3.0-or-later
# Shared by scripts/test and scripts/demo.

ZM_BUILD_PACKAGES=(cmake ninja-build g++ ccache qt6-base-dev nlohmann-json3-dev)
ZM_TEST_PACKAGES=("${ZM_BUILD_PACKAGES[@]}" libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64 clang libclang-rt-14-dev xvfb xauth
  desktop-file-utils appstream systemd libxml2-utils man-db groff-base dpkg-dev file
  wine wine64 fonts-wine x11-utils x11-apps netpbm jq lintian polkitd pkexec dbus-daemon dbus-bin
  i2c-tools python3)

# Installs the Debian packages that are not installed yet (needs root; apt-get update first).
zm_install_packages() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -ne 0 ] && sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
