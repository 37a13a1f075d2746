# Sourced by the other scripts: installs the Debian packages that building
# and running the panel need (qn62_install_deps), and with
# "qn62_install_deps test" those the tests and the package checks need
# besides, when any of them is missing. Scripts with needs of their own add
# to QN62_EXTRA_PACKAGES.
# shellcheck shell=bash

QN62_RUN_PACKAGES=(
  build-essential cmake pkg-config
  qt6-base-dev qt6-serialport-dev libgl-dev
  fonts-ipafont-gothic
)
QN62_TEST_PACKAGES=(
  lintian appstream desktop-file-utils systemd
  ser2net socat
  locales
)
# The bridge's test with a third-party PJLink client runs on Node: Debian's
# nodejs and npm, unless a node and an npm are there already.
if ! command -v node >/dev/null 2>&1 || ! command -v npm >/dev/null 2>&1; then
  QN62_TEST_PACKAGES+=(nodejs npm)
fi
QN62_EXTRA_PACKAGES=()

# The decoder tests also run under a German locale (comma as the decimal
# separator).
qn62_install_locale() {
  locale -a 2>/dev/null | grep -qix 'de_DE.utf8' && return 0
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "warning: could not generate de_DE.UTF-8" >&2
}

qn62_install_deps() {
  qn62_install_deps_packages "$@" || return 1
  [ "${1:-}" = test ] && qn62_install_locale
  return 0
}

qn62_install_deps_packages() {
  local wanted=("${QN62_RUN_PACKAGES[@]}" "${QN62_EXTRA_PACKAGES[@]}")
  [ "${1:-}" = test ] && wanted+=("${QN62_TEST_PACKAGES[@]}")
  local missing=()
  local p
  for p in "${wanted[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
      missing+=("$p")
    fi
  done
  [ ${#missing[@]} -eq 0 ] && return 0

  local sudo=()
  if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
      sudo=(sudo)
    else
      echo "error: packages are missing; an administrator must run: apt-get install ${missing[*]}" >&2
      return 1
    fi
  fi
  echo "Installing missing packages: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  "${sudo[@]}" apt-get update -qq
  "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
