#!/usr/bin/env bash
# Installs the Debian packages of the lists given (default
# scripts/packages.txt) that are missing.
#
#   scripts/install-deps.sh [list...]
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
if (($# == 0)); then
  set -- "$here/packages.txt"
fi
mapfile -t wanted < <(cat "$@" | grep -v '^\s*#' | sed '/^\s*$/d' | sort -u)
missing=()
for pkg in "${wanted[@]}"; do
  dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed' || missing+=("$pkg")
done
if ((${#missing[@]})); then
  sudo=""
  if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
  # A package of another architecture (wine32:i386, which runs the 32-bit Windows
  # programs) needs that architecture known to dpkg before the package lists are read.
  for pkg in "${missing[@]}"; do
    arch="${pkg#*:}"
    [[ "$arch" != "$pkg" ]] || continue
    if [[ "$arch" != "$(dpkg --print-architecture)" ]] && ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
      echo "Adding the $arch architecture to dpkg (dpkg --add-architecture $arch) for $pkg"
      $sudo dpkg --add-architecture "$arch"
    fi
  done
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
