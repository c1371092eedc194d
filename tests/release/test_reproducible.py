#!/usr/bin/env python3
"""Runs tools/release twice, in two build folders of different depth, and
shows that the archives are byte for byte the same, that SHA256SUMS names
them, and what they hold: the version, the install text, the executable bit,
one fixed time, and nothing of the machine or the build folders."""

import argparse
import hashlib
import os
import plistlib
import shutil
import socket
import subprocess
import sys
import time
import unittest
import zipfile

# Set from the command line before the tests run.
ARGS = None
EXECUTABLE_MODE = 0o100755
FILE_MODE = 0o100644
FOLDER_MODE = 0o040755


def _release(build, dist, **variables):
    # A signature records its own time: these releases are unsigned.
    environment = {name: value for name, value in os.environ.items()
                   if not name.startswith("QUAYLINE_SIGN_")}
    environment.pop("SOURCE_DATE_EPOCH", None)
    environment.update(variables)
    return subprocess.run([os.path.join(ARGS.source, "tools", "release"),
                           "--build-dir", build, "--dist", dist],
                          env=environment, capture_output=True, text=True, check=False)


def _commit_time():
    return int(subprocess.run(["git", "-C", ARGS.source, "log", "-1", "--format=%ct"],
                              capture_output=True, text=True, check=True).stdout)


class ReleaseTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dists = []
        for build in ("release-a", os.path.join("deeper", "release-b")):
            dist = os.path.join(ARGS.work, build, "dist")
            shutil.rmtree(os.path.join(ARGS.work, build), ignore_errors=True)
            made = _release(os.path.join(ARGS.work, build, "build"), dist)
            assert made.returncode == 0, made.stdout + made.stderr
            assert "Quayline.qvl is NOT signed" in made.stdout, made.stdout
            cls.dists.append(dist)
        cls.stems = {platform: f"Quayline-{ARGS.version}-{platform}"
                     for platform in ("windows-x64", "macos-x86_64")}

    def _path(self, name, dist=0):
        return os.path.join(self.dists[dist], name)

    def _archive(self, platform):
        return zipfile.ZipFile(self._path(self.stems[platform] + ".zip"))

    def test_two_releases_are_byte_identical(self):
        names = sorted(os.listdir(self.dists[0]))
        self.assertEqual(names, sorted([stem + ".zip" for stem in self.stems.values()]
                                       + ["SHA256SUMS"]))
        self.assertEqual(sorted(os.listdir(self.dists[1])), names)
        for name in names:
            with self.subTest(file=name), open(self._path(name, 0), "rb") as first, \
                    open(self._path(name, 1), "rb") as second:
                self.assertTrue(first.read() == second.read(), f"{name} differs")

    def test_checksums_name_the_archives(self):
        with open(self._path("SHA256SUMS"), encoding="utf-8") as sums:
            listed = [line.split("  ") for line in sums.read().splitlines()]
        for digest, name in listed:
            with self.subTest(file=name), open(self._path(name), "rb") as archive:
                self.assertEqual(hashlib.sha256(archive.read()).hexdigest(), digest)
        self.assertEqual(sorted(name for _, name in listed),
                         sorted(stem + ".zip" for stem in self.stems.values()))

    def test_archive_contents_and_modes(self):
        bundle = "Quayline.plugin/Contents/"
        expected = {
            "windows-x64": {"INSTALL.txt": FILE_MODE, "Quayline.qvl": EXECUTABLE_MODE},
            "macos-x86_64": {"INSTALL.txt": FILE_MODE, "Quayline.plugin/": FOLDER_MODE,
                             bundle: FOLDER_MODE, bundle + "Info.plist": FILE_MODE,
                             bundle + "MacOS/": FOLDER_MODE,
                             bundle + "MacOS/Quayline": EXECUTABLE_MODE,
                             bundle + "Resources/": FOLDER_MODE,
                             bundle + "Resources/Quayline.pipl": FILE_MODE},
        }
        for platform, entries in expected.items():
            with self.subTest(platform=platform), self._archive(platform) as archive:
                top = self.stems[platform] + "/"
                self.assertEqual([(info.filename, info.external_attr >> 16)
                                  for info in archive.infolist()],
                                 sorted((top + name, mode) for name, mode in entries.items()))

    def test_entries_carry_the_commit_time_and_nothing_of_the_machine(self):
        commit_time = time.gmtime(_commit_time())[:6]
        # Zip times have a resolution of two seconds.
        expected_time = commit_time[:5] + (commit_time[5] // 2 * 2,)
        traces = [socket.gethostname().encode(), os.path.expanduser("~").encode(),
                  ARGS.source.encode(), ARGS.work.encode()]
        for platform in self.stems:
            with self.subTest(platform=platform), self._archive(platform) as archive:
                for info in archive.infolist():
                    self.assertEqual((info.filename, info.date_time, info.extra),
                                     (info.filename, expected_time, b""))
                    content = archive.read(info)
                    self.assertEqual([trace for trace in traces if trace in content], [],
                                     info.filename)

    def test_a_failed_check_packages_nothing(self):
        # An llvm-objdump that reads every Mach-O file as empty fails the bundle's checks.
        tools = os.path.join(ARGS.work, "broken-tools")
        os.makedirs(tools, exist_ok=True)
        broken = os.path.join(tools, "llvm-objdump-14")
        with open(broken, "w", encoding="utf-8") as script:
            script.write("#!/bin/sh\nexit 0\n")
        os.chmod(broken, 0o755)
        dist = os.path.join(ARGS.work, "refused")
        shutil.rmtree(dist, ignore_errors=True)
        made = _release(os.path.join(ARGS.work, "release-a", "build"), dist,
                        PATH=tools + os.pathsep + os.environ["PATH"])
        self.assertEqual(made.returncode, 1, made.stdout + made.stderr)
        self.assertIn("the checks of Quayline.plugin failed", made.stderr)
        self.assertFalse(os.path.exists(dist) and os.listdir(dist))

    def test_version_and_install_text(self):
        with self._archive("macos-x86_64") as archive:
            info = plistlib.loads(archive.read(
                self.stems["macos-x86_64"] + "/Quayline.plugin/Contents/Info.plist"))
        self.assertEqual((info["CFBundleShortVersionString"], info["CFBundleVersion"]),
                         (ARGS.version, ARGS.version))
        # Each archive's text is the README's, for its own platform only.
        for platform, own, other in (("windows-x64", "Quayline.qvl", "Quayline.plugin"),
                                     ("macos-x86_64", "Quayline.plugin", "Quayline.qvl")):
            with self.subTest(platform=platform), self._archive(platform) as archive:
                text = archive.read(self.stems[platform] + "/INSTALL.txt").decode("utf-8")
                self.assertTrue(text.startswith(f"Quayline {ARGS.version} for "), text[:40])
                self.assertIn(own, text)
                self.assertNotIn(other, text)


def main():
    global ARGS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", required=True, help="the project's source folder")
    parser.add_argument("--work", required=True, help="a folder for the two releases")
    parser.add_argument("--version", required=True, help="the CMake project version")
    ARGS, rest = parser.parse_known_args()
    ARGS.work = os.path.abspath(ARGS.work)
    unittest.main(argv=[sys.argv[0], "-v"] + rest)


if __name__ == "__main__":
    main()
