"""The resources inside the built executables: the program icon and the
version block, read straight from the PE files (no Wine needed)."""

import os
import struct
import unittest

import harness
from pefile_lite import PeFile

EXE64 = harness.EXE64

RT_ICON = 3
RT_GROUP_ICON = 14
RT_VERSION = 16
ICON_GROUP_ID = 1
VERSION_ID = 1

# (width, height, bits per pixel, colour count as the group lists it, image id)
EXPECTED_ICON_IMAGES = [
    (64, 64, 24, 0, 30001),
    (32, 32, 24, 0, 30002),
    (32, 32, 8, 0, 30003),
    (32, 32, 4, 16, 30004),
]
DESCRIPTION = "Кнопка для выхода из системы"
VS_FIXEDFILEINFO_SIGNATURE = 0xFEEF04BD


class PeResources:
    """The resource tree of a Windows executable: {type: {name: {language: bytes}}}.

    Ids are ints, names are strings."""

    def __init__(self, path):
        self.tree = PeFile(path).resources()
        if not self.tree:
            raise ValueError(f"{path} has no resources")

    def only(self, kind, name):
        """The single language version of one resource; fails if there is none or several."""
        languages = self.tree.get(kind, {}).get(name)
        if not languages:
            raise AssertionError(f"no resource of type {kind} named {name!r}")
        if len(languages) != 1:
            raise AssertionError(f"resource {kind}/{name!r} has {len(languages)} languages: {sorted(languages)!r}")
        return next(iter(languages.values()))


def icon_group_entries(data):
    """(width, height, colour count, planes, bits, bytes, id) of each GRPICONDIRENTRY."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if (reserved, kind) != (0, 1):
        raise AssertionError(f"not an icon group header: reserved {reserved}, type {kind}")
    if len(data) != 6 + 14 * count:
        raise AssertionError(f"a group of {count} icons takes {6 + 14 * count} bytes, not {len(data)}")
    entries = []
    for i in range(count):
        width, height, colours, _, planes, bits, size, image_id = struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i)
        entries.append((width or 256, height or 256, colours, planes, bits, size, image_id))
    return entries


def icon_image_size(width, height, bits):
    """Bytes of a DIB icon image: header, palette, colour rows and the AND mask."""
    palette = 4 * (1 << bits) if bits <= 8 else 0
    colour_stride = (width * bits + 31) // 32 * 4
    mask_stride = (width + 31) // 32 * 4
    return 40 + palette + colour_stride * height + mask_stride * height


def parse_version_node(data, pos=0):
    """One VS_VERSIONINFO-style node: (key, value bytes, is_text, children, end)."""
    length, value_length, value_type = struct.unpack_from("<HHH", data, pos)
    if length < 6 or pos + length > len(data):
        raise AssertionError(f"version node at {pos} claims {length} bytes")
    end = pos + length
    key_start = pos + 6
    key_end = key_start
    while data[key_end:key_end + 2] != b"\0\0":
        key_end += 2
    key = data[key_start:key_end].decode("utf-16-le")
    value_start = (key_end + 2 + 3) & ~3
    # Text values count WCHARs, binary values count bytes.
    value_bytes = value_length * 2 if value_type == 1 else value_length
    value = data[value_start:value_start + value_bytes]
    children = []
    child = (value_start + value_bytes + 3) & ~3
    while child < end:
        node = parse_version_node(data, child)
        children.append(node)
        child = (node[4] + 3) & ~3
    return key, value, value_type == 1, children, end


def text_value(value):
    text = value.decode("utf-16-le")
    return text[:-1] if text.endswith("\0") else text


def version_info(data):
    """{"fixed": (file MS, file LS, product MS, product LS),
        "strings": {table key: {name: text}}, "translations": [(language, code page)]}"""
    key, fixed, _, children, _ = parse_version_node(data)
    if key != "VS_VERSION_INFO":
        raise AssertionError(f"the version block starts with {key!r}")
    signature, _, file_ms, file_ls, product_ms, product_ls = struct.unpack_from("<IIIIII", fixed)
    if signature != VS_FIXEDFILEINFO_SIGNATURE:
        raise AssertionError(f"VS_FIXEDFILEINFO signature {signature:#x}")
    info = {"fixed": (file_ms, file_ls, product_ms, product_ls), "strings": {}, "translations": []}
    for child_key, _, _, grandchildren, _ in children:
        if child_key == "StringFileInfo":
            for table_key, _, _, strings, _ in grandchildren:
                info["strings"][table_key] = {name: text_value(value) for name, value, _, _, _ in strings}
        elif child_key == "VarFileInfo":
            for var_key, value, _, _, _ in grandchildren:
                if var_key == "Translation":
                    info["translations"] += [struct.unpack_from("<HH", value, i) for i in range(0, len(value), 4)]
    return info


def version_numbers(ms, ls):
    return (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


EXES = (("64-bit", EXE64), ("32-bit", harness.EXE32))


def load(path):
    if not os.path.isfile(path):
        raise AssertionError(f"{path} is not built")
    return PeResources(path)


class ProgramIcon(unittest.TestCase):

    def group(self, resources):
        return icon_group_entries(resources.only(RT_GROUP_ICON, ICON_GROUP_ID))

    def test_icon_group_1_lists_the_four_images_30001_to_30004_in_order(self):
        for label, path in EXES:
            with self.subTest(exe=label):
                resources = load(path)
                listed = [(width, height, bits, colours, image_id)
                          for width, height, colours, _, bits, _, image_id in self.group(resources)]
                self.assertEqual(listed, EXPECTED_ICON_IMAGES)

    def test_every_listed_image_is_an_icon_resource_of_the_listed_size(self):
        for label, path in EXES:
            with self.subTest(exe=label):
                resources = load(path)
                for width, height, _, planes, bits, size, image_id in self.group(resources):
                    with self.subTest(image=image_id):
                        image = resources.only(RT_ICON, image_id)
                        self.assertEqual(planes, 1)
                        self.assertEqual(len(image), size, "the group lists another byte count")
                        header_size, dib_width, dib_height, dib_planes, dib_bits = struct.unpack_from("<IiiHH", image)
                        self.assertEqual(header_size, 40, "not a BITMAPINFOHEADER")
                        # An icon's DIB is twice as high: the colour rows and the AND mask.
                        self.assertEqual((dib_width, dib_height, dib_planes, dib_bits), (width, 2 * height, 1, bits))
                        self.assertEqual(len(image), icon_image_size(width, height, bits),
                                         "the image data is cut or padded")


class VersionBlock(unittest.TestCase):

    def info(self, resources):
        return version_info(resources.only(RT_VERSION, VERSION_ID))

    def strings(self, resources):
        tables = self.info(resources)["strings"]
        self.assertEqual(list(tables), ["040904B0"])
        return tables["040904B0"]

    def test_the_fixed_file_and_product_versions_are_1_0_0_0(self):
        for label, path in EXES:
            with self.subTest(exe=label):
                resources = load(path)
                file_ms, file_ls, product_ms, product_ls = self.info(resources)["fixed"]
                self.assertEqual(version_numbers(file_ms, file_ls), (1, 0, 0, 0))
                self.assertEqual(version_numbers(product_ms, product_ls), (1, 0, 0, 0))

    def test_the_file_and_product_version_texts_read_1_00(self):
        for label, path in EXES:
            with self.subTest(exe=label):
                resources = load(path)
                strings = self.strings(resources)
                self.assertEqual(strings.get("FileVersion"), "1.00")
                self.assertEqual(strings.get("ProductVersion"), "1.00")

    def test_the_translation_is_us_english_with_the_unicode_code_page(self):
        for label, path in EXES:
            with self.subTest(exe=label):
                resources = load(path)
                self.assertEqual(self.info(resources)["translations"], [(0x0409, 0x04B0)])

    def test_comments_and_file_description_read_the_russian_description(self):
        for label, path in EXES:
            with self.subTest(exe=label):
                resources = load(path)
                strings = self.strings(resources)
                self.assertEqual(strings.get("Comments"), DESCRIPTION)
                self.assertEqual(strings.get("FileDescription"), DESCRIPTION)


if __name__ == "__main__":
    unittest.main()
