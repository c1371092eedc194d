#!/usr/bin/env python3
"""Writes the install text of one platform's archive from the README's
"Installing" section: the part before its first subsection, then the
subsection of that platform, so the README and the archives say the same."""

import argparse
import re
import sys

SECTION = "## Installing"


def install_text(readme: str, platform: str, version: str) -> str:
    lines = readme.splitlines()
    start = lines.index(SECTION) + 1
    end = next((index for index in range(start, len(lines))
                if lines[index].startswith("## ")), len(lines))
    common, subsections, current = [], {}, None
    for line in lines[start:end]:
        heading = re.match(r"### (.*)", line)
        if heading:
            current = subsections.setdefault(heading.group(1), [])
        (common if current is None else current).append(line)
    if platform not in subsections:
        raise ValueError(f'the "Installing" section has no "### {platform}"')
    title = f"Quayline {version} for {platform}"
    body = "\n".join(common + subsections[platform]).strip()
    return f"{title}\n{'=' * len(title)}\n\n{body}\n"


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("readme")
    parser.add_argument("platform", help='the subsection heading, e.g. "Windows"')
    parser.add_argument("version")
    parser.add_argument("output")
    args = parser.parse_args()
    try:
        with open(args.readme, encoding="utf-8") as readme:
            text = install_text(readme.read(), args.platform, args.version)
    except ValueError as error:
        print(f"{args.readme}: {error}", file=sys.stderr)
        return 1
    with open(args.output, "w", encoding="utf-8", newline="\n") as output:
        output.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
