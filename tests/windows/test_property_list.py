#!/usr/bin/env python3
"""The property-list writer shared by the Windows resource and the macOS bundle."""

import os
import tempfile
import unittest

import property_list
from expected_property_list import EXPECTED_PROPERTY_LIST

TABLE = os.path.join(os.path.dirname(property_list.__file__), "PropertyList.txt")


class EncodeValueTest(unittest.TestCase):
    def test_forms_and_zero_fill(self):
        cases = [
            ("fourcc", "QVLZ", "5a4c5651"),
            ("uint32", "0x10000", "00000100"),
            ("uint32", "4294967295", "ffffffff"),
            ("pascal", "Quayline", "08517561796c696e65000000"),
            ("pascal", "abc", "03616263"),
            ("pascal", "", "00000000"),
            ("cstring", "PluginMain", "506c7567696e4d61696e0000"),
            ("cstring", "abc", "61626300"),
            ("cstring", "", "00000000"),
        ]
        for form, text, expected in cases:
            with self.subTest(form=form, text=text):
                self.assertEqual(property_list.encode_value(form, text).hex(), expected)

    def test_rejected_values(self):
        cases = [
            ("fourcc", "QVL", "four printable characters"),
            ("fourcc", "QVLZZ", "four printable characters"),
            ("fourcc", "QV\tZ", "four printable characters"),
            ("uint32", "4294967296", "32 unsigned bits"),
            ("uint32", "-1", "32 unsigned bits"),
            ("uint32", "one", "not an integer"),
            ("pascal", "x" * 256, "one-byte count"),
            ("pascal", "Qu\u00e4yline", "not plain ASCII"),
            ("cstring", "Plug\u00efnMain", "not plain ASCII"),
            ("string", "Quayline", "none of fourcc, uint32, pascal, cstring"),
        ]
        for form, text, message in cases:
            with self.subTest(form=form, text=text):
                with self.assertRaisesRegex(property_list.TableError, message):
                    property_list.encode_value(form, text)


class TableTest(unittest.TestCase):
    def test_the_plugins_table_gives_the_hosts_174_bytes(self):
        with open(TABLE, encoding="utf-8") as table:
            properties = property_list.parse_table(table.read(), TABLE)
        self.assertEqual(property_list.encode_list(properties).hex(" ", 4),
                         EXPECTED_PROPERTY_LIST.hex(" ", 4))

    def test_values_keep_inner_spaces(self):
        (prop,) = property_list.parse_table("9QKV catg pascal Two Words\n", "t")
        self.assertEqual(prop.value, "Two Words")

    def test_bad_rows_name_their_line(self):
        cases = [
            ("9QKV kind fourcc\n", "t:1: a row needs vendor, key, form and value"),
            ("# comment\n\n9QK kind fourcc QVLZ\n", "t:3: vendor '9QK'"),
            ("9QKV kinds fourcc QVLZ\n", "t:1: key 'kinds'"),
        ]
        for text, message in cases:
            with self.subTest(text=text):
                with self.assertRaisesRegex(property_list.TableError, message):
                    property_list.parse_table(text, "t")


class MainTest(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.TemporaryDirectory()
        self.output = os.path.join(self.folder.name, "Quayline.pipl")

    def tearDown(self):
        self.folder.cleanup()

    def _write_table(self, text):
        path = os.path.join(self.folder.name, "table.txt")
        with open(path, "w", encoding="utf-8") as table:
            table.write(text)
        return path

    def test_writes_the_list(self):
        self.assertEqual(property_list.main([TABLE, self.output]), 0)
        with open(self.output, "rb") as written:
            self.assertEqual(written.read(), EXPECTED_PROPERTY_LIST)

    def test_a_bad_table_fails_and_keeps_the_old_list(self):
        with open(self.output, "wb") as old:
            old.write(b"old")
        self.assertEqual(property_list.main([self._write_table("9QKV kind int 1\n"), self.output]), 1)
        with open(self.output, "rb") as kept:
            self.assertEqual(kept.read(), b"old")
        self.assertEqual(sorted(os.listdir(self.folder.name)), ["Quayline.pipl", "table.txt"])

    def test_a_missing_table_fails(self):
        self.assertEqual(property_list.main([self._write_table("") + ".gone", self.output]), 1)
        self.assertFalse(os.path.exists(self.output))


if __name__ == "__main__":
    unittest.main()
