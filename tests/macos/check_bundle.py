#!/usr/bin/env python3
"""Cross-builds the macOS plug-in bundle with the macos-cross preset, then reads
it with LLVM's Mach-O tools, not with any code of the project, and compares it
with what the host and the macOS loader rely on; given the stand-in Mach-O
loader's dump tool, also compares what that loader reads with llvm-objdump."""

import argparse
import os
import plistlib
import re
import shutil
import subprocess
import sys
import unittest

from expected_property_list import EXPECTED_PROPERTY_LIST

BUS_FRAMEWORK = "@executable_path/../Frameworks/Conflux.framework/Versions/A/Conflux"
SYSTEM_LIBRARY = "/usr/lib/libSystem.B.dylib"
SYSTEM_CXX_LIBRARY = "/usr/lib/libc++.1.dylib"
BUS_FUNCTIONS = ["_AddEventListener", "_DispatchEvent"]
# The three as llvm-objdump names them.
LINKED_LIBRARIES = {"Conflux", "libc++", "libSystem"}
OBJDUMP = "llvm-objdump-14"
READOBJ = "llvm-readobj-14"
# Each tool with the Debian package that brings it.
TOOLS = {OBJDUMP: "llvm-14", READOBJ: "llvm-14", "ld64.lld-14": "lld-14"}
DYLIB_COMMANDS = ("LC_ID_DYLIB", "LC_LOAD_DYLIB", "LC_LOAD_WEAK_DYLIB", "LC_REEXPORT_DYLIB",
                  "LC_LAZY_LOAD_DYLIB", "LC_LOAD_UPWARD_DYLIB")
# Sections and commands through which dyld runs code at load or unload.
INITIALISER_SECTIONS = {"__mod_init_func", "__init_offsets", "__mod_term_func"}
INITIALISER_COMMANDS = {"LC_ROUTINES", "LC_ROUTINES_64"}

# Set from the command line before the tests run.
SOURCE = None
BUILD = None
MACHO_DUMP = None


def _run(*command):
    return subprocess.run(command, check=True, capture_output=True, text=True).stdout


def _objdump(path, *options):
    return _run(OBJDUMP, "--macho", *options, path)


def _file_header(path):
    """The Mach-O header's fields as llvm-readobj names them, e.g. "FileType"."""
    return dict(re.findall(r"^\s*(Magic|CpuType|FileType): (.*)$",
                           _run(READOBJ, "--file-headers", path), re.MULTILINE))


def _load_commands(path):
    """Each load command as a dict of the fields read here: cmd, name, compatibility."""
    commands = []
    for block in re.split(r"^Load command \d+$", _objdump(path, "--private-headers"),
                          flags=re.MULTILINE)[1:]:
        command = {"cmd": re.search(r"^\s*cmd (\S+)", block, re.MULTILINE).group(1)}
        name = re.search(r"^\s*name (.*) \(offset \d+\)$", block, re.MULTILINE)
        compatibility = re.search(r"^\s*compatibility version (\S+)", block, re.MULTILINE)
        if name:
            command["name"] = name.group(1)
        if compatibility:
            command["compatibility"] = compatibility.group(1)
        commands.append(command)
    return commands


def _dylibs(path):
    return sorted((command["cmd"], command["name"], command["compatibility"])
                  for command in _load_commands(path) if command["cmd"] in DYLIB_COMMANDS)


def _bindings(path):
    """(table, library, symbol) for every symbol that dyld binds, lazily or at load."""
    found = []
    table = None
    for line in _objdump(path, "--bind", "--lazy-bind").splitlines():
        if line.endswith("table:"):
            table = line[:-len(" table:")]
        elif table and line.strip() and not line.startswith("segment"):
            found.append((table,) + tuple(line.split()[-2:]))
    return found


def _fixups(path):
    """(table, segment, address, library, symbol, addend) for every rebase and
    bind, as llvm-objdump reads them; rebases have no library and no symbol."""
    found = []
    table = None
    for line in _objdump(path, "--rebase", "--bind", "--lazy-bind").splitlines():
        if line.endswith("table:"):
            table = {"Rebase table:": "rebase", "Bind table:": "bind",
                     "Lazy bind table:": "lazy"}[line]
        elif table and line.strip() and not line.startswith("segment"):
            fields = line.split()
            library, symbol = fields[-2:] if table != "rebase" else ("", "")
            addend = int(fields[4]) if table == "bind" else 0
            found.append((table, fields[0], int(fields[2], 16), library, symbol, addend))
    return sorted(found)


def _loader_fixups(path):
    """The same, as the stand-in Mach-O loader's dump tool reads them."""
    found = []
    for line in _run(MACHO_DUMP, path).splitlines():
        table, segment, address, *binding = line.split()
        library, symbol, addend = ("", "", 0)
        if binding:
            # llvm-objdump names a library by its file name up to the first dot.
            library = os.path.basename(binding[0]).split(".")[0]
            symbol, addend = binding[1], int(binding[2])
        found.append((table, segment, int(address, 16), library, symbol, addend))
    return sorted(found)


def _exports(path):
    return re.findall(r"^0x[0-9A-Fa-f]+\s+(\S+)", _objdump(path, "--exports-trie"), re.MULTILINE)


def _section_names(path):
    return re.findall(r"^\s*\d+ (\S+)", _objdump(path, "--section-headers"), re.MULTILINE)


def _project_version():
    with open(os.path.join(BUILD, "CMakeCache.txt"), encoding="utf-8") as cache:
        return re.search(r"^CMAKE_PROJECT_VERSION:\w+=(.*)$", cache.read(), re.MULTILINE).group(1)


def _stub_field(text, field):
    return re.search(rf"^{field}:\s*'?([^'\n]*?)'?\s*$", text, re.MULTILINE).group(1)


class BundleTest(unittest.TestCase):
    @staticmethod
    def executable_path():
        bundle = os.path.join(BUILD, "bin", "Quayline.plugin")
        with open(os.path.join(bundle, "Contents", "Info.plist"), "rb") as info:
            return os.path.join(bundle, "Contents", "MacOS", plistlib.load(info)["CFBundleExecutable"])

    @classmethod
    def setUpClass(cls):
        cls.bundle = os.path.join(BUILD, "bin", "Quayline.plugin")
        with open(os.path.join(cls.bundle, "Contents", "Info.plist"), "rb") as info:
            cls.info = plistlib.load(info)
        cls.executable = cls.executable_path()

    def test_is_an_x86_64_mach_o_bundle(self):
        self.assertEqual(_file_header(self.executable),
                         {"Magic": "Magic64 (0xFEEDFACF)", "CpuType": "X86-64 (0x1000007)",
                          "FileType": "Bundle (0x8)"})

    def test_links_the_bus_framework_and_the_system_libraries_as_required(self):
        self.assertEqual(_dylibs(self.executable),
                         [("LC_LOAD_DYLIB", SYSTEM_LIBRARY, "1.0.0"),
                          ("LC_LOAD_DYLIB", SYSTEM_CXX_LIBRARY, "1.0.0"),
                          ("LC_LOAD_DYLIB", BUS_FRAMEWORK, "1.0.0")])

    def test_takes_exactly_the_two_bus_functions_lazily(self):
        bindings = _bindings(self.executable)
        self.assertEqual(sorted(symbol for table, library, symbol in bindings
                                if library == "Conflux"),
                         BUS_FUNCTIONS)
        self.assertEqual(sorted(table for table, library, _ in bindings if library == "Conflux"),
                         ["Lazy bind", "Lazy bind"])
        self.assertEqual([(library, symbol) for _, library, symbol in bindings
                          if library not in LINKED_LIBRARIES], [],
                         "symbols bound outside the bus and the system libraries")

    def test_takes_from_libcxx_exactly_what_its_stub_lists(self):
        with open(os.path.join(SOURCE, "interfaces", "bus", "libc++.1.tbd"), encoding="utf-8") as stub:
            text = stub.read()
        self.assertEqual(_stub_field(text, "install-name"), SYSTEM_CXX_LIBRARY)
        listed = re.search(r"symbols:\s*\[([^\]]*)\]", text).group(1)
        self.assertEqual(sorted({symbol for _, library, symbol in _bindings(self.executable)
                                 if library == "libc++"}),
                         sorted(symbol.strip() for symbol in listed.split(",")))

    def test_exports_only_the_entry_point(self):
        self.assertEqual(_exports(self.executable), ["_" + self.info["KXPlugInEntryPoint"]])

    def test_runs_nothing_at_load_or_unload(self):
        self.assertEqual(INITIALISER_SECTIONS & set(_section_names(self.executable)), set())
        self.assertEqual(INITIALISER_COMMANDS
                         & {command["cmd"] for command in _load_commands(self.executable)},
                         set())

    def test_info_plist_tells_what_the_property_list_tells(self):
        self.assertEqual({key: self.info.get(key) for key in (
            "CFBundleExecutable", "CFBundleName", "CFBundlePackageType", "CFBundleVersion",
            "CFBundleShortVersionString", "KXPlugInCategory", "KXPlugInEntryPoint",
            "KXPlugInPropertyList")},
            {"CFBundleExecutable": "Quayline", "CFBundleName": "Quayline",
             "CFBundlePackageType": "QVLZ", "CFBundleVersion": _project_version(),
             "CFBundleShortVersionString": _project_version(),
             "KXPlugInCategory": "**Hidden**", "KXPlugInEntryPoint": "PluginMain",
             "KXPlugInPropertyList": "Quayline.pipl"})

    def test_resources_hold_the_property_list(self):
        path = os.path.join(self.bundle, "Contents", "Resources",
                            self.info["KXPlugInPropertyList"])
        with open(path, "rb") as property_list:
            self.assertEqual(property_list.read().hex(" ", 4), EXPECTED_PROPERTY_LIST.hex(" ", 4))


class LoaderReadingTest(unittest.TestCase):
    """The stand-in Mach-O loader reads the same fix-ups as llvm-objdump."""

    def setUp(self):
        if MACHO_DUMP is None:
            self.skipTest("no --macho-dump: the stand-in Mach-O loader is not built")

    def test_rebases_and_bindings_match_llvm_objdump(self):
        executable = BundleTest.executable_path()
        self.assertEqual(_loader_fixups(executable), _fixups(executable))


class BusFrameworkTest(unittest.TestCase):
    """The stand-in bus built as the framework that the plug-in's stub describes."""

    @classmethod
    def setUpClass(cls):
        cls.framework = os.path.join(BUILD, "bin", "Conflux.framework",
                                     "Versions", "A", "Conflux")
        with open(os.path.join(SOURCE, "interfaces", "bus", "Conflux.tbd"), encoding="utf-8") as stub:
            cls.stub = stub.read()

    def test_is_an_x86_64_dynamic_library(self):
        header = _file_header(self.framework)
        self.assertEqual((header["CpuType"], header["FileType"]),
                         ("X86-64 (0x1000007)", "DynamicLibrary (0x6)"))

    def test_install_name_and_compatibility_version_are_the_stubs(self):
        (identity,) = [(name, compatibility) for command, name, compatibility
                       in _dylibs(self.framework) if command == "LC_ID_DYLIB"]
        self.assertEqual(identity, (BUS_FRAMEWORK, "1.0.0"))
        self.assertEqual((_stub_field(self.stub, "install-name"),
                          _stub_field(self.stub, "compatibility-version")), identity)

    def test_exports_what_the_stub_promises(self):
        promised = re.search(r"symbols:\s*\[([^\]]*)\]", self.stub).group(1)
        self.assertEqual(sorted(symbol.strip() for symbol in promised.split(",")), BUS_FUNCTIONS)
        self.assertLessEqual(set(BUS_FUNCTIONS), set(_exports(self.framework)))


def _missing_toolchain():
    """Why the bundle cannot be cross-built and read here, or None."""
    for tool, package in TOOLS.items():
        if shutil.which(tool) is None:
            return f"{tool} not found (Debian package {package})"
    install = subprocess.run(["sh", os.path.join(SOURCE, "cmake", "toolchains", "install-zig.sh")],
                             capture_output=True, text=True)
    if install.returncode != 0:
        return "Zig is not installed and install-zig.sh failed: " + install.stderr.strip()
    return None


def main():
    global SOURCE, BUILD, MACHO_DUMP
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", required=True, help="the project's source folder")
    parser.add_argument("--cmake", default="cmake", help="the cmake that runs the cross build")
    parser.add_argument("--build", help="check this finished macos-cross build instead of "
                                        "building build/macos-cross")
    parser.add_argument("--macho-dump", help="the stand-in Mach-O loader's dump tool")
    args, rest = parser.parse_known_args()
    SOURCE = args.source
    BUILD = args.build or os.path.join(SOURCE, "build", "macos-cross")
    MACHO_DUMP = args.macho_dump
    reason = _missing_toolchain()
    if reason:
        print("SKIPPED: " + reason)
        return 0
    if not args.build and subprocess.run([args.cmake, "--workflow", "--preset", "macos-cross"],
                                         cwd=SOURCE).returncode != 0:
        print("the macos-cross build failed", file=sys.stderr)
        return 1
    tests = unittest.main(argv=[sys.argv[0], "-v"] + rest, exit=False)
    return 0 if tests.result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
