# Sourced by the other scripts: installs the Debian packages the build,
# the tests and the demo need, when any of them is missing.
# shellcheck shell=bash

QN62_PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-serialport-dev libgl-dev
  fonts-ipafont-gothic
  xvfb xauth
  locales
)

# The decoder tests also run under a German locale (comma as the decimal
# separator).
qn62_install_locale() {
  locale -a 2>/dev/null | grep -qix 'de_DE.utf8' && return 0
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "warning: could not generate de_DE.UTF-8" >&2
}

qn62_install_deps() {
  qn62_install_deps_packages && qn62_install_locale
}

qn62_install_deps_packages() {
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
