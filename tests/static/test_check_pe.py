#!/usr/bin/env python3
"""Tests of check_pe.py.

Two sources of images: small executables put together here field by field, for
both architectures, each changed in one way at a time; and, when a real
program of the build is given, copies of it with bytes changed in place. Each
damaged image must fail the check it concerns, and only that one, with a
message that says what is wrong; the undamaged ones must pass everything.

    test_check_pe.py [--program PROGRAM.exe --arch x86|amd64] [unittest options]
"""

import argparse
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
sys.dont_write_bytecode = True  # keep the source folder free of caches
import check_pe  # noqa: E402

PROGRAM = os.environ.get("CHECK_PE_PROGRAM")
PROGRAM_ARCH = os.environ.get("CHECK_PE_ARCH")

ALL_CHECKS = set(check_pe.CHECKS)
OTHER_ARCH = {"x86": "amd64", "amd64": "x86"}


def run(data, arch):
    lines = []
    results = check_pe.run_checks(data, arch, out=lines.append)
    return {name: msg for name, msg in results.items() if msg is not None}, lines


# -- building executables ------------------------------------------------------

def align(n, to):
    return (n + to - 1) // to * to


def pad(buf, to):
    buf += b"\0" * (align(len(buf), to) - len(buf))


MANIFEST = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<assembly xmlns="{root_ns}" manifestVersion="1.0">
  <assemblyIdentity type="win32" name="{own_name}" version="1.0.0.0" processorArchitecture="{own_arch}"/>
  <dependency>
    <dependentAssembly>
      <assemblyIdentity type="{cc_type}" name="{cc_name}" version="{cc_version}" processorArchitecture="{cc_arch}" publicKeyToken="{cc_token}" language="*"/>
    </dependentAssembly>
  </dependency>
  <trustInfo xmlns="{trust_ns}">
    <security>
      <requestedPrivileges>
        <requestedExecutionLevel level="{level}" uiAccess="{ui_access}"/>
      </requestedPrivileges>
    </security>
  </trustInfo>
</assembly>
"""


def manifest(arch, edit=None, **fields):
    values = dict(root_ns="urn:schemas-microsoft-com:asm.v1", own_name="Test.Program", own_arch=arch,
                  cc_type="win32", cc_name="Microsoft.Windows.Common-Controls", cc_version="6.0.0.0",
                  cc_arch=arch, cc_token="6595b64144ccf1df", trust_ns="urn:schemas-microsoft-com:asm.v3",
                  level="requireAdministrator", ui_access="false")
    values.update(fields)
    text = MANIFEST.format(**values)
    if edit:
        text = edit(text)
    return text.encode("utf-8")


def version_block(key, value=b"", wtype=0, children=(), value_length=None):
    out = bytearray(6) + (key + "\0").encode("utf-16-le")
    pad(out, 4)
    out += value
    for child in children:
        pad(out, 4)
        out += child
    if value_length is None:
        value_length = len(value) // 2 if wtype == 1 else len(value)
    struct.pack_into("<HHH", out, 0, len(out), value_length, wtype)
    return bytes(out)


def version_string(key, text):
    return version_block(key, (text + "\0").encode("utf-16-le"), 1)


def pack_version(text):
    a, b, c, d = (int(x) for x in text.split("."))
    return (a << 16) | b, (c << 16) | d


def version_resource(file_version="1.0.0.0", product_version="1.0.0.0", signature=0xFEEF04BD,
                     tables=None, with_strings=True):
    fms, fls = pack_version(file_version)
    pms, pls = pack_version(product_version)
    fixed = struct.pack("<13I", signature, 0x10000, fms, fls, pms, pls, 0x3F, 0, 4, 1, 0, 0, 0)
    if tables is None:
        tables = {"080404b0": {"CompanyName": "Test", "FileVersion": "1.0.0.0",
                               "ProductVersion": "1.0.0.0"}}
    string_tables = [version_block(name, wtype=1, children=[version_string(k, v) for k, v in strings.items()])
                     for name, strings in tables.items()]
    children = []
    if with_strings:
        children.append(version_block("StringFileInfo", wtype=1, children=string_tables))
    children.append(version_block("VarFileInfo", wtype=1, children=[
        version_block("Translation", struct.pack("<HH", 0x0804, 1200))]))
    return version_block("VS_VERSION_INFO", fixed, 0, children)


def icon_entry(size, bpp=4, colors=None, bits=None, image_size=None, image_bpp=None, image_height=None,
               icon_id=None, byte_count_delta=0, png=False):
    return dict(size=size, colors=(16 if bpp == 4 else 0) if colors is None else colors,
                bits=bpp if bits is None else bits, image_size=size if image_size is None else image_size,
                image_bpp=bpp if image_bpp is None else image_bpp,
                image_height=image_height, icon_id=icon_id, byte_count_delta=byte_count_delta, png=png)


def icon_image(e):
    if e["png"]:
        return b"\x89PNG\r\n\x1a\n" + b"\0" * 32
    w = e["image_size"]
    h = 2 * w if e["image_height"] is None else e["image_height"]
    bpp = e["image_bpp"]
    header = struct.pack("<IiiHHIIiiII", 40, w, h, 1, bpp, 0, 0, 0, 0, 0, 0)
    palette = b"\0" * (4 << bpp) if bpp <= 8 else b""
    xor_mask = b"\0" * (align(w * bpp, 32) // 8 * w)
    and_mask = b"\0" * (align(w, 32) // 8 * w)
    return header + palette + xor_mask + and_mask


def icon_resources(entries):
    """The RT_ICON images and the RT_GROUP_ICON directory for the entries."""
    images = {}
    group = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    for n, e in enumerate(entries, 1):
        image = icon_image(e)
        images[n] = image
        size = 0 if e["size"] == 256 else e["size"]
        group += struct.pack("<BBBBHHIH", size, size, e["colors"], 0, 1, e["bits"],
                             len(image) + e["byte_count_delta"],
                             n if e["icon_id"] is None else e["icon_id"])
    return images, bytes(group)


def default_icons():
    return [icon_entry(16), icon_entry(32), icon_entry(48)]


def recipe(arch):
    return dict(
        machine=check_pe.ARCHES[arch][0], pe32plus=arch == "amd64", subsystem=2,
        characteristics=0x0102 if arch == "x86" else 0x0022,
        imports=[("KERNEL32.dll", ["ExitProcess", "GetModuleHandleW"]), ("USER32.dll", ["MessageBoxW"]),
                 ("msvcrt.dll", ["malloc", "free"]), ("COMCTL32.dll", ["#17"])],
        delay_imports=[],
        manifests={(1, 1033): manifest(arch)},
        version={(1, 1033): version_resource()},
        icon_group_name="DEFAULT_ICON",
        icons=default_icons(),
    )


def build_imports(imports, delay_imports, base, pe32plus):
    """The import and delay-import directories, placed at RVA base."""
    width = 8 if pe32plus else 4
    ordinal_flag = 1 << (63 if pe32plus else 31)
    all_dlls = list(imports) + list(delay_imports)
    desc_size = 20 * (len(imports) + 1)
    delay_size = 32 * (len(delay_imports) + 1) if delay_imports else 0
    out = bytearray(desc_size + delay_size)
    thunks_at = []
    for _dll, funcs in all_dlls:
        pad(out, 8)
        thunks_at.append(len(out))
        out += b"\0" * (width * (len(funcs) + 1) * 2)  # lookup table, then address table
    name_at = []
    for dll, funcs in all_dlls:
        pad(out, 2)
        name_at.append(len(out))
        out += dll.encode("latin-1") + b"\0"
        for i, func in enumerate(funcs):
            if func.startswith("#"):
                value = ordinal_flag | int(func[1:])
            else:
                pad(out, 2)
                value = base + len(out)
                out += struct.pack("<H", i) + func.encode("latin-1") + b"\0"
            fmt = "<Q" if pe32plus else "<I"
            struct.pack_into(fmt, out, thunks_at[len(name_at) - 1] + width * i, value)
            struct.pack_into(fmt, out, thunks_at[len(name_at) - 1] + width * (len(funcs) + 1 + i), value)
    for i, (dll, funcs) in enumerate(all_dlls):
        lookup = base + thunks_at[i]
        iat = lookup + width * (len(funcs) + 1)
        if i < len(imports):
            struct.pack_into("<IIIII", out, 20 * i, lookup, 0, 0, base + name_at[i], iat)
        else:
            struct.pack_into("<8I", out, desc_size + 32 * (i - len(imports)), 1, base + name_at[i],
                             0, iat, lookup, 0, 0, 0)
    delay_dir = (base + desc_size, delay_size) if delay_imports else (0, 0)
    return bytes(out), (base, desc_size), delay_dir


def ordered_keys(node):
    return sorted(k for k in node if isinstance(k, str)) + sorted(k for k in node if isinstance(k, int))


def build_resources(tree, base):
    """A resource section for {type: {name: {lang: bytes}}} placed at RVA base."""
    tables = [(tree, 0)]  # breadth first: root, name directories, language directories
    links = []
    i = 0
    while i < len(tables):
        node, depth = tables[i]
        row = []
        for key in ordered_keys(node):
            if depth < 2:
                row.append((key, len(tables)))
                tables.append((node[key], depth + 1))
            else:
                row.append((key, None))
        links.append(row)
        i += 1
    offset = 0
    table_at = []
    for node, _depth in tables:
        table_at.append(offset)
        offset += 16 + 8 * len(node)
    string_at = {}
    for node, _depth in tables:
        for key in node:
            if isinstance(key, str) and key not in string_at:
                string_at[key] = offset
                offset += 2 + 2 * len(key)
    offset = align(offset, 4)
    leaf_at = {}
    for t, (node, depth) in enumerate(tables):
        if depth == 2:
            for key in ordered_keys(node):
                leaf_at[(t, key)] = offset
                offset += 16
    out = bytearray(offset)
    for t, (node, depth) in enumerate(tables):
        named = sum(isinstance(k, str) for k in node)
        struct.pack_into("<IIHHHH", out, table_at[t], 0, 0, 0, 0, named, len(node) - named)
        for n, (key, child) in enumerate(links[t]):
            name_field = (0x80000000 | string_at[key]) if isinstance(key, str) else key
            target = (0x80000000 | table_at[child]) if child is not None else leaf_at[(t, key)]
            struct.pack_into("<II", out, table_at[t] + 16 + 8 * n, name_field, target)
    for key, at in string_at.items():
        struct.pack_into("<H", out, at, len(key))
        out[at + 2:at + 2 + 2 * len(key)] = key.encode("utf-16-le")
    for (t, key), at in leaf_at.items():
        data = tables[t][0][key]
        pad(out, 4)
        struct.pack_into("<IIII", out, at, base + len(out), len(data), 0, 0)
        out += data
    return bytes(out)


def resource_tree(r):
    tree = {}

    def add(rtype, name, lang, data):
        tree.setdefault(rtype, {}).setdefault(name, {})[lang] = data

    for (name, lang), data in r["manifests"].items():
        add(24, name, lang, data)
    for (name, lang), data in r["version"].items():
        add(16, name, lang, data)
    images, group = icon_resources(r["icons"])
    for n, image in images.items():
        add(3, n, 1033, image)
    add(14, r["icon_group_name"], 1033, group)
    return tree


def build_pe(r):
    pe32plus = r["pe32plus"]
    opt_size = 240 if pe32plus else 224
    headers_size = 0x200
    idata_rva, rsrc_rva = 0x1000, 0x4000
    idata, import_dir, delay_dir = build_imports(r["imports"], r["delay_imports"], idata_rva, pe32plus)
    rsrc = build_resources(resource_tree(r), rsrc_rva)
    idata_raw = align(len(idata), 0x200)
    rsrc_raw = align(len(rsrc), 0x200)

    out = bytearray(headers_size)
    out[0:2] = b"MZ"
    struct.pack_into("<I", out, 0x3C, 0x80)
    out[0x80:0x84] = b"PE\0\0"
    struct.pack_into("<HHIIIHH", out, 0x84, r["machine"], 2, 0, 0, 0, opt_size, r["characteristics"])
    opt = 0x98
    struct.pack_into("<H", out, opt, 0x20B if pe32plus else 0x10B)
    if pe32plus:
        struct.pack_into("<Q", out, opt + 24, 0x140000000)
    else:
        struct.pack_into("<I", out, opt + 28, 0x400000)
    struct.pack_into("<II", out, opt + 32, 0x1000, 0x200)
    struct.pack_into("<III", out, opt + 56, align(rsrc_rva + len(rsrc), 0x1000), headers_size, 0)
    struct.pack_into("<H", out, opt + 68, r["subsystem"])
    dirs = opt + (112 if pe32plus else 96)
    struct.pack_into("<I", out, dirs - 4, 16)
    struct.pack_into("<II", out, dirs + 8 * 1, *import_dir)
    struct.pack_into("<II", out, dirs + 8 * 2, rsrc_rva, len(rsrc))
    struct.pack_into("<II", out, dirs + 8 * 13, *delay_dir)
    table = opt + opt_size
    struct.pack_into("<8sIIII", out, table, b".idata", len(idata), idata_rva, idata_raw, headers_size)
    struct.pack_into("<8sIIII", out, table + 40, b".rsrc", len(rsrc), rsrc_rva, rsrc_raw,
                     headers_size + idata_raw)
    out += idata + b"\0" * (idata_raw - len(idata))
    out += rsrc + b"\0" * (rsrc_raw - len(rsrc))
    return bytes(out)


# -- the cases ---------------------------------------------------------------------

def set_(key, value):
    def change(r, arch):
        r[key] = value(arch) if callable(value) else value
    return change


# Stands for the architecture the image is not built for.
OTHER = object()


def with_manifest(**fields):
    def change(r, arch):
        values = {k: OTHER_ARCH[arch] if v is OTHER else v for k, v in fields.items()}
        r["manifests"][(1, 1033)] = manifest(arch, **values)
    return change


def edit_manifest(edit):
    return lambda r, arch: r["manifests"].update({(1, 1033): manifest(arch, edit=edit)})


def add_import(dll, delayed=False):
    return lambda r, arch: r["delay_imports" if delayed else "imports"].append((dll, ["f"]))


def with_version(**kw):
    return lambda r, arch: r["version"].update({(1, 1033): version_resource(**kw)})


def with_icons(*entries):
    return lambda r, arch: r.update(icons=list(entries))


def move_key(key, old, new):
    def change(r, arch):
        r[key][new] = r[key].pop(old)
    return change


# (what is wrong, change to a good recipe, the check that must fail, text its message must contain)
SYNTHETIC_FAULTS = [
    ("machine of the other architecture", set_("machine", lambda a: check_pe.ARCHES[OTHER_ARCH[a]][0]),
     "headers", "machine is 0x"),
    ("optional header of the other width", set_("pe32plus", lambda a: a == "x86"), "headers", "magic"),
    ("console subsystem", set_("subsystem", 3), "headers", "subsystem is 3"),
    ("a DLL, not a program", set_("characteristics", 0x2102), "headers", "characteristics"),
    ("not executable", set_("characteristics", 0x0100), "headers", "characteristics"),
    ("C++ runtime DLL", add_import("libstdc++-6.dll"), "imports", "libstdc++-6.dll"),
    ("DWARF libgcc DLL", add_import("libgcc_s_dw2-1.dll"), "imports", "libgcc_s_dw2-1.dll"),
    ("SEH libgcc DLL", add_import("libgcc_s_seh-1.dll"), "imports", "libgcc_s_seh-1.dll"),
    ("winpthread DLL", add_import("libwinpthread-1.dll"), "imports", "libwinpthread-1.dll"),
    ("a third-party DLL", add_import("zlib1.dll"), "imports", "zlib1.dll"),
    ("a system name with a suffix", add_import("user32.dll.local"), "imports", "user32.dll.local"),
    ("the C runtime API set without its name", add_import("api-ms-win-crt-.dll.x"), "imports", "api-ms-win-crt"),
    ("a delay-loaded C++ runtime", add_import("libstdc++-6.dll", delayed=True), "imports", "libstdc++-6.dll"),
    ("no kernel32 import", set_("imports", [("USER32.dll", ["MessageBoxW"])]), "imports", "KERNEL32"),
    ("asInvoker", with_manifest(level="asInvoker"), "manifest", "asInvoker"),
    ("highestAvailable", with_manifest(level="highestAvailable"), "manifest", "highestAvailable"),
    ("uiAccess true", with_manifest(ui_access="true"), "manifest", "uiAccess"),
    ("no uiAccess", edit_manifest(lambda t: t.replace(' uiAccess="false"', "")), "manifest", "uiAccess"),
    ("no execution level", edit_manifest(lambda t: t.replace("<requestedExecutionLevel", "<requestedLevel")),
     "manifest", "requestedExecutionLevel"),
    ("trustInfo in an unknown namespace", with_manifest(trust_ns="urn:example"), "manifest", "namespace"),
    ("root outside the assembly namespace", with_manifest(root_ns="urn:example"), "manifest", "root"),
    ("common controls 5", with_manifest(cc_version="5.82.0.0"), "manifest", "5.82.0.0"),
    ("common controls for the other architecture", with_manifest(cc_arch=OTHER),
     "manifest", "processorArchitecture"),
    ("common controls misspelt", with_manifest(cc_name="Microsoft.Windows.Common-Control"),
     "manifest", "0 dependencies"),
    ("common controls not a win32 assembly", with_manifest(cc_type="win32-policy"), "manifest",
     "type='win32-policy'"),
    ("common controls with a wrong key", with_manifest(cc_token="0000000000000000"), "manifest", "publicKeyToken"),
    ("no common controls dependency", edit_manifest(lambda t: t[:t.index("<dependency>")] +
                                                    t[t.index("</dependency>") + 13:]),
     "manifest", "dependencies on Microsoft.Windows.Common-Controls"),
    ("own identity for the other architecture", with_manifest(own_arch=OTHER),
     "manifest", "own assemblyIdentity"),
    ("own identity named as common controls", with_manifest(own_name="Microsoft.Windows.Common-Controls"),
     "manifest", "own assemblyIdentity"),
    ("no own identity", edit_manifest(lambda t: t.replace('<assemblyIdentity type="win32" name="Test.Program"',
                                                          '<identity type="win32" name="Test.Program"')),
     "manifest", "0 assemblyIdentity"),
    ("manifest not XML", edit_manifest(lambda t: t.replace("</assembly>", "</assemb>")), "manifest", "XML"),
    ("a second manifest", lambda r, a: r["manifests"].update({(2, 1033): manifest(a)}), "manifest",
     "exactly one manifest resource, found 2"),
    ("a second language of the manifest", lambda r, a: r["manifests"].update({(1, 1031): manifest(a)}),
     "manifest", "found 2"),
    ("manifest under id 2", move_key("manifests", (1, 1033), (2, 1033)), "manifest", "expected id #1"),
    ("no manifest", set_("manifests", {}), "manifest", "found 0"),
    ("fixed part signature", with_version(signature=0xFEEF04BE), "version", "signature"),
    ("fixed FileVersion", with_version(file_version="1.0.0.1"), "version", "fixed FileVersion is 1.0.0.1"),
    ("fixed ProductVersion", with_version(product_version="2.0.0.0"), "version", "fixed ProductVersion is 2.0.0.0"),
    ("string FileVersion", with_version(tables={"040904b0": {"FileVersion": "1.0", "ProductVersion": "1.0.0.0"}}),
     "version", "FileVersion is '1.0'"),
    ("no string ProductVersion", with_version(tables={"040904b0": {"FileVersion": "1.0.0.0"}}),
     "version", "ProductVersion is None"),
    ("a second string table that is wrong",
     with_version(tables={"040904b0": {"FileVersion": "1.0.0.0", "ProductVersion": "1.0.0.0"},
                          "080404b0": {"FileVersion": "1.0.0.0", "ProductVersion": "0.9.0.0"}}),
     "version", "080404b0"),
    ("no StringFileInfo", with_version(with_strings=False), "version", "StringFileInfo"),
    ("version under id 2", move_key("version", (1, 1033), (2, 1033)), "version", "no version resource #1"),
    ("icon group under another name", set_("icon_group_name", "APP_ICON"), "icon", "no icon group named"),
    ("icon group name stored in lower case", set_("icon_group_name", "default_icon"), "icon", "no icon group"),
    ("no 48x48", with_icons(icon_entry(16), icon_entry(32)), "icon", "no 48x48"),
    ("32x32 at 256 colours", with_icons(icon_entry(16), icon_entry(32, bpp=8), icon_entry(48)),
     "icon", "no 32x32"),
    ("16x16 only as a PNG", with_icons(icon_entry(16, png=True), icon_entry(32), icon_entry(48)),
     "icon", "no 16x16"),
    ("entry says 16 colours, image has 256", with_icons(icon_entry(16, image_bpp=8), icon_entry(32),
                                                        icon_entry(48)), "icon", "does not agree"),
    ("entry colour count 16 only, image has 256",
     with_icons(icon_entry(16), icon_entry(32, bits=0, image_bpp=8), icon_entry(48)), "icon", "does not agree"),
    ("image width differs", with_icons(icon_entry(16), icon_entry(32, image_size=24), icon_entry(48)),
     "icon", "does not agree"),
    ("image height not doubled", with_icons(icon_entry(16), icon_entry(32), icon_entry(48, image_height=48)),
     "icon", "does not agree"),
    ("entry names a missing icon", with_icons(icon_entry(16), icon_entry(32, icon_id=99), icon_entry(48)),
     "icon", "missing icon"),
    ("entry byte count wrong", with_icons(icon_entry(16, byte_count_delta=4), icon_entry(32), icon_entry(48)),
     "icon", "bytes"),
]

# Changes that are still right: the checks must not be stricter than Windows.
SYNTHETIC_GOOD = [
    ("as built", lambda r, a: None),
    ("upper-case DLL names", set_("imports", [("KERNEL32.DLL", ["ExitProcess"]), ("COMCTL32.DLL", ["#17"])])),
    ("every allowed DLL", set_("imports", [(n, ["f"]) for n in sorted(check_pe.SYSTEM_DLLS)])),
    ("C runtime API sets", set_("imports", [("kernel32.dll", ["f"]), ("api-ms-win-crt-runtime-l1-1-0.dll", ["f"]),
                                            ("API-MS-WIN-CRT-STDIO-L1-1-0.DLL", ["f"])])),
    ("a delay-loaded system DLL", add_import("shell32.dll", delayed=True)),
    ("trustInfo in the older namespace", with_manifest(trust_ns="urn:schemas-microsoft-com:asm.v2")),
    ("key token in upper case", with_manifest(cc_token="6595B64144CCF1DF")),
    ("16 colours given by the colour count alone",
     with_icons(icon_entry(16, bits=0), icon_entry(32, bits=0), icon_entry(48, bits=0))),
    ("16 colours given by the bit count alone",
     with_icons(icon_entry(16, colors=0), icon_entry(32, colors=0), icon_entry(48, colors=0))),
    ("more images besides", with_icons(icon_entry(256, png=True), icon_entry(48, bpp=32), icon_entry(16),
                                       icon_entry(32), icon_entry(48), icon_entry(24, bpp=8))),
    ("two string tables", with_version(tables={
        "040904b0": {"FileVersion": "1.0.0.0", "ProductVersion": "1.0.0.0"},
        "080404b0": {"ProductVersion": "1.0.0.0", "FileVersion": "1.0.0.0", "Comments": "x"}})),
]


def make(arch, change):
    r = recipe(arch)
    change(r, arch)
    return build_pe(r)


class SyntheticImages(unittest.TestCase):
    def test_good_images_pass(self):
        for arch in check_pe.ARCHES:
            for what, change in SYNTHETIC_GOOD:
                with self.subTest(arch=arch, case=what):
                    failed, lines = run(make(arch, change), arch)
                    self.assertEqual(failed, {}, "\n".join(lines))

    def test_each_fault_fails_its_own_check(self):
        for arch in check_pe.ARCHES:
            for what, change, check, fragment in SYNTHETIC_FAULTS:
                with self.subTest(arch=arch, case=what):
                    failed, lines = run(make(arch, change), arch)
                    self.assertEqual(set(failed), {check}, "\n".join(lines))
                    self.assertIn(fragment, failed[check])

    def test_imports_are_listed(self):
        for arch in check_pe.ARCHES:
            with self.subTest(arch=arch):
                failed, lines = run(make(arch, add_import("shell32.dll", delayed=True)), arch)
                self.assertEqual(failed, {})
                text = "\n".join(lines)
                for expected in ("KERNEL32.dll: 2 function(s)", "USER32.dll: 1 function(s)",
                                 "msvcrt.dll: 2 function(s)", "COMCTL32.dll: 1 function(s)",
                                 "shell32.dll (delay-loaded): 1 function(s)"):
                    self.assertIn(expected, text)
                functions = {d.name: d.functions for d in check_pe.PEImage(make(arch, lambda r, a: None)).imports()}
                self.assertEqual(functions, {"KERNEL32.dll": ["ExitProcess", "GetModuleHandleW"],
                                             "USER32.dll": ["MessageBoxW"], "msvcrt.dll": ["malloc", "free"],
                                             "COMCTL32.dll": ["#17"]})

    def test_image_checked_against_the_other_arch_fails(self):
        for arch in check_pe.ARCHES:
            with self.subTest(arch=arch):
                failed, lines = run(make(arch, lambda r, a: None), OTHER_ARCH[arch])
                self.assertEqual(set(failed), {"headers", "manifest"}, "\n".join(lines))

    def test_damaged_files_fail_every_check_without_a_crash(self):
        good = make("x86", lambda r, a: None)
        cut_resources = good[:0x400]  # headers and imports, but no resource data
        for what, data, fragment in [
                ("empty", b"", "MZ"),
                ("text", b"hello, world\n" * 10, "MZ"),
                ("headers only", good[:0x100], "truncated"),
                ("no PE signature", good[:0x80] + b"NE\0\0" + good[0x84:], "PE signature"),
        ]:
            with self.subTest(case=what):
                failed, _lines = run(data, "x86")
                self.assertEqual(set(failed), ALL_CHECKS)
                for message in failed.values():
                    self.assertIn(fragment, message)
        failed, lines = run(cut_resources, "x86")
        self.assertEqual(set(failed), {"manifest", "version", "icon"}, "\n".join(lines))


class CommandLine(unittest.TestCase):
    def run_cli(self, data, *args):
        with tempfile.TemporaryDirectory() as tmp:
            path = os.path.join(tmp, "program.exe")
            with open(path, "wb") as f:
                f.write(data)
            return subprocess.run([sys.executable, os.path.join(HERE, "check_pe.py"), *args, path],
                                  stdout=subprocess.PIPE, stderr=subprocess.STDOUT, universal_newlines=True)

    def test_exit_status(self):
        good = make("amd64", lambda r, a: None)
        bad = make("amd64", add_import("libstdc++-6.dll"))
        result = self.run_cli(good, "--arch", "amd64")
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertNotIn("FAIL", result.stdout)
        result = self.run_cli(bad, "--arch", "amd64")
        self.assertEqual(result.returncode, 1, result.stdout)
        self.assertIn("FAIL imports: imports libstdc++-6.dll", result.stdout)
        # A check that is not selected does not decide the exit status.
        result = self.run_cli(bad, "--arch", "amd64", "--check", "manifest", "--check", "icon")
        self.assertEqual(result.returncode, 0, result.stdout)
        self.assertNotIn("imports", result.stdout)

    def test_missing_file_fails(self):
        result = subprocess.run([sys.executable, os.path.join(HERE, "check_pe.py"), "--arch", "x86",
                                 os.path.join(HERE, "no-such-program.exe")],
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT, universal_newlines=True)
        self.assertEqual(result.returncode, 1, result.stdout)
        self.assertIn("cannot read", result.stdout)


# -- damaged copies of a real program -------------------------------------------------

def utf16(text):
    return text.encode("utf-16-le")


class RealProgram(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        if not PROGRAM:
            raise unittest.SkipTest("no program given (--program)")
        with open(PROGRAM, "rb") as f:
            cls.data = f.read()
        cls.arch = PROGRAM_ARCH
        cls.pe = check_pe.PEImage(cls.data)

    def resource(self, rtype, name=None):
        found = [r for r in self.pe.resources() if r.type == rtype and (name is None or r.name == name)]
        self.assertTrue(found, "resource type %d not found" % rtype)
        return found[0]

    def resource_offset(self, rtype, name=None):
        res = self.resource(rtype, name)
        return self.pe.rva_to_offset(res.data_rva, res.size), res.size

    def replace_in(self, data, start, end, old, new, count=1):
        """Replaces `old` by `new` (same length) in data[start:end], `count` times."""
        self.assertEqual(len(old), len(new))
        out = bytearray(data)
        at = start
        for _ in range(count):
            at = out.find(old, at, end)
            self.assertGreaterEqual(at, 0, "%r not found" % old)
            out[at:at + len(old)] = new
            at += len(new)
        return bytes(out)

    def in_manifest(self, old, new, after=None):
        start, size = self.resource_offset(24)
        if after is not None:
            start = self.data.index(after, start, start + size)
        return self.replace_in(self.data, start, start + size, old, new)

    def in_version(self, old, new):
        start, size = self.resource_offset(16)
        return self.replace_in(self.data, start, start + size, old, new)

    def put(self, offset, fmt, *values, data=None):
        out = bytearray(self.data if data is None else data)
        struct.pack_into(fmt, out, offset, *values)
        return bytes(out)

    def fixed_version_offset(self):
        start, size = self.resource_offset(16)
        at = self.data.find(struct.pack("<I", 0xFEEF04BD), start, start + size)
        self.assertGreaterEqual(at, 0)
        return at

    def group_entry_offset(self, index):
        start, _size = self.resource_offset(14, check_pe.ICON_GROUP_NAME)
        return start + 6 + 14 * index

    def group_entries(self):
        start, _size = self.resource_offset(14, check_pe.ICON_GROUP_NAME)
        (count,) = struct.unpack_from("<H", self.data, start + 4)
        return [struct.unpack_from("<BBBBHHIH", self.data, start + 6 + 14 * i) for i in range(count)]

    def icon_offset(self, size):
        for entry in self.group_entries():
            if entry[0] == size:
                return self.resource_offset(3, entry[7])[0]
        self.fail("no %dx%d icon" % (size, size))

    def with_import_named(self, dll_name):
        """Points the first import descriptor's name at `dll_name`, written over the
        longest imported function name so that nothing else moves."""
        longest = max((f for d in self.pe.imports() for f in d.functions if not f.startswith("#")), key=len)
        self.assertGreaterEqual(len(longest), len(dll_name))
        import_rva, _ = self.pe.directory(check_pe.DIR_IMPORT)
        import_offset = self.pe.rva_to_offset(import_rva)
        slot = self.data.find(longest.encode() + b"\0", import_offset)
        self.assertGreater(slot, 0)
        section = next(s for s in self.pe.sections if s.raw_offset <= slot < s.raw_offset + s.raw_size)
        slot_rva = section.vaddr + slot - section.raw_offset
        out = bytearray(self.data)
        out[slot:slot + len(dll_name) + 1] = dll_name.encode() + b"\0"
        struct.pack_into("<I", out, import_offset + 12, slot_rva)
        return bytes(out)

    def cases(self):
        arch, other = self.arch, OTHER_ARCH[self.arch]
        pe_at = self.pe.pe_offset
        opt = pe_at + 24
        wrong_arch = {"x86": b"arm", "amd64": b"arm64"}[arch]
        arch_attr = b'processorArchitecture="%s"' % arch.encode()
        cc = b"Microsoft.Windows.Common-Controls"
        user32 = next(d for d in self.pe.imports() if d.name.lower() == "user32.dll")
        user32_at = self.pe.rva_to_offset(user32.name_rva)
        # The program names its icon in code too, so the name is changed where the
        # resource directory keeps it.
        rsrc_rva, _ = self.pe.directory(check_pe.DIR_RESOURCE)
        (name_field,) = struct.unpack_from("<I", self.data, self.resource(14).entry_offsets[1])
        group_name_at = self.pe.rva_to_offset(rsrc_rva + (name_field & 0x7FFFFFFF))
        version_key = lambda key: utf16(key + "\0")  # noqa: E731
        return [
            # (what, damaged bytes, checks that must fail, text the first one's message must contain)
            ("machine", self.put(pe_at + 4, "<H", check_pe.ARCHES[other][0]), {"headers"}, "machine"),
            ("console subsystem", self.put(opt + 68, "<H", 3), {"headers"}, "subsystem is 3"),
            ("asInvoker", self.in_manifest(b'"requireAdministrator"', b'"asInvoker"           '),
             {"manifest"}, "asInvoker"),
            ("uiAccess true", self.in_manifest(b'uiAccess="false"', b'uiAccess="true" '), {"manifest"}, "uiAccess"),
            ("common controls 5", self.in_manifest(b'version="6.0.0.0"', b'version="5.0.0.0"', after=cc),
             {"manifest"}, "5.0.0.0"),
            ("common controls for another arch",
             self.in_manifest(arch_attr, b'processorArchitecture="%s"' % wrong_arch, after=cc),
             {"manifest"}, "processorArchitecture"),
            ("own identity for another arch",
             self.in_manifest(arch_attr, b'processorArchitecture="%s"' % wrong_arch),
             {"manifest"}, "own assemblyIdentity"),
            ("manifest under id 2", self.put(self.resource(24).entry_offsets[1], "<I", 2),
             {"manifest"}, "expected id #1"),
            # The version resource turned into a second manifest.
            ("two manifests", self.put(self.resource(16).entry_offsets[0], "<I", 24),
             {"manifest", "version"}, "exactly one manifest resource, found 2"),
            ("import renamed within its length",
             self.replace_in(self.data, user32_at, user32_at + 11, user32.name.encode() + b"\0",
                             (user32.name[:4] + "33" + user32.name[6:]).encode() + b"\0"),
             {"imports"}, "imports USER33.dll, which is not a system DLL"),
            ("fixed part signature", self.put(self.fixed_version_offset(), "<I", 0xFEEF04BC),
             {"version"}, "signature"),
            ("fixed FileVersion", self.put(self.fixed_version_offset() + 12, "<I", 1),
             {"version"}, "fixed FileVersion is 1.0.0.1"),
            ("fixed ProductVersion", self.put(self.fixed_version_offset() + 16, "<I", 0x20000),
             {"version"}, "fixed ProductVersion is 2.0.0.0"),
            ("string FileVersion", self.in_version(version_key("FileVersion") + b"\0\0" + utf16("1.0.0.0"),
                                                   version_key("FileVersion") + b"\0\0" + utf16("1.0.0.2")),
             {"version"}, "FileVersion is '1.0.0.2'"),
            ("string ProductVersion", self.in_version(utf16("ProductVersion\0"), utf16("ProductVersiox\0")),
             {"version"}, "ProductVersion is None"),
            ("icon group renamed", self.replace_in(self.data, group_name_at, group_name_at + 26,
                                                   utf16("\x0cDEFAULT_ICON"), utf16("\x0cDEFAULT_ICOM")),
             {"icon"}, "no icon group"),
            ("group entry size", self.put(self.group_entry_offset(2), "<BB", 64, 64), {"icon"}, "does not agree"),
            ("group entry names a missing icon", self.put(self.group_entry_offset(1) + 12, "<H", 999),
             {"icon"}, "missing icon"),
            ("32x32 image at 8 bpp", self.put(self.icon_offset(32) + 14, "<H", 8), {"icon"}, "does not agree"),
            ("48x48 image height", self.put(self.icon_offset(48) + 8, "<i", 48), {"icon"}, "does not agree"),
        ]

    def test_program_passes(self):
        failed, lines = run(self.data, self.arch)
        self.assertEqual(failed, {}, "\n".join(lines))

    def test_damaged_copies_fail(self):
        for what, data, checks, fragment in self.cases():
            with self.subTest(case=what):
                self.assertNotEqual(data, self.data)
                failed, lines = run(data, self.arch)
                self.assertEqual(set(failed), checks, "\n".join(lines))
                first = sorted(checks, key=list(check_pe.CHECKS).index)[0]
                self.assertIn(fragment, failed[first])

    def test_non_system_imports_fail(self):
        for dll in ("libstdc++-6.dll", "libgcc_s_dw2-1.dll", "libgcc_s_seh-1.dll", "libwinpthread-1.dll"):
            with self.subTest(dll=dll):
                failed, lines = run(self.with_import_named(dll), self.arch)
                self.assertEqual(set(failed), {"imports"}, "\n".join(lines))
                self.assertIn("imports %s, which is not a system DLL" % dll, failed["imports"])

    def test_imports_agree_with_objdump(self):
        # A second opinion on the import table, where binutils is at hand.
        tool = shutil.which("objdump") or shutil.which("x86_64-w64-mingw32-objdump")
        if not tool:
            self.skipTest("no objdump")
        dump = subprocess.run([tool, "-p", PROGRAM], stdout=subprocess.PIPE, universal_newlines=True,
                              check=True).stdout
        theirs = sorted(re.findall(r"^\s*DLL Name: (\S+)", dump, re.M))
        self.assertTrue(theirs)
        self.assertEqual(sorted(d.name for d in self.pe.imports()), theirs)

    def test_other_arch_fails(self):
        failed, lines = run(self.data, OTHER_ARCH[self.arch])
        self.assertEqual(set(failed), {"headers", "manifest"}, "\n".join(lines))


def main():
    global PROGRAM, PROGRAM_ARCH
    parser = argparse.ArgumentParser(add_help=False)
    parser.add_argument("--program", default=PROGRAM)
    parser.add_argument("--arch", choices=sorted(check_pe.ARCHES), default=PROGRAM_ARCH)
    args, rest = parser.parse_known_args()
    if bool(args.program) != bool(args.arch):
        parser.error("--program and --arch go together")
    PROGRAM, PROGRAM_ARCH = args.program, args.arch
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == "__main__":
    main()
