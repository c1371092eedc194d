#!/usr/bin/env python3
"""Signs the built Quayline.qvl through the release's own signing step with a
throw-away self-signed certificate, and shows that osslsigncode accepts the
signature and rejects a changed byte, that signing adds the signature and
nothing else, and that the signed DLL passes the deliverable checks and every
scenario under Wine."""

import argparse
import importlib.machinery
import importlib.util
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

# Set from the command line before the tests run.
ARGS = None
# PE32+ optional-header fields that signing rewrites, from the header's start:
# the checksum, and the security directory (the fifth data directory).
CHECKSUM_FIELD = (64, 4)
SECURITY_DIRECTORY_FIELD = (144, 8)


def _release_tool():
    path = os.path.join(ARGS.source, "tools", "release")
    loader = importlib.machinery.SourceFileLoader("release", path)
    module = importlib.util.module_from_spec(importlib.util.spec_from_loader("release", loader))
    loader.exec_module(module)
    return module


def _run(command):
    return subprocess.run(command, capture_output=True, text=True, check=False)


def _optional_header(data):
    return struct.unpack_from("<I", data, 0x3C)[0] + 24


def _without_signing_fields(data, length):
    """The first length bytes, with the fields that signing rewrites zeroed."""
    kept = bytearray(data[:length])
    for offset, width in (CHECKSUM_FIELD, SECURITY_DIRECTORY_FIELD):
        start = _optional_header(data) + offset
        kept[start:start + width] = bytes(width)
    return bytes(kept)


class SigningTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.release = _release_tool()
        cls.folder = tempfile.mkdtemp(prefix="quayline-signing-")
        cls.certificate = os.path.join(cls.folder, "certificate.pem")
        cls.key = os.path.join(cls.folder, "key.pem")
        made = _run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2",
                     "-subj", "/CN=Quayline throw-away test signer",
                     "-addext", "extendedKeyUsage=codeSigning",
                     "-addext", "keyUsage=digitalSignature",
                     "-keyout", cls.key, "-out", cls.certificate])
        assert made.returncode == 0, made.stderr
        # Named as delivered: the deliverable check reads the export table's name.
        cls.signed = os.path.join(cls.folder, "Quayline.qvl")
        shutil.copyfile(ARGS.dll, cls.signed)
        cls.was_signed = cls.release.sign_windows_dll(
            cls.release.Path(cls.signed),
            {"QUAYLINE_SIGN_CERT": cls.certificate, "QUAYLINE_SIGN_KEY": cls.key})

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder)

    def _verify(self, path):
        return _run(["osslsigncode", "verify", "-CAfile", self.certificate, "-in", path])

    def test_osslsigncode_accepts_the_signature(self):
        self.assertTrue(self.was_signed)
        verified = self._verify(self.signed)
        self.assertEqual(verified.returncode, 0, verified.stdout + verified.stderr)

    def test_osslsigncode_rejects_one_changed_byte(self):
        with open(self.signed, "rb") as signed:
            data = bytearray(signed.read())
        # A byte of code, well inside the first section.
        data[len(data) // 4] ^= 0x01
        changed = os.path.join(self.folder, "changed.qvl")
        with open(changed, "wb") as output:
            output.write(data)
        self.assertNotEqual(self._verify(changed).returncode, 0)

    def test_signing_adds_the_signature_and_nothing_else(self):
        with open(ARGS.dll, "rb") as unsigned, open(self.signed, "rb") as signed:
            before, after = unsigned.read(), signed.read()
        self.assertGreater(len(after), len(before))
        self.assertEqual(_without_signing_fields(after, len(before)),
                         _without_signing_fields(before, len(before)))

    def test_signed_dll_passes_the_deliverable_checks(self):
        # The check exactly as the build registers it, on the signed copy.
        listed = _run(["ctest", "--test-dir", ARGS.build, "--show-only=json-v1",
                       "-R", r"^windows\.deliverable$"])
        (test,) = json.loads(listed.stdout)["tests"]
        command = [self.signed if part == ARGS.dll else part for part in test["command"]]
        self.assertIn(self.signed, command)
        checked = _run(command)
        self.assertEqual(checked.returncode, 0, checked.stdout + checked.stderr)

    def test_signed_dll_runs_every_scenario_under_wine(self):
        ran = _run([sys.executable, "-B", os.path.join(ARGS.source, "tests", "windows",
                                                       "run_scenarios.py"),
                    "--wine", ARGS.wine, "--lmhost", ARGS.lmhost, "--plugin", self.signed,
                    "scenarios", os.path.join(ARGS.source, "tests", "scenarios")])
        self.assertEqual(ran.returncode, 0, ran.stdout + ran.stderr)


class SigningSettingsTest(unittest.TestCase):
    """Which environment signs, which leaves the DLL unsigned, which stops."""

    def test_settings(self):
        release = _release_tool()
        cases = [
            ({}, False),
            ({"QUAYLINE_TIMESTAMP_URL": "http://127.0.0.1:9/"}, False),
            ({"QUAYLINE_SIGN_CERT": "certificate.pem"}, release.ReleaseError),
            ({"QUAYLINE_SIGN_KEY": "key.pem"}, release.ReleaseError),
        ]
        with tempfile.TemporaryDirectory(prefix="quayline-unsigned-") as folder:
            dll = release.Path(shutil.copy(ARGS.dll, folder))
            for environment, expected in cases:
                with self.subTest(environment=environment):
                    if expected is False:
                        self.assertFalse(release.sign_windows_dll(dll, environment))
                    else:
                        self.assertRaises(expected, release.sign_windows_dll, dll, environment)
                    self.assertEqual(dll.read_bytes(), release.Path(ARGS.dll).read_bytes())


def main():
    global ARGS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", required=True, help="the project's source folder")
    parser.add_argument("--build", required=True, help="the windows-mingw build folder")
    parser.add_argument("--dll", required=True, help="the built, unsigned Quayline.qvl")
    parser.add_argument("--lmhost", required=True)
    parser.add_argument("--wine", required=True, help="the wine64 loader")
    ARGS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0], "-v"] + rest)


if __name__ == "__main__":
    main()
