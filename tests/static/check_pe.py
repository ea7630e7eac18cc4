#!/usr/bin/env python3
"""Static checks of a built Windows program, made without running it.

The x86 build is the one we ship and this machine cannot run 32-bit code, so
what the loader will see (machine, subsystem, DLLs it must find, manifest,
version and icon) is read straight from the file. Only the standard library is
used so that the checks run wherever CMake and Python do.

    check_pe.py --arch x86|amd64 [--check NAME]... PROGRAM.exe

Each check stops at its first failure and says why; the exit status is non-zero
when any selected check failed.
"""

import argparse
import re
import struct
import sys
import xml.etree.ElementTree as ET


class CheckFailed(Exception):
    pass


class FormatError(CheckFailed):
    pass


ARCHES = {
    # arch: (machine, machine name, optional header magic, header name)
    "x86": (0x014C, "i386", 0x010B, "PE32"),
    "amd64": (0x8664, "amd64", 0x020B, "PE32+"),
}

SUBSYSTEM_WINDOWS_GUI = 2
IMAGE_FILE_EXECUTABLE_IMAGE = 0x0002
IMAGE_FILE_DLL = 0x2000

DIR_IMPORT = 1
DIR_RESOURCE = 2
DIR_DELAY_IMPORT = 13

RT_ICON = 3
RT_GROUP_ICON = 14
RT_VERSION = 16
RT_MANIFEST = 24

SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "ole32.dll", "oleaut32.dll",
    "comctl32.dll", "advapi32.dll", "shell32.dll", "msvcrt.dll",
    "uxtheme.dll", "shlwapi.dll",
}
# The universal C runtime is reached through its API sets.
SYSTEM_DLL_PATTERN = re.compile(r"api-ms-win-crt-[a-z0-9-]+\.dll")

ICON_GROUP_NAME = "DEFAULT_ICON"
ICON_SIZES = (16, 32, 48)
ICON_BPP = 4

COMMON_CONTROLS = "Microsoft.Windows.Common-Controls"
COMMON_CONTROLS_VERSION = "6.0.0.0"
COMMON_CONTROLS_TOKEN = "6595b64144ccf1df"
ASM_V1 = "urn:schemas-microsoft-com:asm.v1"
TRUST_NAMESPACES = ("urn:schemas-microsoft-com:asm.v2", "urn:schemas-microsoft-com:asm.v3")

VS_FFI_SIGNATURE = 0xFEEF04BD


def resource_key(key):
    return "#%d" % key if isinstance(key, int) else '"%s"' % key


class Section:
    def __init__(self, name, vaddr, vsize, raw_offset, raw_size):
        self.name = name
        self.vaddr = vaddr
        self.vsize = vsize
        self.raw_offset = raw_offset
        self.raw_size = raw_size

    def file_span(self):
        return self.vaddr, self.vaddr + self.raw_size


class ImportedDll:
    def __init__(self, name, delayed, descriptor_rva, name_rva, functions):
        self.name = name
        self.delayed = delayed
        self.descriptor_rva = descriptor_rva
        self.name_rva = name_rva
        self.functions = functions


class Resource:
    """One leaf of the resource tree: type / name / language -> data."""

    def __init__(self, rtype, name, lang, data_rva, size, entry_offsets):
        self.type = rtype
        self.name = name
        self.lang = lang
        self.data_rva = data_rva
        self.size = size
        # File offsets of the type, name and language directory entries, so
        # that a caller can find where each key is stored.
        self.entry_offsets = entry_offsets

    def describe(self):
        return "%s/%s/lang %d" % (resource_key(self.type), resource_key(self.name), self.lang)


class PEImage:
    def __init__(self, data):
        self.data = bytes(data)
        self._parse_headers()
        self._resources = None

    # -- raw access ---------------------------------------------------------

    def _unpack_file(self, fmt, offset):
        size = struct.calcsize(fmt)
        if offset < 0 or offset + size > len(self.data):
            raise FormatError("file truncated: need %d bytes at offset 0x%X, file is 0x%X bytes"
                              % (size, offset, len(self.data)))
        return struct.unpack_from(fmt, self.data, offset)

    def rva_to_offset(self, rva, size=1):
        if rva + size <= self.size_of_headers:
            return rva
        for s in self.sections:
            start, end = s.file_span()
            if start <= rva and rva + size <= end:
                return s.raw_offset + (rva - s.vaddr)
        raise FormatError("RVA 0x%X (+%d bytes) lies outside every section's file data" % (rva, size))

    def read(self, rva, size):
        offset = self.rva_to_offset(rva, size)
        if offset + size > len(self.data):
            raise FormatError("RVA 0x%X maps past the end of the file" % rva)
        return self.data[offset:offset + size]

    def unpack(self, fmt, rva):
        return struct.unpack(fmt, self.read(rva, struct.calcsize(fmt)))

    def cstring(self, rva, limit=512):
        out = bytearray()
        while len(out) < limit:
            b = self.read(rva + len(out), 1)
            if b == b"\0":
                return out.decode("latin-1")
            out += b
        raise FormatError("string at RVA 0x%X is not terminated within %d bytes" % (rva, limit))

    # -- headers ------------------------------------------------------------

    def _parse_headers(self):
        if self.data[:2] != b"MZ":
            raise FormatError("no MZ signature: not a Windows executable")
        (self.pe_offset,) = self._unpack_file("<I", 0x3C)
        if self._unpack_file("<4s", self.pe_offset)[0] != b"PE\0\0":
            raise FormatError("no PE signature at offset 0x%X" % self.pe_offset)
        (self.machine, nsections, _time, _symptr, _nsyms, opt_size,
         self.characteristics) = self._unpack_file("<HHIIIHH", self.pe_offset + 4)
        opt = self.pe_offset + 24
        (self.magic,) = self._unpack_file("<H", opt)
        if self.magic == 0x010B:
            (self.image_base,) = self._unpack_file("<I", opt + 28)
            dirs_at = opt + 96
        elif self.magic == 0x020B:
            (self.image_base,) = self._unpack_file("<Q", opt + 24)
            dirs_at = opt + 112
        else:
            raise FormatError("unknown optional header magic 0x%04X" % self.magic)
        (self.size_of_headers,) = self._unpack_file("<I", opt + 60)
        (self.subsystem,) = self._unpack_file("<H", opt + 68)
        (ndirs,) = self._unpack_file("<I", dirs_at - 4)
        if dirs_at + 8 * ndirs > opt + opt_size:
            raise FormatError("%d data directories do not fit a %d-byte optional header"
                              % (ndirs, opt_size))
        self.directories = [self._unpack_file("<II", dirs_at + 8 * i) for i in range(min(ndirs, 16))]
        self.sections = []
        table = opt + opt_size
        for i in range(nsections):
            name, vsize, vaddr, raw_size, raw_offset = self._unpack_file("<8sIIII", table + 40 * i)
            self.sections.append(Section(name.rstrip(b"\0").decode("latin-1"),
                                         vaddr, vsize, raw_offset, raw_size))

    def directory(self, index):
        if index >= len(self.directories):
            return 0, 0
        return self.directories[index]

    # -- imports ------------------------------------------------------------

    def _thunk_names(self, thunk_rva):
        wide = self.magic == 0x020B
        fmt, ordinal_flag = ("<Q", 1 << 63) if wide else ("<I", 1 << 31)
        step = 8 if wide else 4
        names = []
        while thunk_rva:
            (value,) = self.unpack(fmt, thunk_rva)
            if value == 0:
                break
            if value & ordinal_flag:
                names.append("#%d" % (value & 0xFFFF))
            else:
                names.append(self.cstring((value & 0x7FFFFFFF) + 2))
            thunk_rva += step
            if len(names) > 65536:
                raise FormatError("import thunk list does not end")
        return names

    def imports(self):
        dlls = []
        rva, size = self.directory(DIR_IMPORT)
        if rva:
            at = rva
            while True:
                lookup, _time, _chain, name_rva, iat = self.unpack("<IIIII", at)
                if lookup == 0 and name_rva == 0 and iat == 0:
                    break
                dlls.append(ImportedDll(self.cstring(name_rva), False, at, name_rva,
                                        self._thunk_names(lookup or iat)))
                at += 20
                if len(dlls) > 4096:
                    raise FormatError("import directory does not end")
        rva, size = self.directory(DIR_DELAY_IMPORT)
        if rva:
            at = rva
            while True:
                attrs, name_rva, _module, iat, int_rva, _b, _u, _t = self.unpack("<8I", at)
                if name_rva == 0:
                    break
                # Old-style delay descriptors hold addresses rather than RVAs.
                rebase = 0 if attrs & 1 else self.image_base
                dlls.append(ImportedDll(self.cstring(name_rva - rebase), True, at,
                                        name_rva - rebase,
                                        self._thunk_names((int_rva - rebase) if int_rva else 0)))
                at += 32
                if len(dlls) > 4096:
                    raise FormatError("delay import directory does not end")
        return dlls

    # -- resources ----------------------------------------------------------

    def resources(self):
        if self._resources is None:
            self._resources = self._parse_resources()
        return self._resources

    def _parse_resources(self):
        base, _size = self.directory(DIR_RESOURCE)
        if base == 0:
            return []
        leaves = []

        def entry_key(value):
            if value & 0x80000000:
                at = base + (value & 0x7FFFFFFF)
                (length,) = self.unpack("<H", at)
                return self.read(at + 2, 2 * length).decode("utf-16-le", "replace")
            return value & 0xFFFF

        def walk(rel, depth, keys, offsets):
            _c, _t, _maj, _min, named, ids = self.unpack("<IIHHHH", base + rel)
            for i in range(named + ids):
                entry_rva = base + rel + 16 + 8 * i
                name_value, target = self.unpack("<II", entry_rva)
                key = entry_key(name_value)
                entry_offsets = offsets + [self.rva_to_offset(entry_rva, 8)]
                is_dir = bool(target & 0x80000000)
                if depth < 2:
                    if not is_dir:
                        raise FormatError("resource entry %s at level %d is data, expected a directory"
                                          % (resource_key(key), depth))
                    walk(target & 0x7FFFFFFF, depth + 1, keys + [key], entry_offsets)
                else:
                    if is_dir:
                        raise FormatError("resource tree is deeper than type/name/language")
                    data_rva, data_size, _cp, _r = self.unpack("<IIII", base + target)
                    leaves.append(Resource(keys[0], keys[1], key, data_rva, data_size,
                                           entry_offsets))

        walk(0, 0, [], [])
        return leaves

    def resource_data(self, res):
        return self.read(res.data_rva, res.size)


# -- checks -----------------------------------------------------------------

def check_headers(pe, arch, out):
    machine, machine_name, magic, header_name = ARCHES[arch]
    if pe.machine != machine:
        raise CheckFailed("machine is 0x%04X, expected 0x%04X (%s) for %s"
                          % (pe.machine, machine, machine_name, arch))
    if pe.magic != magic:
        raise CheckFailed("optional header magic is 0x%04X, expected 0x%04X (%s) for %s"
                          % (pe.magic, magic, header_name, arch))
    if not pe.characteristics & IMAGE_FILE_EXECUTABLE_IMAGE or pe.characteristics & IMAGE_FILE_DLL:
        raise CheckFailed("file characteristics 0x%04X do not describe an executable program"
                          % pe.characteristics)
    if pe.subsystem != SUBSYSTEM_WINDOWS_GUI:
        raise CheckFailed("subsystem is %d, expected %d (WINDOWS_GUI)"
                          % (pe.subsystem, SUBSYSTEM_WINDOWS_GUI))
    out("machine 0x%04X (%s), %s optional header, subsystem %d (WINDOWS_GUI)"
        % (machine, machine_name, header_name, SUBSYSTEM_WINDOWS_GUI))


def is_system_dll(name):
    lower = name.lower()
    return lower in SYSTEM_DLLS or SYSTEM_DLL_PATTERN.fullmatch(lower) is not None


def check_imports(pe, arch, out):
    dlls = pe.imports()
    for dll in dlls:
        out("%s%s: %d function(s)" % (dll.name, " (delay-loaded)" if dll.delayed else "",
                                      len(dll.functions)))
    for dll in dlls:
        if not is_system_dll(dll.name):
            raise CheckFailed("imports %s, which is not a system DLL: it would have to be shipped "
                              "beside the program" % dll.name)
    # Every program needs kernel32; without it the import table was not read at all.
    if not any(d.name.lower() == "kernel32.dll" for d in dlls):
        raise CheckFailed("KERNEL32.dll is not among the imports (%s)"
                          % (", ".join(d.name for d in dlls) or "none found"))
    out("all %d imported DLLs are system DLLs" % len(dlls))


def local_name(tag):
    return tag.rsplit("}", 1)[-1]


def namespace(tag):
    return tag[1:].split("}", 1)[0] if tag.startswith("{") else ""


def children(elem, name):
    return [c for c in elem if local_name(c.tag) == name]


def check_manifest(pe, arch, out):
    manifests = [r for r in pe.resources() if r.type == RT_MANIFEST]
    if len(manifests) != 1:
        raise CheckFailed("expected exactly one manifest resource, found %d: %s"
                          % (len(manifests), ", ".join(r.describe() for r in manifests) or "none"))
    res = manifests[0]
    if res.name != 1:
        raise CheckFailed("the manifest resource is %s, expected id #1 (the process manifest)"
                          % res.describe())
    data = pe.resource_data(res).rstrip(b"\0")
    try:
        root = ET.fromstring(data)
    except ET.ParseError as e:
        raise CheckFailed("manifest is not well-formed XML: %s" % e)
    if root.tag != "{%s}assembly" % ASM_V1:
        raise CheckFailed("manifest root is %s, expected assembly in %s" % (root.tag, ASM_V1))

    own = children(root, "assemblyIdentity")
    if len(own) != 1:
        raise CheckFailed("manifest has %d assemblyIdentity elements of its own, expected 1" % len(own))
    own = own[0]
    if own.get("name", "") in ("", COMMON_CONTROLS):
        raise CheckFailed("manifest's own assemblyIdentity has name %r" % own.get("name"))
    if own.get("processorArchitecture") != arch:
        raise CheckFailed("manifest's own assemblyIdentity %s has processorArchitecture %r, expected %r"
                          % (own.get("name"), own.get("processorArchitecture"), arch))

    controls = [ident
                for dep in children(root, "dependency")
                for dep_asm in children(dep, "dependentAssembly")
                for ident in children(dep_asm, "assemblyIdentity")
                if ident.get("name") == COMMON_CONTROLS]
    if len(controls) != 1:
        raise CheckFailed("manifest has %d dependencies on %s, expected 1" % (len(controls), COMMON_CONTROLS))
    cc = controls[0]
    expected = {"type": "win32", "version": COMMON_CONTROLS_VERSION,
                "processorArchitecture": arch, "publicKeyToken": COMMON_CONTROLS_TOKEN}
    for attr, value in expected.items():
        got = cc.get(attr)
        same = got is not None and (got.lower() == value if attr == "publicKeyToken" else got == value)
        if not same:
            raise CheckFailed("%s dependency has %s=%r, expected %r" % (COMMON_CONTROLS, attr, got, value))

    levels = [(t, s, p, lvl)
              for t in children(root, "trustInfo")
              for s in children(t, "security")
              for p in children(s, "requestedPrivileges")
              for lvl in children(p, "requestedExecutionLevel")]
    if len(levels) != 1:
        raise CheckFailed("manifest has %d trustInfo/security/requestedPrivileges/requestedExecutionLevel "
                          "elements, expected 1" % len(levels))
    trust, _s, _p, level = levels[0]
    if namespace(trust.tag) not in TRUST_NAMESPACES:
        raise CheckFailed("trustInfo is in namespace %r, which Windows does not read" % namespace(trust.tag))
    if level.get("level") != "requireAdministrator":
        raise CheckFailed("requestedExecutionLevel level=%r, expected 'requireAdministrator'"
                          % level.get("level"))
    if level.get("uiAccess") != "false":
        raise CheckFailed("requestedExecutionLevel uiAccess=%r, expected 'false'" % level.get("uiAccess"))
    out("one manifest (%s); identity %s %s; %s %s %s; requireAdministrator, uiAccess false"
        % (res.describe(), own.get("name"), arch, COMMON_CONTROLS, COMMON_CONTROLS_VERSION, arch))


class VersionNode:
    def __init__(self, key, wtype, value, value_text, children):
        self.key = key
        self.wtype = wtype
        self.value = value
        self.value_text = value_text
        self.children = children


def parse_version_node(buf, offset, end, levels):
    """Reads one block and `levels` levels of blocks below it."""
    if offset + 6 > end:
        raise CheckFailed("version block at 0x%X is truncated" % offset)
    length, value_length, wtype = struct.unpack_from("<HHH", buf, offset)
    node_end = offset + length
    if length < 6 or node_end > end:
        raise CheckFailed("version block at 0x%X has length %d beyond its parent" % (offset, length))
    pos = offset + 6
    key_end = pos
    while True:
        if key_end + 2 > node_end:
            raise CheckFailed("version block key at 0x%X is not terminated" % offset)
        if buf[key_end:key_end + 2] == b"\0\0":
            break
        key_end += 2
    key = buf[pos:key_end].decode("utf-16-le", "replace")
    pos = (key_end + 2 + 3) & ~3
    value_bytes = value_length * 2 if wtype == 1 else value_length
    value = buf[pos:min(pos + value_bytes, node_end)]
    # A reader of a string value stops at the first NUL, whatever wValueLength says.
    text = buf[pos:node_end]
    value_text = text[:len(text) & ~1].decode("utf-16-le", "replace").split("\0", 1)[0]
    kids = []
    if levels > 0:
        pos = (pos + value_bytes + 3) & ~3
        while pos + 6 <= node_end:
            child = parse_version_node(buf, pos, node_end, levels - 1)
            kids.append(child)
            (child_length,) = struct.unpack_from("<H", buf, pos)
            pos = (pos + child_length + 3) & ~3
    return VersionNode(key, wtype, value, value_text, kids)


def format_version(ms, ls):
    return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)


def check_version(pe, arch, out, expected_version="1.0.0.0"):
    versions = [r for r in pe.resources() if r.type == RT_VERSION]
    if not any(r.name == 1 for r in versions):
        raise CheckFailed("no version resource #1 (found: %s)"
                          % (", ".join(r.describe() for r in versions) or "none"))
    for res in versions:
        data = pe.resource_data(res)
        # VS_VERSION_INFO / StringFileInfo / string table / string
        root = parse_version_node(data, 0, len(data), 3)
        if root.key != "VS_VERSION_INFO":
            raise CheckFailed("version resource %s has key %r, expected 'VS_VERSION_INFO'"
                              % (res.describe(), root.key))
        if len(root.value) < 52:
            raise CheckFailed("version resource %s has a %d-byte fixed part, expected 52"
                              % (res.describe(), len(root.value)))
        (signature, _struc, file_ms, file_ls, prod_ms, prod_ls) = struct.unpack_from("<6I", root.value)
        if signature != VS_FFI_SIGNATURE:
            raise CheckFailed("version resource %s: fixed part signature 0x%08X, expected 0x%08X"
                              % (res.describe(), signature, VS_FFI_SIGNATURE))
        for what, got in (("FileVersion", format_version(file_ms, file_ls)),
                          ("ProductVersion", format_version(prod_ms, prod_ls))):
            if got != expected_version:
                raise CheckFailed("version resource %s: fixed %s is %s, expected %s"
                                  % (res.describe(), what, got, expected_version))
        tables = [t for sfi in root.children if sfi.key == "StringFileInfo" for t in sfi.children]
        if not tables:
            raise CheckFailed("version resource %s has no StringFileInfo string table" % res.describe())
        for table in tables:
            strings = {s.key: s.value_text for s in table.children}
            for key in ("FileVersion", "ProductVersion"):
                if strings.get(key) != expected_version:
                    raise CheckFailed("version resource %s, string table %s: %s is %r, expected %r"
                                      % (res.describe(), table.key, key, strings.get(key), expected_version))
        out("version resource %s: fixed FileVersion and ProductVersion %s; strings FileVersion and "
            "ProductVersion %s in table(s) %s"
            % (res.describe(), expected_version, expected_version, ", ".join(t.key for t in tables)))


def entry_bpp(color_count, bit_count):
    if bit_count:
        return bit_count
    return {2: 1, 16: 4}.get(color_count)


def check_icon(pe, arch, out):
    resources = pe.resources()
    groups = [r for r in resources if r.type == RT_GROUP_ICON and r.name == ICON_GROUP_NAME]
    if not groups:
        raise CheckFailed("no icon group named %s (icon groups: %s)"
                          % (ICON_GROUP_NAME, ", ".join(resource_key(r.name) for r in resources
                                                        if r.type == RT_GROUP_ICON) or "none"))
    icons = {}
    for r in resources:
        if r.type == RT_ICON:
            icons.setdefault(r.name, r)
    for group in groups:
        data = pe.resource_data(group)
        if len(data) < 6:
            raise CheckFailed("icon group %s is %d bytes, too short" % (group.describe(), len(data)))
        reserved, gtype, count = struct.unpack_from("<HHH", data)
        if reserved != 0 or gtype != 1 or count == 0 or len(data) < 6 + 14 * count:
            raise CheckFailed("icon group %s header (reserved %d, type %d, %d entries, %d bytes) is not "
                              "an icon directory" % (group.describe(), reserved, gtype, count, len(data)))
        found = []
        for i in range(count):
            width, height, colors, _res, _planes, bits, nbytes, icon_id = \
                struct.unpack_from("<BBBBHHIH", data, 6 + 14 * i)
            width, height = width or 256, height or 256
            bpp = entry_bpp(colors, bits)
            what = "entry %d (%dx%d, %s colours, %d bpp, icon #%d)" % (i, width, height, colors, bits, icon_id)
            icon = icons.get(icon_id)
            if icon is None:
                raise CheckFailed("icon group %s %s refers to a missing icon" % (group.describe(), what))
            image = pe.resource_data(icon)
            if icon.size != nbytes:
                raise CheckFailed("icon group %s %s says %d bytes, icon %s is %d bytes"
                                  % (group.describe(), what, nbytes, icon.describe(), icon.size))
            if image[:8] == b"\x89PNG\r\n\x1a\n":
                found.append((width, height, None))
                continue
            if len(image) < 40:
                raise CheckFailed("icon %s is %d bytes, too short for a bitmap header"
                                  % (icon.describe(), len(image)))
            hsize, bw, bh, planes, bcount = struct.unpack_from("<IiiHH", image)
            if hsize < 40 or bw != width or bh != 2 * height or planes != 1 or \
                    (bpp is not None and bcount != bpp):
                raise CheckFailed("icon %s bitmap header (size %d, %dx%d, %d plane(s), %d bpp) does not "
                                  "agree with group %s" % (icon.describe(), hsize, bw, bh, planes, bcount, what))
            found.append((width, height, bcount))
        for size in ICON_SIZES:
            if (size, size, ICON_BPP) not in found:
                raise CheckFailed("icon group %s has no %dx%d image at %d bpp (16 colours); it has: %s"
                                  % (group.describe(), size, size, ICON_BPP,
                                     ", ".join("%dx%d %s" % (w, h, "png" if b is None else "%d bpp" % b)
                                               for w, h, b in found)))
        out("icon group %s: %s; sizes %s at %d bpp present, every image agrees with its entry"
            % (group.describe(), ", ".join("%dx%d/%s" % (w, h, "png" if b is None else b) for w, h, b in found),
               "/".join(str(s) for s in ICON_SIZES), ICON_BPP))


CHECKS = {
    "headers": check_headers,
    "imports": check_imports,
    "manifest": check_manifest,
    "version": check_version,
    "icon": check_icon,
}


def run_checks(data, arch, names=None, out=print):
    """Returns {check name: None on success, or the failure message}."""
    names = list(names or CHECKS)
    results = {}
    try:
        pe = PEImage(data)
    except CheckFailed as e:
        for name in names:
            out("FAIL %s: %s" % (name, e))
            results[name] = str(e)
        return results
    for name in names:
        lines = []
        try:
            CHECKS[name](pe, arch, lines.append)
        except Exception as e:
            # A damaged file can trip the reader anywhere; that is this
            # check's failure, and the other checks still get their say.
            message = str(e) if isinstance(e, CheckFailed) else \
                "cannot read the file (%s: %s)" % (type(e).__name__, e)
            for line in lines:
                out("     %s: %s" % (name, line))
            out("FAIL %s: %s" % (name, message))
            results[name] = message
            continue
        for line in lines:
            out("ok   %s: %s" % (name, line))
        results[name] = None
    return results


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--arch", required=True, choices=sorted(ARCHES))
    parser.add_argument("--check", action="append", choices=list(CHECKS),
                        help="run only this check (may be repeated); default: all")
    parser.add_argument("program")
    args = parser.parse_args(argv)
    try:
        with open(args.program, "rb") as f:
            data = f.read()
    except OSError as e:
        print("FAIL: cannot read %s: %s" % (args.program, e))
        return 1
    print("%s (%s, %d bytes)" % (args.program, args.arch, len(data)))
    results = run_checks(data, args.arch, args.check)
    return 1 if any(v is not None for v in results.values()) else 0


if __name__ == "__main__":
    sys.exit(main())
