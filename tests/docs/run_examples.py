#!/usr/bin/env python3
"""Runs every fenced block tagged `lmhost` of a Markdown document as an lmhost
scenario against the plug-in, so that the document's examples cannot drift
from what the plug-in does. Failures name the document's own lines."""

import argparse
import os
import re
import subprocess
import sys
import tempfile
from typing import List, Tuple

FENCE = re.compile(r"^```(\S*)\s*$")
TAG = "lmhost"


def scenario_blocks(text: str) -> List[Tuple[int, List[str]]]:
    """(line number of the block's first line, its lines) for each tagged block."""
    blocks, inside, tagged, start, lines = [], False, False, 0, []
    for number, line in enumerate(text.splitlines(), start=1):
        fence = FENCE.match(line)
        if not fence:
            if inside and tagged:
                lines.append(line)
        elif not inside:
            inside, tagged, start, lines = True, fence.group(1) == TAG, number + 1, []
        else:
            inside = False
            if tagged:
                blocks.append((start, lines))
    return blocks

def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--lmhost", required=True)
    parser.add_argument("--plugin", required=True)
    parser.add_argument("document")
    args = parser.parse_args()
    with open(args.document, encoding="utf-8") as document:
        blocks = scenario_blocks(document.read())
    if not blocks:
        print(f"{args.document}: no ```{TAG} blocks", file=sys.stderr)
        return 1
    failed = 0
    name = os.path.basename(args.document)
    with tempfile.TemporaryDirectory(prefix="quayline-doc-") as folder:
        # Named as the document and padded to the block's place in it, so
        # that lmhost's messages point into the document.
        scenario = os.path.join(folder, name)
        for start, lines in blocks:
            with open(scenario, "w", encoding="utf-8") as output:
                output.write("\n" * (start - 1) + "\n".join(lines) + "\n")
            result = subprocess.run([args.lmhost, "--quiet", "--plugin", args.plugin, scenario],
                                    capture_output=True, text=True, check=False)
            print(f"{'passed' if result.returncode == 0 else 'FAILED'}: {name}:{start}")
            if result.returncode != 0:
                failed += 1
                print(result.stdout + result.stderr)
    print(f"{len(blocks) - failed} of {len(blocks)} examples passed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
