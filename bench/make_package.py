#!/usr/bin/env python3
"""Stages the sources of the large benchmark package for wixl.

make_package.py --wxs runtime.wxs --image IMAGE_DIR --stage STAGE [--files N] [--mib M]

Writes STAGE/bench.wxs (the runtime's product plus N data files of M MiB each
under INSTALLDIR\\bench, in a few components), copies IMAGE_DIR to STAGE/image
and writes the data files to STAGE/data. The data is random-looking, so the
cabinet cannot shrink it, and the same on every build.
"""
import argparse
import hashlib
import os
import shutil
import uuid
import xml.etree.ElementTree as ET

WIX_NS = "http://schemas.microsoft.com/wix/2006/wi"
FILES_PER_COMPONENT = 5
# Stable component GUIDs: the same files keep the same components.
GUID_NAMESPACE = uuid.UUID("0b6a3f1e-5d2c-4e7a-9c41-7f3e2a9d8b10")


def q(tag):
    return f"{{{WIX_NS}}}{tag}"


def write_data(path, index, size):
    # SHAKE-256 as a deterministic stream: incompressible and fast.
    data = hashlib.shake_256(f"orun-bench-data-{index}".encode()).digest(size)
    if os.path.exists(path) and os.path.getsize(path) == size:
        with open(path, "rb") as f:
            if f.read() == data:
                return
    with open(path + ".tmp", "wb") as f:
        f.write(data)
    os.replace(path + ".tmp", path)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--wxs", required=True)
    ap.add_argument("--image", required=True)
    ap.add_argument("--stage", required=True)
    ap.add_argument("--files", type=int, default=15)
    ap.add_argument("--mib", type=int, default=5)
    args = ap.parse_args()

    os.makedirs(os.path.join(args.stage, "data"), exist_ok=True)
    shutil.copytree(args.image, os.path.join(args.stage, "image"), dirs_exist_ok=True)

    ET.register_namespace("", WIX_NS)
    tree = ET.parse(args.wxs)
    root = tree.getroot()
    install_dir = root.find(f".//{q('Directory')}[@Id='INSTALLDIR']")
    feature = root.find(f".//{q('Feature')}[@Id='Runtime']")
    if install_dir is None or feature is None:
        raise SystemExit("make_package.py: no INSTALLDIR directory or Runtime feature in " + args.wxs)

    bench_dir = ET.SubElement(install_dir, q("Directory"), Id="BenchDir", Name="bench")
    component = None
    for i in range(args.files):
        name = f"data{i + 1:02d}.bin"
        write_data(os.path.join(args.stage, "data", name), i, args.mib << 20)
        if i % FILES_PER_COMPONENT == 0:
            cid = f"BenchData{i // FILES_PER_COMPONENT + 1}"
            guid = str(uuid.uuid5(GUID_NAMESPACE, cid)).upper()
            component = ET.SubElement(bench_dir, q("Component"), Id=cid, Guid="{" + guid + "}", Win64="yes")
            ET.SubElement(feature, q("ComponentRef"), Id=cid)
        attrs = {"Id": f"bench_{name}", "Name": name, "Source": f"data/{name}"}
        if i % FILES_PER_COMPONENT == 0:
            attrs["KeyPath"] = "yes"
        ET.SubElement(component, q("File"), **attrs)

    ET.indent(tree, space="  ")
    tree.write(os.path.join(args.stage, "bench.wxs"), encoding="utf-8", xml_declaration=True)


if __name__ == "__main__":
    main()
