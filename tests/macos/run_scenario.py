#!/usr/bin/env python3
"""Runs one lmhost scenario against the cross-built macOS bundle, through the
stand-in Mach-O loader; reports itself skipped, naming what is missing, where
the bundle or the Linux C++ runtime that its imports bind to is not there."""

import argparse
import ctypes
import os
import subprocess
import sys

RUNTIME = "libc++.so.1"
RUNTIME_PACKAGES = "Debian packages libc++1-14 and libc++abi1-14"
RUN_TIMEOUT_SECONDS = 120


def missing(bundle):
    if not os.path.isfile(os.path.join(bundle, "Contents", "Info.plist")):
        return f"no cross-built bundle at {bundle} (the test macos.cross_bundle builds it)"
    try:
        ctypes.CDLL(RUNTIME)
    except OSError:
        return f"{RUNTIME} cannot be loaded ({RUNTIME_PACKAGES})"
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--lmhost", required=True)
    parser.add_argument("--bundle", required=True)
    parser.add_argument("scenario", nargs="?", help="a scenario file; none runs lmhost's demo")
    args = parser.parse_args()
    reason = missing(args.bundle)
    if reason:
        print("SKIPPED: " + reason)
        return 0
    command = [args.lmhost, "--quiet", "--plugin", args.bundle] + ([args.scenario] if args.scenario else [])
    result = subprocess.run(command, timeout=RUN_TIMEOUT_SECONDS, check=False)
    return result.returncode


if __name__ == "__main__":
    sys.exit(main())
