#!/usr/bin/env python3
"""Markup compatibility as a user sees it: small one-page jobs printed by brimloft-print, each
showing only what a conforming consumer shows. Every page is 200 x 100 units; what a consumer must
hide would put ink in the left half, what it must show fills part of the right half, so the
preview is black on the right and white on the left, or the job fails with the words expected.

usage: markup_compat_test.py BRIMLOFT_PRINT BRIMLOFT_XPSPACK
"""
import os
import re
import subprocess
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "printerapp"))
from compare_paper import read_png  # noqa: E402

MC = "http://schemas.openxmlformats.org/markup-compatibility/2006"
LEFT = 'Data="M 10,10 L 90,10 90,90 10,90 Z"'
RIGHT = 'Data="M 110,10 L 190,10 190,90 110,90 Z"'
BLACK = 'Fill="#FF000000"'

# name, root attributes, page body, remote dictionary (or None), expected: "right" or the message.
CASES = [
    ("ignorable element dropped", 'mc:Ignorable="v2"',
     f'<v2:Path {LEFT} {BLACK}/><Path {RIGHT} {BLACK}/>', None, "right"),
    # The renderer passes over prefixed attributes by itself; what this shows is that the others
    # of the element stay (the markup each rule leaves: tests/platform/xpsom_markup_compat_test.cpp).
    ("ignorable attribute dropped", 'mc:Ignorable="v2"',
     f'<Path {LEFT} v2:Fill="#FF000000"/><Path v2:Fill="#FFFFFFFF" {RIGHT} v2:Opacity="0" {BLACK}/>', None,
     "right"),
    # The ignored wrapper's transform would move its content left; only its content stays.
    ("process content keeps the children", 'mc:Ignorable="v2" mc:ProcessContent="v2:Canvas"',
     f'<v2:Canvas RenderTransform="1,0,0,1,-100,0"><Path {RIGHT} {BLACK}/></v2:Canvas>'
     f'<v2:Group><Path {LEFT} {BLACK}/></v2:Group>', None, "right"),
    # The first Choice needs an unknown namespace; the second an understood one under a prefix
    # of its own choosing.
    ("alternate content takes the first understood choice", "",
     f'<mc:AlternateContent xmlns:o="http://schemas.openxps.org/oxps/v1.0">'
     f'<mc:Choice Requires="v2"><Path {LEFT} {BLACK}/></mc:Choice>'
     f'<mc:Choice Requires="o"><Path {RIGHT} {BLACK}/></mc:Choice>'
     f'<mc:Fallback><Path {LEFT} {BLACK}/></mc:Fallback></mc:AlternateContent>', None, "right"),
    # A prefix that only looks like XPS: what counts is the namespace it is bound to.
    ("alternate content falls back", "",
     f'<mc:AlternateContent xmlns:xps="http://example.com/brimloft/v3">'
     f'<mc:Choice Requires="xps"><Path {LEFT} {BLACK}/></mc:Choice>'
     f'<mc:Fallback><Path {RIGHT} {BLACK}/></mc:Fallback></mc:AlternateContent>', None, "right"),
    # The same in a remote dictionary: the brushes the page uses come from its Fallback.
    ("remote dictionary alternate content", "",
     '<FixedPage.Resources><ResourceDictionary Source="/Resources/brushes.dict"/></FixedPage.Resources>'
     f'<Path {LEFT} Fill="{{StaticResource Left}}"/><Path {RIGHT} Fill="{{StaticResource Right}}"/>',
     '<mc:AlternateContent><mc:Choice Requires="v2">'
     '<SolidColorBrush x:Key="Left" Color="#FF000000"/><SolidColorBrush x:Key="Right" Color="#FFFFFFFF"/>'
     '</mc:Choice><mc:Fallback>'
     '<SolidColorBrush x:Key="Left" Color="#FFFFFFFF"/><SolidColorBrush x:Key="Right" Color="#FF000000"/>'
     '</mc:Fallback></mc:AlternateContent>', "right"),
    ("must understand an unknown namespace", 'mc:MustUnderstand="v2"',
     f'<Path {RIGHT} {BLACK}/>', None,
     r"failed on page 1 of 1 \(/Documents/1/Pages/1\.fpage of .*\): .*XPS_E_INVALID_MARKUP \(0x8052000C\)"
     r": mc:MustUnderstand=\"v2\" requires the namespace http://example\.com/brimloft/v2, which is not understood"),
]

PACKAGE = {
    "[Content_Types].xml":
        '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
        '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
        '<Default Extension="fdseq" ContentType="application/vnd.ms-package.xps-fixeddocumentsequence+xml"/>'
        '<Default Extension="fdoc" ContentType="application/vnd.ms-package.xps-fixeddocument+xml"/>'
        '<Default Extension="fpage" ContentType="application/vnd.ms-package.xps-fixedpage+xml"/>'
        '<Default Extension="dict" ContentType="application/vnd.ms-package.xps-resourcedictionary+xml"/></Types>',
    "_rels/.rels":
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="R0" Type="http://schemas.microsoft.com/xps/2005/06/fixedrepresentation"'
        ' Target="/FixedDocumentSequence.fdseq"/></Relationships>',
    "FixedDocumentSequence.fdseq":
        '<FixedDocumentSequence xmlns="http://schemas.microsoft.com/xps/2005/06">'
        '<DocumentReference Source="/Documents/1/FixedDocument.fdoc"/></FixedDocumentSequence>',
    "Documents/1/FixedDocument.fdoc":
        '<FixedDocument xmlns="http://schemas.microsoft.com/xps/2005/06">'
        '<PageContent Source="Pages/1.fpage"/></FixedDocument>',
}
NAMESPACES = (f'xmlns="http://schemas.microsoft.com/xps/2005/06" xmlns:mc="{MC}" '
              'xmlns:x="http://schemas.microsoft.com/xps/2005/06/resourcedictionary-key" '
              'xmlns:v2="http://example.com/brimloft/v2"')


def write_job(folder, root_attributes, body, dictionary):
    parts = dict(PACKAGE)
    parts["Documents/1/Pages/1.fpage"] = (
        f'<FixedPage {NAMESPACES} {root_attributes} Width="200" Height="100">{body}</FixedPage>')
    if dictionary is not None:
        parts["Resources/brushes.dict"] = f'<ResourceDictionary {NAMESPACES}>{dictionary}</ResourceDictionary>'
        parts["Documents/1/Pages/_rels/1.fpage.rels"] = (
            '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            '<Relationship Id="R0" Type="http://schemas.microsoft.com/xps/2005/06/required-resource"'
            ' Target="/Resources/brushes.dict"/></Relationships>')
    for name, text in parts.items():
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "w", encoding="utf-8") as part:
            part.write(text)


def ink_only_on_the_right(png):
    """None when the left half is white and the right half has ink; what is wrong otherwise."""
    width, _, dark = read_png(png)
    left = sum(1 for x, _ in dark if x < width * 0.48)
    right = sum(1 for x, _ in dark if x > width * 0.52)
    if left or not right:
        return f"{left} black dots on the left (want 0), {right} on the right (want some)"
    return None


def run_case(scratch, index, case, printer, xpspack):
    name, root_attributes, body, dictionary, expected = case
    folder = os.path.join(scratch, f"job{index}")
    job, output, preview = folder + ".xps", folder + ".prn", folder + ".png"
    write_job(folder, root_attributes, body, dictionary)
    subprocess.run([xpspack, folder, job], check=True, capture_output=True)
    result = subprocess.run([printer, "--output", output, "--preview", preview, job],
                            capture_output=True, text=True)
    if expected != "right":
        if result.returncode == 1 and re.search(expected, result.stderr):
            return None
        return f"exit {result.returncode} (want 1), message: {result.stderr.strip()}"
    if result.returncode != 0:
        return f"exit {result.returncode}: {result.stderr.strip()}"
    return ink_only_on_the_right(preview)


def remove_tree(path):
    """shutil and tempfile are not in the minimal Python the machines have."""
    for root, folders, files in os.walk(path, topdown=False):
        for name in files:
            os.remove(os.path.join(root, name))
        for name in folders:
            os.rmdir(os.path.join(root, name))
    os.rmdir(path)


def main():
    printer, xpspack = sys.argv[1], sys.argv[2]
    failed = 0
    scratch = os.path.join(os.environ.get("TMPDIR", "/tmp"), f"brimloft-markup-compat-{os.getpid()}")
    os.makedirs(scratch)
    try:
        for index, case in enumerate(CASES):
            problem = run_case(scratch, index, case, printer, xpspack)
            if problem:
                failed += 1
                print(f"FAIL {case[0]}: {problem}")
    finally:
        remove_tree(scratch)
    print("all passed" if not failed else f"{failed} of {len(CASES)} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
