#!/usr/bin/env python3
"""Prints every benchmark beside its references, from Google Benchmark JSON files.

A reference is named after its subject: "EventHandler_Reference/7" is the
floor under "EventHandler/7", and the subject gets the ratio of the two
times. "HostToBus_HostAlone" and "HostToBus_BusAlone" are parts of
"HostToBus" (the same traffic through one stand-in alone), and what the parts
leave of the subject's time is the plug-in's share. Each time is the fastest
repetition's: on a shared machine a neighbour only ever adds time.
ListEvents times its reference in its own iterations and reports the ratio
among its counters.
"""
import json
import sys

UNIT_NANOSECONDS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}
STANDARD_FIELDS = {
    "name", "family_index", "per_family_instance_index", "run_name", "run_type", "repetitions",
    "repetition_index", "threads", "aggregate_name", "aggregate_unit", "iterations", "real_time",
    "cpu_time", "time_unit", "error_occurred", "error_message",
}


def read_runs(paths):
    """The fastest repetition of each benchmark, in the order they were declared."""
    runs = {}
    for path in paths:
        with open(path, encoding="utf-8") as results:
            text = results.read()
        if not text.strip():
            continue  # a binary whose filter matched no benchmark writes nothing
        repetitions = [run for run in json.loads(text)["benchmarks"] if run.get("run_type") != "aggregate"]
        for run in sorted(repetitions, key=lambda run: (run["family_index"], run["per_family_instance_index"])):
            fastest = runs.get(run["run_name"])
            if fastest is None or run["real_time"] < fastest["real_time"]:
                runs[run["run_name"]] = run
    return runs


def subject_and_label(name):
    family, slash, arguments = name.partition("/")
    subject, _, label = family.partition("_")
    return subject + slash + arguments, label


def nanoseconds(run):
    return run["real_time"] * UNIT_NANOSECONDS[run["time_unit"]]


def shown_time(value):
    for unit, scale in (("s", 1e9), ("ms", 1e6), ("us", 1e3)):
        if abs(value) >= scale:
            return f"{value / scale:.3g} {unit}"
    return f"{value:.3g} ns"


def shown_counters(run):
    shown = []
    for name, value in run.items():
        if name in STANDARD_FIELDS:
            continue
        if name == "items_per_second":
            shown.append(f"{value / 1e6:.3g}M items/s")
        else:
            shown.append(f"{name}={value:.3g}")
    return "  ".join(shown)


def print_line(label, time, note, run):
    print(f"{label:<50}{time:>10}  {note:<24}{shown_counters(run) if run else ''}")


def print_subject(name, run, references):
    total = nanoseconds(run)
    print_line(name, shown_time(total), "", run)
    parts = [reference for label, reference in references if label != "Reference"]
    for label, reference in references:
        note = f"ratio {total / nanoseconds(reference):.2f}" if label == "Reference" else ""
        print_line(f"  {label}", shown_time(nanoseconds(reference)), note, reference)
    if parts:
        left = total - sum(nanoseconds(part) for part in parts)
        print_line("  left for the plug-in", shown_time(left), f"{100 * left / total:.0f}% of the time", None)


def main(paths):
    runs = read_runs(paths)
    references = {}
    for name, run in runs.items():
        subject, label = subject_and_label(name)
        if label:
            references.setdefault(subject, []).append((label, run))
    for name, run in runs.items():
        if run.get("error_occurred"):
            print(f"{name}: {run.get('error_message', 'failed')}")
        elif not subject_and_label(name)[1]:
            print_subject(name, run, references.get(name, []))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
