#!/usr/bin/env python3
"""Reads the built Quayline.qvl with pefile, not with any code of the project,
and compares it with what the host and the loader rely on."""

import argparse
import fnmatch
import struct
import sys
import unittest
import xml.etree.ElementTree as ElementTree

import pefile

from expected_property_list import EXPECTED_PROPERTY_LIST

RT_MANIFEST = 24
LANGUAGE_ENGLISH_UK = 2057
LANGUAGE_ENGLISH_US = 1033
CODE_PAGE_WESTERN = 1252
ASM_V1 = "{urn:schemas-microsoft-com:asm.v1}"
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
# An Authenticode signature: one WIN_CERTIFICATE of revision 2.0 holding PKCS#7
# signed data (DER object id 1.2.840.113549.1.7.2) about Authenticode's
# indirect data (1.3.6.1.4.1.311.2.1.4).
WIN_CERT_REVISION_2_0 = 0x0200
WIN_CERT_TYPE_PKCS_SIGNED_DATA = 0x0002
OID_PKCS7_SIGNED_DATA = bytes.fromhex("06092a864886f70d010702")
OID_SPC_INDIRECT_DATA = bytes.fromhex("060a2b060104018237020104")

# Set from the command line before the tests run.
DELIVERABLE = None
RUNTIME_DLLS = []
OBJECTS = []


def _resources(pe):
    """(type, name, language, data entry) for every resource; names as str or int."""
    def key(entry):
        return str(entry.name) if entry.name is not None else entry.id

    found = []
    for type_entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        for name_entry in type_entry.directory.entries:
            for language_entry in name_entry.directory.entries:
                found.append((key(type_entry), key(name_entry),
                              language_entry.id, language_entry.data.struct))
    return found


def _resource_bytes(pe, data_entry):
    return pe.get_data(data_entry.OffsetToData, data_entry.Size)


def _align8(offset):
    return (offset + 7) & ~7


def _coff_section_names(path):
    with open(path, "rb") as object_file:
        data = object_file.read()
    _, sections, _, symbols_at, symbol_count, optional_size, _ = struct.unpack_from(
        "<HHIIIHH", data)
    strings_at = symbols_at + 18 * symbol_count
    names = []
    for index in range(sections):
        raw = data[20 + optional_size + 40 * index:][:8].rstrip(b"\0")
        if raw.startswith(b"/"):
            start = strings_at + int(raw[1:])
            raw = data[start:data.index(b"\0", start)]
        names.append(raw.decode("ascii"))
    return names


class DeliverableTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.pe = pefile.PE(DELIVERABLE)

    def test_is_a_relocatable_x86_64_dll(self):
        header = self.pe.FILE_HEADER
        optional = self.pe.OPTIONAL_HEADER
        self.assertEqual(header.Machine, pefile.MACHINE_TYPE["IMAGE_FILE_MACHINE_AMD64"])
        self.assertEqual(optional.Magic, pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS)
        self.assertTrue(header.IMAGE_FILE_DLL)
        self.assertFalse(header.IMAGE_FILE_RELOCS_STRIPPED)
        relocations = optional.DATA_DIRECTORY[
            pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
        self.assertGreater(relocations.Size, 0, "no base relocations")

    def test_dll_characteristics(self):
        flags = pefile.DLL_CHARACTERISTICS
        expected = (flags["IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE"]
                    | flags["IMAGE_DLLCHARACTERISTICS_NX_COMPAT"]
                    | flags["IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA"])
        self.assertEqual(hex(self.pe.OPTIONAL_HEADER.DllCharacteristics), hex(expected))

    def test_exports_only_plugin_main_as_ordinal_1(self):
        exports = self.pe.DIRECTORY_ENTRY_EXPORT
        self.assertEqual(self.pe.get_string_at_rva(exports.struct.Name), b"Quayline.qvl")
        self.assertEqual([(symbol.ordinal, symbol.name, symbol.forwarder)
                          for symbol in exports.symbols], [(1, b"PluginMain", None)])

    def test_imports_the_bus_by_name_and_only_the_runtime_besides(self):
        imports = {entry.dll.decode("ascii"): entry.imports
                   for entry in self.pe.DIRECTORY_ENTRY_IMPORT}
        self.assertEqual(sorted(symbol.name for symbol in imports.pop("Confluxor.dll")),
                         [b"AddEventListener", b"DispatchEvent"])
        self.assertIn("KERNEL32.dll", imports)
        others = [name for name in imports if name != "KERNEL32.dll"
                  and not any(fnmatch.fnmatch(name.lower(), allowed.lower())
                              for allowed in RUNTIME_DLLS)]
        self.assertEqual(others, [], "imports beyond the bus, KERNEL32.dll and the runtime")
        self.assertFalse(hasattr(self.pe, "DIRECTORY_ENTRY_DELAY_IMPORT"),
                         "delayed imports would bind after load")

    def test_nothing_follows_the_sections_but_a_signature(self):
        data = self.pe.__data__
        sections_end = max(section.PointerToRawData + section.SizeOfRawData
                           for section in self.pe.sections)
        security = self.pe.OPTIONAL_HEADER.DATA_DIRECTORY[
            pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]]
        if security.Size == 0:
            self.assertEqual(len(data), sections_end, "data after the last section")
            return
        # The security directory's address is a file offset: the signature is
        # appended, 8-byte aligned, and ends the file.
        start = security.VirtualAddress
        self.assertEqual((start, start + security.Size), (_align8(sections_end), len(data)))
        length, revision, kind = struct.unpack_from("<IHH", data, start)
        self.assertEqual((revision, kind),
                         (WIN_CERT_REVISION_2_0, WIN_CERT_TYPE_PKCS_SIGNED_DATA))
        self.assertEqual(_align8(length), security.Size, "more than one certificate entry")
        signed_data = bytes(data[start + 8:start + length])
        self.assertIn(OID_PKCS7_SIGNED_DATA, signed_data[:32])
        self.assertIn(OID_SPC_INDIRECT_DATA, signed_data)

    def test_two_resources_with_their_ids_languages_and_code_page(self):
        self.assertEqual(
            [(kind, name, language, entry.CodePage, entry.Size)
             for kind, name, language, entry in _resources(self.pe)],
            [("PIPL", 16000, LANGUAGE_ENGLISH_UK, CODE_PAGE_WESTERN, 174),
             (RT_MANIFEST, 2, LANGUAGE_ENGLISH_US, CODE_PAGE_WESTERN, 346)])

    def test_property_list_bytes(self):
        (entry,) = [entry for kind, _, _, entry in _resources(self.pe) if kind == "PIPL"]
        self.assertEqual(_resource_bytes(self.pe, entry).hex(" ", 4),
                         EXPECTED_PROPERTY_LIST.hex(" ", 4))

    def test_manifest_runs_as_invoker(self):
        (entry,) = [entry for kind, _, _, entry in _resources(self.pe) if kind == RT_MANIFEST]
        assembly = ElementTree.fromstring(_resource_bytes(self.pe, entry))
        self.assertEqual(assembly.tag, ASM_V1 + "assembly")
        self.assertEqual(assembly.get("manifestVersion"), "1.0")
        level = assembly.find(f"{ASM_V3}trustInfo/{ASM_V3}security/"
                              f"{ASM_V3}requestedPrivileges/{ASM_V3}requestedExecutionLevel")
        self.assertIsNotNone(level, "no requestedExecutionLevel under trustInfo/security")
        self.assertEqual(level.attrib, {"level": "asInvoker", "uiAccess": "false"})

    def test_own_modules_have_no_static_constructors(self):
        # GCC lists them in .ctors (or .init_array), MSVC in .CRT$XCU.
        for path in OBJECTS:
            with self.subTest(object=path):
                self.assertEqual([name for name in _coff_section_names(path)
                                  if name.startswith((".ctors", ".init_array", ".CRT$XC"))], [])


def main():
    global DELIVERABLE, RUNTIME_DLLS, OBJECTS
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("deliverable")
    parser.add_argument("--runtime-dll", action="append", default=[],
                        help="a DLL of the toolchain's runtime that may be imported (glob)")
    parser.add_argument("--object", action="append", default=[],
                        help="an object file of the plug-in's own modules")
    args, rest = parser.parse_known_args()
    DELIVERABLE, RUNTIME_DLLS, OBJECTS = args.deliverable, args.runtime_dll, args.object
    unittest.main(argv=[sys.argv[0], "-v"] + rest)


if __name__ == "__main__":
    main()
