"""Windows programs under Wine, in a prefix made for one test (or for one
group of tests, by a CTest fixture) and removed after it, so that no test sees
what an earlier run left behind and nothing stays in the temporary folder.

As a command: wine_run.py boot|end --wine WINE64 --prefix FOLDER."""

import argparse
import contextlib
import os
import shutil
import subprocess
import sys
import tempfile
from typing import Dict, Iterator, List

PREFIX_TIMEOUT_SECONDS = 180


class WineError(Exception):
    """Wine itself could not be set up; the program never ran."""


def _wineserver(wine: str) -> str:
    # Debian installs wineserver beside the wine64 loader.
    return os.path.join(os.path.dirname(os.path.realpath(wine)), "wineserver")


def prefix_environment(prefix: str) -> Dict[str, str]:
    """The environment that runs Windows programs in the prefix; Wine's own
    temporary files go inside it too."""
    temporary = os.path.join(prefix, "tmp")
    os.makedirs(temporary, exist_ok=True)
    return dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all", TMPDIR=temporary,
                # No installer prompts for .NET or the HTML engine.
                WINEDLLOVERRIDES="mscoree,mshtml=")


def boot(wine: str, prefix: str) -> Dict[str, str]:
    """Initialises a new prefix in the folder and returns its environment."""
    environment = prefix_environment(prefix)
    booted = subprocess.run([wine, "wineboot", "--init"], env=environment,
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                            timeout=PREFIX_TIMEOUT_SECONDS, check=False)
    if booted.returncode != 0:
        raise WineError(f"wineboot failed ({booted.returncode}): "
                        f"{booted.stderr.decode(errors='replace').strip()}")
    return environment


def end(wine: str, prefix: str) -> None:
    """Stops the prefix's Wine server and removes the prefix."""
    environment = prefix_environment(prefix)
    subprocess.run([_wineserver(wine), "-k"], env=environment, check=False,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    subprocess.run([_wineserver(wine), "-w"], env=environment, check=False,
                   timeout=PREFIX_TIMEOUT_SECONDS)
    shutil.rmtree(prefix, ignore_errors=True)


@contextlib.contextmanager
def wine_prefix(wine: str) -> Iterator[Dict[str, str]]:
    """The environment of a fresh, initialised prefix; ended and removed on exit."""
    prefix = tempfile.mkdtemp(prefix="quayline-wine-")
    try:
        yield boot(wine, prefix)
    finally:
        end(wine, prefix)


def run(wine: str, command: List[str], environment: Dict[str, str],
        timeout: float) -> subprocess.CompletedProcess:
    """Runs one Windows program; its output is captured as text."""
    return subprocess.run([wine] + command, env=environment, capture_output=True,
                          text=True, errors="replace", timeout=timeout, check=False)


def main(argv: List[str]) -> int:
    parser = argparse.ArgumentParser(description="Boots or ends a Wine prefix kept for a group of tests.")
    parser.add_argument("action", choices=["boot", "end"])
    parser.add_argument("--wine", required=True, help="the wine64 loader")
    parser.add_argument("--prefix", required=True, help="the prefix folder")
    args = parser.parse_args(argv)
    try:
        if args.action == "boot":
            shutil.rmtree(args.prefix, ignore_errors=True)
            boot(args.wine, args.prefix)
        else:
            end(args.wine, args.prefix)
    except (OSError, WineError, subprocess.TimeoutExpired) as error:
        print(f"wine_run: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
