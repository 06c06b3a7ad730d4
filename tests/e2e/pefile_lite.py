"""Reads what the tests check in a Windows executable: the headers, the
sections, the import tables, the base relocations and the resources.

Python 3 standard library only; PE32 (x86) and PE32+ (x64) images.
"""

import collections
import struct

IMAGE_FILE_MACHINE_I386 = 0x014C
IMAGE_FILE_MACHINE_AMD64 = 0x8664
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2

# File header characteristics.
IMAGE_FILE_RELOCS_STRIPPED = 0x0001

# Optional header DllCharacteristics.
IMAGE_DLLCHARACTERISTICS_HIGH_ENTROPY_VA = 0x0020
IMAGE_DLLCHARACTERISTICS_DYNAMIC_BASE = 0x0040
IMAGE_DLLCHARACTERISTICS_NX_COMPAT = 0x0100

# Section characteristics.
IMAGE_SCN_MEM_EXECUTE = 0x20000000
IMAGE_SCN_MEM_READ = 0x40000000
IMAGE_SCN_MEM_WRITE = 0x80000000

# Data directory indices.
IMAGE_DIRECTORY_ENTRY_IMPORT = 1
IMAGE_DIRECTORY_ENTRY_RESOURCE = 2
IMAGE_DIRECTORY_ENTRY_BASERELOC = 5
IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT = 13

# Base relocation types.
IMAGE_REL_BASED_ABSOLUTE = 0
IMAGE_REL_BASED_HIGHLOW = 3
IMAGE_REL_BASED_DIR64 = 10

# Resource types.
RT_MANIFEST = 24

Section = collections.namedtuple("Section", "name vaddr vsize raw_size raw_ptr characteristics")


class PeFile:
    """The headers, sections, imports, relocations and resources of a Windows executable."""

    def __init__(self, path):
        self.path = path
        with open(path, "rb") as f:
            self.data = data = f.read()
        if data[:2] != b"MZ":
            raise ValueError(f"{path} has no MZ header")
        pe, = struct.unpack_from("<I", data, 0x3C)
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"{path} has no PE signature")
        (self.machine, sections, self.timestamp, _, _, optional_size,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        magic, = struct.unpack_from("<H", data, optional)
        if magic not in (0x10B, 0x20B):
            raise ValueError(f"{path}: unknown optional header magic {magic:#x}")
        self.is64 = magic == 0x20B
        if self.is64:
            self.image_base, = struct.unpack_from("<Q", data, optional + 24)
        else:
            self.image_base, = struct.unpack_from("<I", data, optional + 28)
        self.size_of_image, = struct.unpack_from("<I", data, optional + 56)
        self.subsystem, self.dll_characteristics = struct.unpack_from("<HH", data, optional + 68)
        directories = optional + (112 if self.is64 else 96)
        count, = struct.unpack_from("<I", data, directories - 4)
        self.directories = [struct.unpack_from("<II", data, directories + 8 * i) for i in range(count)]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            name, vsize, vaddr, raw_size, raw_ptr, _, _, _, _, flags = struct.unpack_from(
                "<8sIIIIIIHHI", data, table + 40 * i)
            self.sections.append(Section(name.rstrip(b"\0").decode("ascii", "replace"),
                                         vaddr, vsize, raw_size, raw_ptr, flags))

    # -- addresses

    def directory(self, index):
        """(rva, size) of a data directory; (0, 0) when the image has none."""
        return self.directories[index] if index < len(self.directories) else (0, 0)

    def offset(self, rva):
        for s in self.sections:
            if s.vaddr <= rva < s.vaddr + max(s.vsize, s.raw_size):
                if rva - s.vaddr >= s.raw_size:
                    raise ValueError(f"RVA {rva:#x} is in the uninitialised part of {s.name}")
                return rva - s.vaddr + s.raw_ptr
        raise ValueError(f"RVA {rva:#x} is in no section")

    def string(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii")

    # -- imports

    def _functions(self, thunk_rva):
        size, fmt, ordinal_flag = (8, "<Q", 1 << 63) if self.is64 else (4, "<I", 1 << 31)
        names = []
        pos = self.offset(thunk_rva)
        while True:
            thunk, = struct.unpack_from(fmt, self.data, pos)
            if thunk == 0:
                return names
            names.append(f"#{thunk & 0xFFFF}" if thunk & ordinal_flag else self.string((thunk & 0x7FFFFFFF) + 2))
            pos += size

    def imports(self):
        """{dll name in lower case: [function names]}, normal and delay-loaded imports together."""
        found = {}
        rva, size = self.directory(IMAGE_DIRECTORY_ENTRY_IMPORT)
        if rva and size:
            pos = self.offset(rva)
            while True:
                lookup, _, _, name, first = struct.unpack_from("<IIIII", self.data, pos)
                if name == 0:
                    break
                found.setdefault(self.string(name).lower(), []).extend(self._functions(lookup or first))
                pos += 20
        rva, size = self.directory(IMAGE_DIRECTORY_ENTRY_DELAY_IMPORT)
        if rva and size:
            pos = self.offset(rva)
            while True:
                _, name, _, _, names, _, _, _ = struct.unpack_from("<8I", self.data, pos)
                if name == 0:
                    break
                found.setdefault(self.string(name).lower(), []).extend(self._functions(names))
                pos += 32
        return found

    # -- base relocations

    def relocations(self):
        """[(type, rva)] from the base relocation directory, padding entries included."""
        rva, size = self.directory(IMAGE_DIRECTORY_ENTRY_BASERELOC)
        found = []
        if not (rva and size):
            return found
        pos = self.offset(rva)
        end = pos + size
        while pos + 8 <= end:
            page, block_size = struct.unpack_from("<II", self.data, pos)
            if block_size < 8 or pos + block_size > end:
                raise ValueError(f"bad relocation block at {pos:#x}: size {block_size}")
            for i in range((block_size - 8) // 2):
                entry, = struct.unpack_from("<H", self.data, pos + 8 + 2 * i)
                found.append((entry >> 12, page + (entry & 0xFFF)))
            pos += block_size
        return found

    # -- resources

    def resources(self):
        """{type: {name: {language: bytes}}}; numeric ids as int, named ones as str."""
        rva, size = self.directory(IMAGE_DIRECTORY_ENTRY_RESOURCE)
        if not (rva and size):
            return {}
        base = self.offset(rva)

        def key(name_field):
            if name_field & 0x80000000:
                pos = base + (name_field & 0x7FFFFFFF)
                length, = struct.unpack_from("<H", self.data, pos)
                return self.data[pos + 2:pos + 2 + 2 * length].decode("utf-16-le")
            return name_field

        def table(offset, depth):
            _, _, _, _, named, numbered = struct.unpack_from("<IIHHHH", self.data, base + offset)
            result = {}
            for i in range(named + numbered):
                name_field, target = struct.unpack_from("<II", self.data, base + offset + 16 + 8 * i)
                if target & 0x80000000:
                    if depth == 2:
                        raise ValueError("resource tree deeper than type/name/language")
                    result[key(name_field)] = table(target & 0x7FFFFFFF, depth + 1)
                else:
                    data_rva, data_size, _, _ = struct.unpack_from("<IIII", self.data, base + target)
                    start = self.offset(data_rva)
                    result[key(name_field)] = self.data[start:start + data_size]
            return result

        return table(0, 0)
