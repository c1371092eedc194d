"""Windows programs under Wine, in a prefix made for one test and removed after
it, so that no test sees what an earlier one left behind."""

import contextlib
import os
import subprocess
import tempfile
from typing import Dict, Iterator, List

PREFIX_TIMEOUT_SECONDS = 180


class WineError(Exception):
    """Wine itself could not be set up; the program never ran."""


def _wineserver(wine: str) -> str:
    # Debian installs wineserver beside the wine64 loader.
    return os.path.join(os.path.dirname(os.path.realpath(wine)), "wineserver")


@contextlib.contextmanager
def wine_prefix(wine: str) -> Iterator[Dict[str, str]]:
    """The environment of a fresh, initialised prefix; ended and removed on exit."""
    with tempfile.TemporaryDirectory(prefix="quayline-wine-") as prefix:
        environment = dict(os.environ, WINEPREFIX=prefix, WINEDEBUG="-all",
                           # No installer prompts for .NET or the HTML engine.
                           WINEDLLOVERRIDES="mscoree,mshtml=")
        try:
            booted = subprocess.run([wine, "wineboot", "--init"], env=environment,
                                    stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                    timeout=PREFIX_TIMEOUT_SECONDS, check=False)
            if booted.returncode != 0:
                raise WineError(f"wineboot failed ({booted.returncode}): "
                                f"{booted.stderr.decode(errors='replace').strip()}")
            yield environment
        finally:
            subprocess.run([_wineserver(wine), "-k"], env=environment, check=False,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run([_wineserver(wine), "-w"], env=environment, check=False,
                           timeout=PREFIX_TIMEOUT_SECONDS)


def run(wine: str, command: List[str], environment: Dict[str, str],
        timeout: float) -> subprocess.CompletedProcess:
    """Runs one Windows program; its output is captured as text."""
    return subprocess.run([wine] + command, env=environment, capture_output=True,
                          text=True, errors="replace", timeout=timeout, check=False)
