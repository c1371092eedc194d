#!/usr/bin/env python3
"""Writes the plug-in property list, in the host's binary form, from its table.

The list is a header (16-bit 1, 32-bit 0, 32-bit record count) followed by one
record a property: vendor code, key, property id 0, data length, then the data
padded with zero bytes to a multiple of 4. Integers are little-endian, so a
four-character code, being the integer whose high byte is its first character,
is stored with its characters reversed.
"""

import argparse
import struct
import sys
from typing import List, NamedTuple

from build_output import write_atomically


class TableError(Exception):
    """A row of the table that cannot be written as a property."""


class Property(NamedTuple):
    vendor: str
    key: str
    form: str
    value: str


def _ascii_bytes(text: str, what: str) -> bytes:
    try:
        return text.encode("ascii")
    except UnicodeEncodeError:
        raise TableError(f"{what} {text!r} is not plain ASCII") from None


def _four_char_code(text: str, what: str) -> bytes:
    data = _ascii_bytes(text, what)
    if len(data) != 4 or not all(0x20 <= byte <= 0x7E for byte in data):
        raise TableError(f"{what} {text!r} is not four printable characters")
    return struct.pack("<I", int.from_bytes(data, "big"))


def _uint32(text: str) -> bytes:
    try:
        number = int(text, 0)
    except ValueError:
        raise TableError(f"value {text!r} is not an integer") from None
    if not 0 <= number <= 0xFFFFFFFF:
        raise TableError(f"value {text!r} does not fit in 32 unsigned bits")
    return struct.pack("<I", number)


def _pascal_string(text: str) -> bytes:
    data = _ascii_bytes(text, "value")
    if len(data) > 255:
        raise TableError(f"value {text!r} is longer than a one-byte count allows")
    return bytes([len(data)]) + data


def _c_string(text: str) -> bytes:
    return _ascii_bytes(text, "value") + b"\0"


_VALUE_FORMS = {
    "fourcc": lambda text: _four_char_code(text, "value"),
    "uint32": _uint32,
    "pascal": _pascal_string,
    "cstring": _c_string,
}


def encode_value(form: str, text: str) -> bytes:
    """The property's data, zero-filled to a multiple of 4."""
    if form not in _VALUE_FORMS:
        raise TableError(f"form {form!r} is none of {', '.join(_VALUE_FORMS)}")
    data = _VALUE_FORMS[form](text)
    return data + bytes(-len(data) % 4)


def encode_property(prop: Property) -> bytes:
    data = encode_value(prop.form, prop.value)
    return (_four_char_code(prop.vendor, "vendor") + _four_char_code(prop.key, "key")
            + struct.pack("<II", 0, len(data)) + data)


def encode_list(properties: List[Property]) -> bytes:
    header = struct.pack("<HII", 1, 0, len(properties))
    return header + b"".join(encode_property(prop) for prop in properties)


def _parse_row(line: str) -> Property:
    fields = line.split(maxsplit=3)
    if len(fields) != 4:
        raise TableError("a row needs vendor, key, form and value")
    return Property(*fields)


def parse_table(text: str, name: str) -> List[Property]:
    """The rows of the table; blank lines and lines starting with # are skipped."""
    properties = []
    for number, line in enumerate(text.splitlines(), start=1):
        line = line.strip()
        if not line or line.startswith("#"):
            continue
        try:
            prop = _parse_row(line)
            encode_property(prop)
        except TableError as error:
            raise TableError(f"{name}:{number}: {error}") from None
        properties.append(prop)
    return properties


def main(argv: List[str]) -> int:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("table", help="the property table (vendor, key, form, value)")
    parser.add_argument("output", help="the binary property list to write")
    args = parser.parse_args(argv)
    try:
        with open(args.table, encoding="utf-8") as table:
            properties = parse_table(table.read(), args.table)
        write_atomically(args.output, encode_list(properties))
    except (OSError, UnicodeDecodeError, TableError) as error:
        print(f"property_list: {error}", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
