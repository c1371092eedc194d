#!/usr/bin/env python3
"""Writes Windows resources as an x86-64 COFF object that either linker takes.

The resource compilers at hand leave the code page of every resource at 0;
this writer records the one it is given. The object holds one .rsrc section:
the three-level directory (type, name, language), the data entries, the
directory strings and the data, plus one image-relative relocation a data
entry so that the linker turns its section offset into an address.
"""

import argparse
import struct
import sys
from typing import Dict, List, NamedTuple, Tuple, Union

from build_output import write_atomically

Key = Union[int, str]

IMAGE_FILE_MACHINE_AMD64 = 0x8664
IMAGE_REL_AMD64_ADDR32NB = 3
IMAGE_SYM_CLASS_STATIC = 3
# Initialised read-only data, aligned to 8 bytes.
RSRC_CHARACTERISTICS = 0x00000040 | 0x00400000 | 0x40000000
SUBDIRECTORY_FLAG = 0x80000000
NAME_IS_STRING_FLAG = 0x80000000
COFF_HEADER_SIZE = 20
SECTION_HEADER_SIZE = 40


class ResourceError(Exception):
    """A resource that cannot be written."""


class Resource(NamedTuple):
    type: Key
    name: Key
    language: int
    data: bytes


def parse_key(text: str) -> Key:
    """A decimal number is an integer id; anything else is a name."""
    if text.isdigit():
        number = int(text)
        if number > 0xFFFF:
            raise ResourceError(f"id {text} does not fit in 16 bits")
        return number
    if not text:
        raise ResourceError("a resource name is empty")
    return text


def _sorted_keys(directory: Dict[Key, object]) -> List[Key]:
    # The loader searches names first, then ids, each in ascending order.
    return sorted(directory, key=lambda key: (isinstance(key, int), key))


def build_tree(resources: List[Resource]) -> Dict[Key, Dict[Key, Dict[Key, bytes]]]:
    tree: Dict[Key, Dict[Key, Dict[Key, bytes]]] = {}
    for resource in resources:
        languages = tree.setdefault(resource.type, {}).setdefault(resource.name, {})
        if resource.language in languages:
            raise ResourceError(f"resource {resource.type}/{resource.name}/"
                                f"{resource.language} is given twice")
        languages[resource.language] = resource.data
    return tree


def _directories_breadth_first(tree: dict) -> List[dict]:
    directories = [tree]
    for directory in directories:
        directories.extend(directory[key] for key in _sorted_keys(directory)
                           if isinstance(directory[key], dict))
    return directories


def _directory_size(directory: dict) -> int:
    return 16 + 8 * len(directory)


def _encoded_name(name: str) -> bytes:
    return struct.pack("<H", len(name)) + name.encode("utf-16-le")


def _align(size: int, alignment: int) -> int:
    return size + (-size % alignment)


class _Layout:
    """Where each directory, data entry, name and datum sits in the section."""

    def __init__(self, tree: dict):
        self.directories = _directories_breadth_first(tree)
        self.leaves: List[bytes] = [directory[key] for directory in self.directories
                                    for key in _sorted_keys(directory)
                                    if not isinstance(directory[key], dict)]
        self.names = sorted({key for directory in self.directories for key in directory
                             if isinstance(key, str)})
        position = 0
        self.directory_offsets = {}
        for directory in self.directories:
            self.directory_offsets[id(directory)] = position
            position += _directory_size(directory)
        self.entries_offset = position
        position += 16 * len(self.leaves)
        self.name_offsets = {}
        for name in self.names:
            self.name_offsets[name] = position
            position += len(_encoded_name(name))
        self.data_offsets = []
        for data in self.leaves:
            position = _align(position, 8)
            self.data_offsets.append(position)
            position += len(data)
        self.size = _align(position, 8)


def _directory_bytes(directory: dict, layout: _Layout, leaf_index: List[int]) -> bytes:
    keys = _sorted_keys(directory)
    named = sum(isinstance(key, str) for key in keys)
    out = struct.pack("<IIHHHH", 0, 0, 0, 0, named, len(keys) - named)
    for key in keys:
        name_field = (NAME_IS_STRING_FLAG | layout.name_offsets[key]
                      if isinstance(key, str) else key)
        child = directory[key]
        if isinstance(child, dict):
            target = SUBDIRECTORY_FLAG | layout.directory_offsets[id(child)]
        else:
            target = layout.entries_offset + 16 * leaf_index[0]
            leaf_index[0] += 1
        out += struct.pack("<II", name_field, target)
    return out


def build_section(resources: List[Resource], code_page: int) -> Tuple[bytes, List[int]]:
    """The .rsrc section and the offsets of the fields that need relocating."""
    layout = _Layout(build_tree(resources))
    section = bytearray(layout.size)
    leaf_index = [0]
    for directory in layout.directories:
        offset = layout.directory_offsets[id(directory)]
        encoded = _directory_bytes(directory, layout, leaf_index)
        section[offset:offset + len(encoded)] = encoded
    relocations = []
    for index, data in enumerate(layout.leaves):
        entry = layout.entries_offset + 16 * index
        section[entry:entry + 16] = struct.pack("<IIII", layout.data_offsets[index], len(data),
                                                code_page, 0)
        relocations.append(entry)
        section[layout.data_offsets[index]:layout.data_offsets[index] + len(data)] = data
    for name in layout.names:
        encoded = _encoded_name(name)
        section[layout.name_offsets[name]:layout.name_offsets[name] + len(encoded)] = encoded
    return bytes(section), relocations


def build_object(resources: List[Resource], code_page: int) -> bytes:
    section, relocations = build_section(resources, code_page)
    raw_offset = COFF_HEADER_SIZE + SECTION_HEADER_SIZE
    relocations_offset = raw_offset + len(section)
    symbols_offset = relocations_offset + 10 * len(relocations)
    header = struct.pack("<HHIIIHH", IMAGE_FILE_MACHINE_AMD64, 1, 0, symbols_offset, 2, 0, 0)
    section_header = struct.pack("<8sIIIIIIHHI", b".rsrc", 0, 0, len(section), raw_offset,
                                 relocations_offset, 0, len(relocations), 0,
                                 RSRC_CHARACTERISTICS)
    relocation_records = b"".join(struct.pack("<IIH", offset, 0, IMAGE_REL_AMD64_ADDR32NB)
                                  for offset in relocations)
    section_symbol = struct.pack("<8sIhHBB", b".rsrc", 0, 1, 0, IMAGE_SYM_CLASS_STATIC, 1)
    section_aux = struct.pack("<IHHIHB3x", len(section), len(relocations), 0, 0, 0, 0)
    string_table = struct.pack("<I", 4)
    return (header + section_header + section + relocation_records + section_symbol
            + section_aux + string_table)


def _read_resource(type_text: str, name_text: str, language_text: str, path: str) -> Resource:
    if not language_text.isdigit() or int(language_text) > 0xFFFF:
        raise ResourceError(f"language {language_text!r} is not a 16-bit number")
    with open(path, "rb") as data:
        return Resource(parse_key(type_text), parse_key(name_text), int(language_text),
                        data.read())


def main(argv: List[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--code-page", type=int, required=True)
    parser.add_argument("--resource", nargs=4, action="append", required=True,
                        metavar=("TYPE", "NAME", "LANGUAGE", "FILE"))
    parser.add_argument("output")
    args = parser.parse_args(argv)
    try:
        resources = [_read_resource(*fields) for fields in args.resource]
        write_atomically(args.output, build_object(resources, args.code_page))
    except (OSError, ResourceError) as error:
        print(f"resource_object: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
