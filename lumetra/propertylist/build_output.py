"""Writing what a build step makes."""

import os


def write_atomically(path: str, data: bytes) -> None:
    """Replaces path with data in one step: a step that fails half-way leaves
    the previous file, never a truncated one that a later step would take."""
    temporary = path + ".tmp"
    with open(temporary, "wb") as output:
        output.write(data)
    os.replace(temporary, path)
