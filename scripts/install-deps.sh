#!/usr/bin/env bash
# Installs every Debian package the build, the program and the tests need.
# Idempotent: asks apt only for what is missing, and refreshes the package lists once,
# before the first install.
set -euo pipefail

PACKAGES=(
  build-essential cmake ninja-build ccache pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  libssl-dev openssl
  python3-aiosmtpd postfix
  dovecot-core dovecot-pop3d tinyproxy
  tzdata locales
  clang libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools libgl-dev qt6-translations-l10n
  fonts-noto-cjk fonts-noto-color-emoji
  xvfb xauth xdotool x11vnc openbox x11-utils
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "install-deps: installing ${missing[*]}"
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The Japanese locale a user in Japan runs the program under: the tests check that the
# system's translated texts (in the locale's encoding) reach the Shift_JIS files whole.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  SUDO=""
  if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
  $SUDO localedef -i ja_JP -f UTF-8 ja_JP.UTF-8
fi
