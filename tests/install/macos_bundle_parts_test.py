#!/usr/bin/env python3
"""The macOS bundle's Info.plist and icon, as made by the build on any system: the plist parses
and names the identifier, version, executable, icon and the movie types the app opens; the .icns
holds one PNG per element, each the size its type promises.
Usage: macos_bundle_parts_test.py INFO_PLIST ICNS VERSION"""
import plistlib
import struct
import sys

plist_path, icns_path, version = sys.argv[1:4]
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


with open(plist_path, "rb") as f:
    info = plistlib.load(f)
check(info.get("CFBundleIdentifier") == "org.kestro.Kestro", "bundle identifier")
check(info.get("CFBundleShortVersionString") == version, "short version")
check(info.get("CFBundleVersion") == version, "bundle version")
check(info.get("CFBundleExecutable") == "Kestro", "executable name")
check(info.get("CFBundleIconFile") == "Kestro.icns", "icon file")
check(info.get("CFBundlePackageType") == "APPL", "package type")
types = [t for d in info.get("CFBundleDocumentTypes", []) for t in d.get("LSItemContentTypes", [])]
for uti in ("public.movie", "public.mpeg-4", "com.apple.quicktime-movie"):
    check(uti in types, "document type " + uti)

SIZES = {"ic11": 32, "ic12": 64, "ic07": 128, "ic13": 256, "ic08": 256, "ic14": 512,
         "ic09": 512, "ic10": 1024}
with open(icns_path, "rb") as f:
    data = f.read()
check(data[:4] == b"icns", "icns magic")
check(struct.unpack(">I", data[4:8])[0] == len(data), "icns length")
at, seen = 8, set()
while at + 8 <= len(data):
    kind = data[at:at + 4].decode("latin-1")
    length = struct.unpack(">I", data[at + 4:at + 8])[0]
    png = data[at + 8:at + length]
    check(length > 8 and at + length <= len(data), kind + " length")
    check(png[:8] == b"\x89PNG\r\n\x1a\n", kind + " is a PNG")
    width, height = struct.unpack(">II", png[16:24])
    check(kind in SIZES and width == height == SIZES[kind], "%s is %dx%d" % (kind, width, height))
    seen.add(kind)
    at += max(length, 8)
check(at == len(data), "icns elements fill the file")
check(seen == set(SIZES), "icns elements " + ", ".join(sorted(seen)))

if failures:
    print("macOS bundle parts: " + "; ".join(failures), file=sys.stderr)
    sys.exit(1)
