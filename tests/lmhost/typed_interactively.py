#!/usr/bin/env python3
"""lmhost - runs each line as soon as it arrives: the transcript of one line
is printed before the next line is typed. Every wait is bounded, so a lmhost
that waits for the end of its input fails this test instead of hanging it."""
import argparse
import selectors
import subprocess
import sys
import time

WAIT_SECONDS = 20


def read_until(process, text, seen):
    """Reads lmhost's output until `text` has appeared, or fails."""
    selector = selectors.DefaultSelector()
    selector.register(process.stdout, selectors.EVENT_READ)
    deadline = time.monotonic() + WAIT_SECONDS
    while text not in seen:
        left = deadline - time.monotonic()
        if left <= 0 or not selector.select(timeout=left):
            sys.exit(f"FAILED: no {text!r} within {WAIT_SECONDS} s of typing the line; lmhost printed:\n{seen}")
        chunk = process.stdout.read1(4096).decode(errors="replace")
        if not chunk:
            sys.exit(f"FAILED: lmhost ended before printing {text!r}; it printed:\n{seen}")
        seen += chunk
    return seen


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--lmhost", required=True)
    parser.add_argument("--plugin", required=True)
    args = parser.parse_args()
    process = subprocess.Popen([args.lmhost, "--plugin", args.plugin, "-"], stdin=subprocess.PIPE,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    seen = ""
    for line, answer in [("add alpha 7", "host addNotifier plugin 7 notifier2 null -> 0"),
                         ("fire 7", 'CppEvent "<![CDATA[<event id=\\"7\\" />]]>"')]:
        process.stdin.write(line.encode() + b"\n")
        process.stdin.flush()
        seen = read_until(process, answer, seen)
    process.stdin.close()
    seen = read_until(process, "lmhost: passed:", seen)
    try:
        status = process.wait(timeout=WAIT_SECONDS)
    except subprocess.TimeoutExpired:
        process.kill()
        sys.exit("FAILED: lmhost did not end after the end of its input")
    if status != 0:
        sys.exit(f"FAILED: lmhost exited with {status}; it printed:\n{seen}")
    print("typed lines each ran as they arrived")


if __name__ == "__main__":
    main()
