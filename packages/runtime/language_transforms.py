#!/usr/bin/env python3
"""Embeds the package's language transforms.

The launcher runs the package with TRANSFORMS=:<language id> for every UI
language but English, and the Windows Installer fails with 1624 when that
sub-storage is missing. No tool here generates transforms, so they are written
directly: a compound file holding the transform's string pool, the changed
rows of the Property table (ProductLanguage) and its summary information. The
package is rewritten with libgsf (the compound-file library under msitools)
with the transforms added as sub-storages; libmsi, which only reads the
product's identity here, crashes when a fifth row goes into its _Storages.

usage: language_transforms.py PACKAGE.msi [LANGID...]
"""

import ctypes
import ctypes.util
import os
import struct
import sys

LANGUAGES = (1031, 1034, 1036, 1040, 1053, 1028, 1041, 1042, 1046, 2052)

# {000C1082-0000-0000-C000-000000000046}, the class of a transform storage.
TRANSFORM_CLSID = bytes.fromhex("82100C0000000000C000000000000046")
FMTID_SUMMARY = bytes.fromhex("E0859FF2F94F6810AB9108002B27B3D9")


def _load(name, soname):
    return ctypes.CDLL(ctypes.util.find_library(name) or soname)


vp = ctypes.c_void_p


class GError(ctypes.Structure):
    _fields_ = [("domain", ctypes.c_uint32), ("code", ctypes.c_int), ("message", ctypes.c_char_p)]


PGError = ctypes.POINTER(ctypes.POINTER(GError))

gobject = _load("gobject-2.0", "libgobject-2.0.so.0")
gobject.g_object_unref.argtypes = [vp]
gsf = _load("gsf-1", "libgsf-1.so.114")
libmsi = _load("msi", "libmsi.so.0")

for lib, fn, res, args in [
        (gsf, "gsf_output_stdio_new", vp, [ctypes.c_char_p, PGError]),
        (gsf, "gsf_outfile_msole_new", vp, [vp]),
        (gsf, "gsf_outfile_msole_set_class_id", ctypes.c_int, [vp, ctypes.c_char_p]),
        (gsf, "gsf_outfile_new_child", vp, [vp, ctypes.c_char_p, ctypes.c_int]),
        (gsf, "gsf_output_write", ctypes.c_int, [vp, ctypes.c_size_t, ctypes.c_char_p]),
        (gsf, "gsf_output_close", ctypes.c_int, [vp]),
        (gsf, "gsf_input_stdio_new", vp, [ctypes.c_char_p, PGError]),
        (gsf, "gsf_infile_msole_new", vp, [vp, PGError]),
        (gsf, "gsf_infile_msole_get_class_id", ctypes.c_int, [vp, ctypes.c_char_p]),
        (gsf, "gsf_infile_num_children", ctypes.c_int, [vp]),
        (gsf, "gsf_infile_name_by_index", ctypes.c_char_p, [vp, ctypes.c_int]),
        (gsf, "gsf_infile_child_by_index", vp, [vp, ctypes.c_int]),
        (gsf, "gsf_input_size", ctypes.c_int64, [vp]),
        (gsf, "gsf_input_read", vp, [vp, ctypes.c_size_t, vp]),
        (libmsi, "libmsi_database_new", vp, [ctypes.c_char_p, ctypes.c_uint, ctypes.c_char_p, PGError]),
        (libmsi, "libmsi_query_new", vp, [vp, ctypes.c_char_p, PGError]),
        (libmsi, "libmsi_query_execute", ctypes.c_int, [vp, vp, PGError]),
        (libmsi, "libmsi_query_fetch", vp, [vp, PGError]),
        (libmsi, "libmsi_query_close", ctypes.c_int, [vp, PGError]),
        (libmsi, "libmsi_record_get_string", vp, [vp, ctypes.c_uint]),
        (libmsi, "libmsi_summary_info_new", vp, [vp, ctypes.c_uint, PGError]),
        (libmsi, "libmsi_summary_info_get_string", ctypes.c_char_p, [vp, ctypes.c_int, PGError]),
        (libmsi, "libmsi_summary_info_get_int", ctypes.c_int, [vp, ctypes.c_int, PGError])]:
    getattr(lib, fn).restype = res
    getattr(lib, fn).argtypes = args

LIBMSI_DB_FLAGS_READONLY = 1
PID_TEMPLATE = 7
PID_PAGECOUNT = 14


def _check(ok, err, what):
    if not ok or err:
        raise RuntimeError(f"{what} failed: {err.contents.message.decode() if err else 'no result'}")


# --- transform contents ------------------------------------------------------

def _base64_digit(c):
    if "0" <= c <= "9":
        return ord(c) - ord("0")
    if "A" <= c <= "Z":
        return ord(c) - ord("A") + 10
    if "a" <= c <= "z":
        return ord(c) - ord("a") + 36
    return {".": 62, "_": 63}.get(c)


def table_stream_name(table):
    """The compressed stream name of a table: U+4840, then two name characters per
    character in U+3800..U+47FF where both fit the 64-letter alphabet."""
    out = [chr(0x4840)]
    i = 0
    while i < len(table):
        a = _base64_digit(table[i])
        b = _base64_digit(table[i + 1]) if i + 1 < len(table) else None
        if a is None:
            out.append(table[i])
            i += 1
        elif b is None:
            out.append(chr(0x4800 + a))
            i += 1
        else:
            out.append(chr(0x3800 + a + (b << 6)))
            i += 2
    return "".join(out)


def string_pool(strings):
    """_StringPool and _StringData of the given strings (ids from 1), codepage neutral."""
    pool = struct.pack("<HH", 0, 0)
    data = b""
    for s in strings:
        raw = s.encode("ascii")
        pool += struct.pack("<HH", len(raw), 1)
        data += raw
    return pool, data


def _lpstr(text):
    raw = text.encode("cp1252") + b"\0"
    return struct.pack("<II", 30, len(raw)) + raw + b"\0" * (-len(raw) % 4)


def _i4(value):
    return struct.pack("<Ii", 3, value)


def summary_information(props):
    """A property-set stream with one section of (id, encoded value) pairs."""
    head = 8 + 8 * len(props)
    body, index = b"", b""
    for pid, value in props:
        index += struct.pack("<II", pid, head + len(body))
        body += value
    section = struct.pack("<II", head + len(body), len(props)) + index + body
    return (struct.pack("<HHI", 0xFFFE, 0, 0x00020006) + b"\0" * 16 + struct.pack("<I", 1)
            + FMTID_SUMMARY + struct.pack("<I", 48) + section)


def transform_streams(lang, product):
    platform, base_lang = product["template"].split(";")
    pool, data = string_pool(["ProductLanguage", str(lang)])
    # One Property row, updated: mask bit 1 marks the Value column; the key is
    # always present. Strings are 2-byte ids into the transform's own pool.
    prop_rows = struct.pack("<HHH", 1 << 1, 1, 2)
    code_version = product["code"] + product["version"]
    summary = summary_information([
        (1, struct.pack("<IH2x", 2, 1252)),                         # codepage of these strings
        (2, _lpstr("Transform")),
        (7, _lpstr(f"{platform};{base_lang}")),                     # base package
        (8, _lpstr(f"{platform};{lang}")),                          # transformed package
        (9, _lpstr(f"{code_version};{code_version};{product['upgrade']}")),
        (14, _i4(product["schema"])),
        (16, _i4(0)),                                               # no validation, no suppressed errors
    ])
    return [("\x05SummaryInformation", summary),
            (table_stream_name("_StringPool"), pool),
            (table_stream_name("_StringData"), data),
            (table_stream_name("Property"), prop_rows)]


def _write_streams(storage, streams):
    for name, blob in streams:
        child = gsf.gsf_outfile_new_child(storage, name.encode("utf-8"), 0)
        _check(child and gsf.gsf_output_write(child, len(blob), blob), None, "write " + repr(name))
        gsf.gsf_output_close(child)
        gobject.g_object_unref(child)


def _copy_storage(src, dst):
    clsid = ctypes.create_string_buffer(16)
    if gsf.gsf_infile_msole_get_class_id(src, clsid):
        gsf.gsf_outfile_msole_set_class_id(dst, clsid.raw)
    for i in range(gsf.gsf_infile_num_children(src)):
        name = gsf.gsf_infile_name_by_index(src, i)
        child = gsf.gsf_infile_child_by_index(src, i)
        _check(child, None, "read " + repr(name))
        if gsf.gsf_infile_num_children(child) >= 0:
            sub = gsf.gsf_outfile_new_child(dst, name, 1)
            _copy_storage(child, sub)
            gsf.gsf_output_close(sub)
            gobject.g_object_unref(sub)
        else:
            size = gsf.gsf_input_size(child)
            data = ctypes.string_at(gsf.gsf_input_read(child, size, None), size) if size else b""
            _write_streams(dst, [(name.decode("utf-8"), data)])
        gobject.g_object_unref(child)


def add_storages(path, storages):
    """Rewrites the compound file at path with the given (name, class id,
    streams) sub-storages added; the original is replaced only on success."""
    err = ctypes.POINTER(GError)()
    source = gsf.gsf_input_stdio_new(path.encode(), ctypes.byref(err))
    _check(source, err, "open " + path)
    infile = gsf.gsf_infile_msole_new(source, ctypes.byref(err))
    _check(infile, err, "read " + path)
    names = {gsf.gsf_infile_name_by_index(infile, i).decode("utf-8")
             for i in range(gsf.gsf_infile_num_children(infile))}
    clash = names.intersection(name for name, _, _ in storages)
    if clash:
        raise RuntimeError(f"{path} already holds {sorted(clash)}")
    tmp = path + ".transforms"
    sink = gsf.gsf_output_stdio_new(tmp.encode(), ctypes.byref(err))
    _check(sink, err, "create " + tmp)
    outfile = gsf.gsf_outfile_msole_new(sink)
    _copy_storage(infile, outfile)
    for name, clsid, streams in storages:
        sub = gsf.gsf_outfile_new_child(outfile, name.encode("utf-8"), 1)
        gsf.gsf_outfile_msole_set_class_id(sub, clsid)
        _write_streams(sub, streams)
        gsf.gsf_output_close(sub)
        gobject.g_object_unref(sub)
    _check(gsf.gsf_output_close(outfile), None, "close " + tmp)
    for obj in (outfile, sink, infile, source):
        gobject.g_object_unref(obj)
    os.replace(tmp, path)


# --- the package -------------------------------------------------------------

def _property(db, name):
    err = ctypes.POINTER(GError)()
    query = libmsi.libmsi_query_new(db, f"SELECT `Value` FROM `Property` WHERE `Property` = '{name}'".encode(),
                                    ctypes.byref(err))
    _check(query, err, "query " + name)
    _check(libmsi.libmsi_query_execute(query, None, ctypes.byref(err)), err, "query " + name)
    rec = libmsi.libmsi_query_fetch(query, ctypes.byref(err))
    _check(rec, err, "property " + name)
    value = ctypes.string_at(libmsi.libmsi_record_get_string(rec, 1)).decode()
    gobject.g_object_unref(rec)
    libmsi.libmsi_query_close(query, None)
    gobject.g_object_unref(query)
    return value


def read_product(path):
    err = ctypes.POINTER(GError)()
    db = libmsi.libmsi_database_new(path.encode(), LIBMSI_DB_FLAGS_READONLY, None, ctypes.byref(err))
    _check(db, err, "open " + path)
    si = libmsi.libmsi_summary_info_new(db, 0, ctypes.byref(err))
    _check(si, err, "summary information")
    template = libmsi.libmsi_summary_info_get_string(si, PID_TEMPLATE, None).decode()
    schema = libmsi.libmsi_summary_info_get_int(si, PID_PAGECOUNT, None)
    product = {"code": _property(db, "ProductCode"), "version": _property(db, "ProductVersion"),
               "upgrade": _property(db, "UpgradeCode"), "template": template, "schema": schema}
    gobject.g_object_unref(si)
    gobject.g_object_unref(db)
    return product


def main(argv):
    if len(argv) < 2:
        print(__doc__.strip().splitlines()[-1], file=sys.stderr)
        return 2
    package = argv[1]
    languages = [int(a) for a in argv[2:]] or LANGUAGES
    product = read_product(package)
    add_storages(package, [(str(lang), TRANSFORM_CLSID, transform_streams(lang, product)) for lang in languages])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
