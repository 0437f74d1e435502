#!/usr/bin/env python3
"""Points the image's load configuration directory at _load_config_used.

GNU ld before 2.41 leaves that directory empty for 32-bit images, so the
launcher's build fills it in after linking, from the linker map.
Usage: set-load-config.py <image> <linker map>
"""
import re
import struct
import sys

LOAD_CONFIG = 10  # IMAGE_DIRECTORY_ENTRY_LOAD_CONFIG


def image_checksum(image, field):
    """The PE checksum: 16-bit words summed with their carries, the checksum
    field itself left out, plus the file's length."""
    total = 0
    data = bytes(image) + (b"\0" if len(image) % 2 else b"")
    for offset in range(0, len(data), 2):
        if field <= offset < field + 4:
            continue
        total += data[offset] | data[offset + 1] << 8
        total = (total & 0xFFFF) + (total >> 16)
    return ((total & 0xFFFF) + (total >> 16) + len(image)) & 0xFFFFFFFF


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: set-load-config.py <image> <linker map>")
    image_path, map_path = sys.argv[1:]
    with open(map_path) as linker_map:
        found = re.search(r"^\s+0x([0-9a-f]+)\s+_load_config_used$", linker_map.read(), re.M)
    if not found:
        sys.exit(f"{map_path}: no _load_config_used")
    address = int(found.group(1), 16)

    with open(image_path, "rb") as image_file:
        image = bytearray(image_file.read())
    header = struct.unpack_from("<I", image, 0x3C)[0]
    optional = header + 24
    if image[header:header + 4] != b"PE\0\0" or struct.unpack_from("<H", image, optional)[0] != 0x10B:
        sys.exit(f"{image_path}: not a 32-bit PE image")
    image_base = struct.unpack_from("<I", image, optional + 28)[0]
    rva = address - image_base

    # The structure must be where the map says, with the size it declares.
    sections = optional + struct.unpack_from("<H", image, header + 20)[0]
    for index in range(struct.unpack_from("<H", image, header + 6)[0]):
        _, virtual_address, raw_size, raw_offset = struct.unpack_from(
            "<IIII", image, sections + index * 40 + 8)
        if virtual_address <= rva < virtual_address + raw_size:
            size = struct.unpack_from("<I", image, raw_offset + rva - virtual_address)[0]
            break
    else:
        sys.exit(f"{image_path}: _load_config_used lies in no section")
    if size < 64:
        sys.exit(f"{image_path}: _load_config_used declares {size} bytes")

    struct.pack_into("<II", image, optional + 96 + LOAD_CONFIG * 8, rva, size)
    # The linker's checksum of the image is made anew for the changed header.
    if struct.unpack_from("<I", image, optional + 64)[0] != 0:
        struct.pack_into("<I", image, optional + 64, image_checksum(image, optional + 64))
    with open(image_path, "wb") as image_file:
        image_file.write(image)


if __name__ == "__main__":
    main()
