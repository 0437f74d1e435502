#!/usr/bin/env python3
"""What Setup.exe is made of: the bytes that each origin brings into the
image, read from the linker's map of the launcher build (Setup.map).

Usage: image_parts.py <Setup.map>
Prints one line per origin: "size-part", a tab, the origin, a tab, the bytes
(before the sections are padded to the file alignment). Debug sections, which
the shipped file does not keep, and uninitialised data, which takes no room
in it, are left out.
"""
import re
import sys

# The first pattern that an input file's path matches names its origin.
ORIGINS = [
    (r"\.res$|setup\.rc", "resources (dialog, icon, version, manifest)"),
    (r"ltrans|(^|/)src/(CMakeFiles/|libsetup_core\.a)", "the launcher's own code and data"),
    (r"libstdc\+\+", "C++ runtime (libstdc++)"),
    (r"libgcc", "unwinder and compiler support (libgcc)"),
    (r"lib(kernel32|user32|advapi32|comctl32)\.a|libmsvcrt", "imports of the system's DLLs"),
    (r"crt2|libmingw|crtbegin|crtend|libmoldname", "MinGW-w64 start-up and runtime"),
]
OTHER = "linker (relocations, tables)"

ENTRY = re.compile(r"^ (\.[^\s]+)\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S+)")
NAME_ONLY = re.compile(r"^ (\.[^\s]+)\s*$")
CONTINUED = re.compile(r"^\s+0x[0-9a-f]+\s+0x([0-9a-f]+)\s+(\S+)")


def origin(path):
    for pattern, name in ORIGINS:
        if re.search(pattern, path):
            return name
    return OTHER


def main(map_path):
    totals = {}
    pending = None  # an input section whose name stood alone on its line
    in_memory_map = False
    for line in open(map_path, encoding="utf-8", errors="replace"):
        if line.startswith("Linker script and memory map"):
            in_memory_map = True
            continue
        if not in_memory_map:
            continue
        match = ENTRY.match(line)
        if match:
            section, size, path = match.groups()
        else:
            named = NAME_ONLY.match(line)
            if named:
                pending = named.group(1)
                continue
            match = CONTINUED.match(line)
            if not match or pending is None:
                continue
            section, (size, path) = pending, match.groups()
            pending = None
        # Debug sections are stripped, and .bss takes no room in the file.
        if section.startswith((".debug", ".bss")) or section == "COMMON" or int(size, 16) == 0:
            continue
        totals[origin(path)] = totals.get(origin(path), 0) + int(size, 16)
    for name, size in sorted(totals.items(), key=lambda item: -item[1]):
        print(f"size-part\t{name}\t{size}")


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: image_parts.py <Setup.map>")
    main(sys.argv[1])
