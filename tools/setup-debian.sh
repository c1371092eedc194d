#!/usr/bin/env bash
# Installs what Quayline needs on Debian 12, once; safe to run again, since it
# only installs what is missing, and then prints nothing.
#   tools/setup-debian.sh demo   what ./run-demo needs: a compiler, CMake, Ninja
#   tools/setup-debian.sh        everything the whole test suite needs
set -euo pipefail
cd "$(dirname "$0")/.."

demo_packages=(cmake ninja-build g++)
test_packages=(
  python3 git
  libgtest-dev libgmock-dev libbenchmark-dev
  clang-14 lld-14 llvm-14 libclang-rt-14-dev
  g++-mingw-w64-x86-64-win32 wine64 python3-pefile osslsigncode openssl
  libc++1-14 libc++abi1-14
)

packages=("${demo_packages[@]}")
if [ "${1:-}" != demo ]; then
  packages+=("${test_packages[@]}")
  # A Node.js that is not Debian's may bring its own npm and refuse Debian's.
  command -v node >/dev/null || packages+=(nodejs)
  command -v npm >/dev/null || packages+=(npm)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

# apt-get's own output is long and says little; a line every 20 s says that
# it is still working, and the log is shown only if it fails.
install_with_apt() {
  local sudo="" waited=0 pid
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  apt_log=$(mktemp)
  trap 'rm -f "$apt_log"' EXIT
  { $sudo apt-get update -qq &&
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "$@"; } >"$apt_log" 2>&1 &
  pid=$!
  while kill -0 "$pid" 2>/dev/null; do
    sleep 1
    if ((++waited % 20 == 0)); then
      echo "setup: still installing ($waited s)" >&2
    fi
  done
  if ! wait "$pid"; then
    cat "$apt_log" >&2
    echo "setup: apt-get could not install $*" >&2
    exit 1
  fi
}

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]} with apt-get (once; this takes a minute or more)" >&2
  install_with_apt "${missing[@]}"
fi

if [ "${1:-}" != demo ]; then
  cmake/toolchains/install-zig.sh >/dev/null
fi
