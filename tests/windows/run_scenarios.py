#!/usr/bin/env python3
"""Runs lmhost's scenario files against the Windows plug-in, under Wine on a
machine that is not Windows, and shows that the loader refuses the plug-in
when the bus library is missing. With --prefix, Wine runs in that prefix,
booted beforehand (wine_run.py boot); without, in one made for the run."""

import argparse
import contextlib
import glob
import os
import shutil
import subprocess
import sys
import tempfile
from typing import Dict, Iterator, List, Optional

import wine_run

RUN_TIMEOUT_SECONDS = 120
LMHOST_USAGE_FAILURE = 2


@contextlib.contextmanager
def windows_environment(wine: Optional[str], prefix: Optional[str] = None) -> Iterator[Dict[str, str]]:
    if wine is None:
        yield dict(os.environ)
    elif prefix is not None:
        yield wine_run.prefix_environment(prefix)
    else:
        with wine_run.wine_prefix(wine) as environment:
            yield environment


def run_program(wine: Optional[str], command: List[str],
                environment: Dict[str, str]) -> subprocess.CompletedProcess:
    if wine is None:
        return subprocess.run(command, env=environment, capture_output=True, text=True,
                              errors="replace", timeout=RUN_TIMEOUT_SECONDS, check=False)
    return wine_run.run(wine, command, environment, RUN_TIMEOUT_SECONDS)


def folder_scenarios(args: argparse.Namespace) -> List[str]:
    scenarios = sorted(glob.glob(os.path.join(args.scenarios, args.pattern)))
    if not scenarios:
        print(f"no scenario files {args.pattern} in {args.scenarios}", file=sys.stderr)
    return scenarios


def run_scenarios(args: argparse.Namespace) -> int:
    scenarios = args.files if args.command == "scenario" else folder_scenarios(args)
    if not scenarios:
        return 1
    failed = []
    with windows_environment(args.wine, args.prefix) as environment:
        for scenario in scenarios:
            result = run_program(args.wine, [args.lmhost, "--quiet", "--plugin", args.plugin,
                                             scenario], environment)
            name = os.path.basename(scenario)
            print(f"{'passed' if result.returncode == 0 else 'FAILED'}: {name}")
            if result.returncode != 0:
                failed.append(name)
                print(f"  exit status {result.returncode}\n{result.stdout}{result.stderr}")
    print(f"{len(scenarios) - len(failed)} of {len(scenarios)} scenarios passed")
    return 1 if failed else 0


def refused_without_bus(args: argparse.Namespace) -> int:
    """lmhost and the plug-in alone in a folder, with no Confluxor.dll anywhere
    the loader looks; lmhost runs its bundled demo, so the plug-in must load."""
    with tempfile.TemporaryDirectory(prefix="quayline-nobus-") as folder:
        lmhost = shutil.copy(args.lmhost, folder)
        plugin = shutil.copy(args.plugin, folder)
        with windows_environment(args.wine, args.prefix) as environment:
            result = run_program(args.wine, [lmhost, "--plugin", plugin],
                                 environment)
    print(f"exit status {result.returncode}\n{result.stdout}{result.stderr}")
    said = result.stdout + result.stderr
    expected = [os.path.basename(args.plugin), args.message]
    if result.returncode != LMHOST_USAGE_FAILURE or not all(text in said for text in expected):
        print(f"FAILED: expected exit status {LMHOST_USAGE_FAILURE} and a message naming "
              f"{expected}", file=sys.stderr)
        return 1
    return 0


def main(argv: List[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--wine", help="the wine64 loader; none on Windows")
    parser.add_argument("--prefix", help="a booted Wine prefix to run in")
    parser.add_argument("--lmhost", required=True)
    parser.add_argument("--plugin", required=True)
    commands = parser.add_subparsers(dest="command", required=True)
    scenarios = commands.add_parser("scenarios", help="run every scenario file of a folder")
    scenarios.add_argument("scenarios", help="the scenario folder")
    scenarios.add_argument("--pattern", default="*.lmh")
    single = commands.add_parser("scenario", help="run the scenario files given")
    single.add_argument("files", nargs="+", help="scenario files")
    refused = commands.add_parser("refused-without-bus",
                                  help="run lmhost with the bus library missing")
    refused.add_argument("--message", required=True,
                         help="what lmhost must say about the refused plug-in")
    args = parser.parse_args(argv)
    try:
        if args.command in ("scenario", "scenarios"):
            return run_scenarios(args)
        return refused_without_bus(args)
    except (OSError, wine_run.WineError, subprocess.TimeoutExpired) as error:
        print(f"run_scenarios: {error}", file=sys.stderr)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
