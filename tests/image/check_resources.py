#!/usr/bin/env python3
"""check_resources.py PE PAYLOAD_DIR - the setup executable carries exactly its resources.

Lists the PE's resources with wrestool and compares them with the inventory, then decodes
the dialog template, the icon and the version block byte by byte.
"""
import struct
import subprocess
import sys

LANG_NEUTRAL, LANG_PAYLOAD = 1024, 1049
PACKED = {134: "qelt.hl_", 135: "qelt_ws1.ex_", 136: "qelt_ws2.ex_", 137: "aliases.ql_",
          138: "tessmor1.ex_", 139: "tessmor2.ex_", 140: "vornel.tx_", 141: "servers.ql_"}

DIALOG = dict(style=0x90C808D1, exstyle=0, x=0, y=0, cx=200, cy=97, title="Quillmere 2.13b setup",
              point=8, face="MS Sans Serif")
# (id, class, style word, x, y, cx, cy, text)
CONTROLS = [
    (1032, "STATIC", 0x50020001, 0, 0, 199, 44,
     "Welcome to Qelt 2.13b quick setup!\nThis program would install Qelt on your computer\n\n"
     "Please note that this is beta software, the release\nversion would be available after January 1st, 1999"),
    (1034, "STATIC", 0x50020001, 1, 48, 199, 25, "Choose Next to continue."),
    (1031, "BUTTON", 0x50010000, 148, 81, 50, 14, "> &Next"),
    (0xFFFF, "STATIC", 0x50000003, 5, 75, 20, 20, 111),
    (1035, "STATIC", 0x40020001, 0, 0, 199, 17, "Congratulations, Qelt 2.13b setup\n has completed successfully!"),
    (1037, "STATIC", 0x40020001, 0, 58, 199, 8, "Press Finish to quit setup"),
    (1027, "BUTTON", 0x40010003, 56, 35, 94, 10, "View help after the setup"),
    (1038, "MSCTLS_PROGRESS32", 0x40800001, 11, 53, 177, 13, "Progress1"),
    (1039, "STATIC", 0x40020000, 48, 24, 96, 8, "Qelt is now being installed..."),
    (1040, "STATIC", 0x40020001, 0, 9, 199, 35,
     "Press Browse button to locate a directory\nfor Qelt 2.13b installation.\nNote that Qelt subfolder\n"
     "would be created in this directory."),
    (1041, "BUTTON", 0x40010000, 148, 51, 50, 14, "&Browse"),
    (1042, "STATIC", 0x40020200, 5, 53, 140, 10, ""),
]
VERSION_STRINGS = [
    ("Comments", "pre-release beta version"),
    ("CompanyName", None),
    ("FileDescription", "Quick setup for Qelt 2.13b"),
    ("FileVersion", "2, 13, 0, 0"),
    ("InternalName", "Qelt SETUP"),
    ("LegalCopyright", None),
    ("OriginalFilename", "Qelt213b_setup.exe"),
    ("ProductName", "Qelt 2.13b quick setup"),
    ("ProductVersion", "2, 13, 0, 0"),
]
ORDINAL_CLASSES = {0x80: "BUTTON", 0x81: "EDIT", 0x82: "STATIC"}

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def wrestool(*args):
    return subprocess.run(["wrestool", *args], check=True, capture_output=True).stdout


def resource(pe, rtype, name):
    return wrestool("-x", "-R", f"--type={rtype}", f"--name={name}", pe)


def sz_or_ordinal(data, pos):
    if struct.unpack_from("<H", data, pos)[0] == 0xFFFF:
        return struct.unpack_from("<H", data, pos + 2)[0], pos + 4
    end = pos
    while struct.unpack_from("<H", data, end)[0]:
        end += 2
    return data[pos:end].decode("utf-16-le"), end + 2


def check_inventory(pe, payload_dir):
    expected = {("FILE", n, LANG_PAYLOAD) for n in PACKED}
    expected |= {("3", 1, LANG_NEUTRAL), ("5", 105, LANG_NEUTRAL), ("14", 111, LANG_NEUTRAL),
                 ("16", 1, LANG_PAYLOAD)}
    found = {}
    for line in wrestool("-l", pe).decode().splitlines():
        fields = dict(f.lstrip("-").split("=", 1) for f in line.split("[")[0].split() if "=" in f)
        fields["size"] = line.split("size=")[1].rstrip("]")
        key = (fields["type"].strip("'"), int(fields["name"]), int(fields["language"]))
        found[key] = int(fields["size"])
    check(set(found) == expected, f"resource inventory: extra {set(found) - expected}, missing {expected - set(found)}")
    for name, packed in PACKED.items():
        with open(f"{payload_dir}/{packed}", "rb") as f:
            check(resource(pe, "+FILE", name) == f.read(), f"FILE {name} is not the packed file {packed}")
    check(found.get(("3", 1, LANG_NEUTRAL)) == 744, "icon image is not 744 bytes")


def check_dialog(pe):
    data = resource(pe, 5, 105)
    style, exstyle, count, x, y, cx, cy = struct.unpack_from("<IIHhhhh", data, 0)
    menu, pos = sz_or_ordinal(data, 18)
    wclass, pos = sz_or_ordinal(data, pos)
    title, pos = sz_or_ordinal(data, pos)
    point = struct.unpack_from("<H", data, pos)[0]
    face, pos = sz_or_ordinal(data, pos + 2)
    got = dict(style=style, exstyle=exstyle, x=x, y=y, cx=cx, cy=cy, title=title, point=point, face=face)
    check(got == DIALOG, f"dialog window: {got}")
    check(menu == "" and wclass == "", "dialog has a menu or class")
    check(count == len(CONTROLS), f"dialog has {count} controls")
    for want in CONTROLS:
        pos = (pos + 3) & ~3
        cstyle, cex, x, y, cx, cy, cid = struct.unpack_from("<IIhhhhH", data, pos)
        ctl_class, pos = sz_or_ordinal(data, pos + 18)
        text, pos = sz_or_ordinal(data, pos)
        extra = struct.unpack_from("<H", data, pos)[0]
        pos += 2 + extra
        ctl_class = ORDINAL_CLASSES.get(ctl_class, ctl_class).upper() if isinstance(ctl_class, int) else ctl_class.upper()
        got = (cid, ctl_class, cstyle, x, y, cx, cy, text)
        check(got == want and cex == 0 and extra == 0, f"control {want[0]}: {got}")


def check_icon(pe):
    group = resource(pe, 14, 111)
    reserved, rtype, count = struct.unpack_from("<HHH", group, 0)
    entry = struct.unpack_from("<BBBBHHIH", group, 6)
    check((reserved, rtype, count) == (0, 1, 1) and len(group) == 20, "icon group is not one icon")
    check(entry == (32, 32, 16, 0, 1, 4, 744, 1), f"icon group entry: {entry}")
    image = resource(pe, 3, 1)
    header = struct.unpack_from("<IiiHH", image, 0)
    check(header == (40, 32, 64, 1, 4) and len(image) == 744, f"icon image header: {header}")


def check_version(pe):
    data = resource(pe, 16, 1)

    def block(pos):
        length, value_length, kind = struct.unpack_from("<HHH", data, pos)
        key, after = sz_or_ordinal(data, pos + 6)
        value_pos = (after + 3) & ~3
        return length, value_length, kind, key, value_pos

    length, value_length, _, key, pos = block(0)
    check(key == "VS_VERSION_INFO" and value_length == 52, "version block header")
    fixed = struct.unpack_from("<13I", data, pos)
    check(fixed == (0xFEEF04BD, 0x10000, 0x2000D, 0, 0x2000D, 0, 0x3F, 0, 0x40004, 1, 0, 0, 0),
          f"VS_FIXEDFILEINFO {[hex(v) for v in fixed]}")
    pos = (pos + value_length + 3) & ~3
    strings, translation = [], None
    while pos < length:
        child_length, _, _, child_key, child_pos = block(pos)
        if child_key == "StringFileInfo":
            table_length, _, _, table_key, spos = block(child_pos)
            check(table_key == "000004b0", f"string table key {table_key}")
            while spos < child_pos + table_length:
                s_length, s_value_length, s_kind, s_key, s_value = block(spos)
                raw = data[s_value:s_value + 2 * s_value_length]
                check(s_kind == 1 and raw.endswith(b"\0\0"), f"string {s_key} not stored with its terminator")
                strings.append((s_key, raw[:-2].decode("utf-16-le")))
                spos = (spos + s_length + 3) & ~3
        elif child_key == "VarFileInfo":
            _, v_value_length, _, v_key, v_pos = block(child_pos)
            translation = (v_key, struct.unpack_from("<HH", data, v_pos))
        pos = (pos + child_length + 3) & ~3
    check([k for k, _ in strings] == [k for k, _ in VERSION_STRINGS], f"version string keys {strings}")
    for (key, value), (_, want) in zip(strings, VERSION_STRINGS):
        check(want is None and value or value == want, f"version string {key} = {value!r}")
    check(translation == ("Translation", (0, 0x04B0)), f"translation {translation}")


def main():
    pe, payload_dir = sys.argv[1], sys.argv[2]
    check_inventory(pe, payload_dir)
    check_dialog(pe)
    check_icon(pe)
    check_version(pe)
    for failure in failures:
        print(f"{pe}: {failure}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
