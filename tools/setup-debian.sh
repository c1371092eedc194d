#!/usr/bin/env bash
# Installs what building and testing Quayline needs on Debian 12, once.
# Safe to run again: it only installs what is missing.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  cmake ninja-build g++ python3 git
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 lld-14 llvm-14 libclang-rt-14-dev
  g++-mingw-w64-x86-64-win32 wine64 python3-pefile libc++1-14 libc++abi1-14
)
# A Node.js that is not Debian's may bring its own npm and refuse Debian's.
command -v node >/dev/null || packages+=(nodejs)
command -v npm >/dev/null || packages+=(npm)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "setup: installing ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ -x cmake/toolchains/install-zig.sh ]; then
  cmake/toolchains/install-zig.sh
fi
