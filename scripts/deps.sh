# Sourced by the other scripts: installs the Debian packages the build,
# the tests and the demo need, when any of them is missing.
# shellcheck shell=bash

QN62_PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-serialport-dev libgl-dev
  fonts-ipafont-gothic
  xvfb xauth
  ser2net
)

qn62_install_deps() {
  local missing=()
  local p
  for p in "${QN62_PACKAGES[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  echo "Installing missing packages: ${missing[*]}"
  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
      sudo=(sudo)
    else
      echo "error: these packages are missing and I am not root: ${missing[*]}" >&2
      return 1
    fi
  fi
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
