#!/usr/bin/python3
"""Compares copied sheets with their sources part by part and checks that a package is sound.

Usage:
  check_package.py OUT.xlsx [SRC.xlsx SRC_SHEET OUT_SHEET NOT_CARRIED]...
  check_package.py OUT.xlsx --by-name SRC.xlsx [NOT_CARRIED]
  check_package.py --self-test

OUT.xlsx alone: only the soundness checks. Each group of four names a copied sheet: the kinds and
counts of the parts reachable from it (drawings, charts with their style and colour parts, pictures,
comments, VML, threaded comments and persons, tables, pivot tables with their caches, slicers and
slicer caches, controls, embedded objects, external links, worksheet extensions ...) must equal the
source's, except for what NOT_CARRIED (the engine's CopyReport::notCarried, comma-separated, "-" for
none) names. --by-name pairs every sheet of OUT with the sheet of the same name in SRC.

Soundness, what the spreadsheet program would otherwise repair: every part has a content type and
every Override names an existing part; every internal relationship target exists and has the content
type its relationship type needs; no r:id (or VML o:relid) without its relationship; relationship ids
unique per part; sheet names and sheetIds unique; defined names unique per scope with a valid
localSheetId; table ids, names and display names unique and distinct from defined names; pivot cache
ids unique and each pivot table's cacheId bound to its own cache definition; drawing object ids unique
per drawing; comment authors and thread persons exist; slicers name existing slicer caches; a
calculation chain names existing sheets; formulas and defined names name only the external workbooks
(by index), sheets and tables the workbook has; pivot caches are built from sheets, tables or names
the workbook has (or from another workbook through a link); tables as many as tableParts counts and
not overlapping; each thread with its legacy comment; the active tab a sheet; drawings, charts,
comments, tables ... owned by one part. The checks live in package_soundness.py.
Prints every problem; exit status 1 when there is one, 0 when there is none, 2 on a usage error.
"""
import posixpath
import re
import sys
import urllib.parse
import zipfile

from package_model import EXPECTED_TYPE, EXTERNAL_INDEX, NS_MAIN, SHEET_KINDS, SINGLE_OWNER, Package, local
from package_soundness import validate


def inventory(pkg, sheet_part):
    """{kind: [(part or URL, path of kinds from the sheet)]} for everything a sheet reaches, with the
    derived kinds: anchors of its drawings, comments, VML shapes, slicer caches its slicers name,
    persons of its threads, external links of its formulas, and its worksheet extensions (ext:<name>)."""
    found, seen, todo = {}, {sheet_part}, [(sheet_part, ())]
    while todo:
        part, path = todo.pop()
        for rid, kind, target, external in pkg.rels(part):
            key = target if external else pkg.find(target) or target
            if kind in SHEET_KINDS or (not external and key in seen):
                continue
            found.setdefault(kind + (" (external)" if external else ""), []).append((key, path + (kind,)))
            if not external:
                seen.add(key)
                todo.append((key, path + (kind,)))
    # What the parts hold, so that a copied part that lost some of its content is noticed too.
    for drawing, path in found.get("drawing", []):
        root = pkg.xml(drawing)
        anchors = [a for a in (root if root is not None else []) if local(a.tag).endswith("Anchor")]
        found.setdefault("drawing anchor", []).extend((drawing, path + ("drawing anchor",)) for _ in anchors)
    for comments, path in found.get("comments", []):
        root = pkg.xml(comments)
        items = list(root.iter(f"{{{NS_MAIN}}}comment")) if root is not None else []
        found.setdefault("comment", []).extend((comments, path + ("comment",)) for _ in items)
    for vml, path in found.get("vmlDrawing", []):
        shapes = re.findall(rb"<v:shape[\s>]", pkg.read(vml))
        found.setdefault("VML shape", []).extend((vml, path + ("VML shape",)) for _ in shapes)
    for slicer, path in found.get("slicer", []):
        root = pkg.xml(slicer)
        for s in (root if root is not None else []):
            found.setdefault("slicerCache", []).append((s.get("cache"), path + ("slicerCache",)))
    for thread, path in found.get("threadedComment", []):
        root = pkg.xml(thread)
        people = sorted({tc.get("personId") for tc in (root if root is not None else [])})
        found.setdefault("person", []).extend((p, path + ("person",)) for p in people)
    sheet = pkg.xml(sheet_part)
    if sheet is not None:
        links = set()
        for f in sheet.iter(f"{{{NS_MAIN}}}f"):
            links |= set(EXTERNAL_INDEX.findall(f.text or ""))
        books = [t for _, kind, t, _ in pkg.rels(pkg.workbook_part()) if kind == "externalLink"]
        for n in sorted(links):
            if n.isdigit() and 0 < int(n) <= len(books):
                found.setdefault("externalLink", []).append((books[int(n) - 1], ("externalLink",)))
        for ext in sheet.iter(f"{{{NS_MAIN}}}ext"):
            first = next(iter(ext), None)
            name = "ext:" + (local(first.tag) if first is not None else ext.get("uri", ""))
            found.setdefault(name, []).append((ext.get("uri"), (name,)))
    return found


def link_target(pkg, link_part):
    """The file name of the workbook an external link part points to ("" if none)."""
    for _, kind, target, external in pkg.rels(link_part):
        if external and kind == "externalLinkPath":
            return posixpath.basename(urllib.parse.unquote(target.replace("\\", "/")))
    return ""


# Relationship kinds a sheet's parts can have: a report naming one of them names parts of the sheet.
PART_KINDS = set(EXPECTED_TYPE) | SINGLE_OWNER | {"oleObject", "package", "control", "customProperty",
                                                  "printerSettings", "hyperlink"}


def compare(src, src_sheet, out, out_sheet, not_carried, problems):
    where = f"{src.path}[{src_sheet}] -> {out.path}[{out_sheet}]"
    parts = []
    for pkg, name in ((src, src_sheet), (out, out_sheet)):
        match = [s for s in pkg.sheets() if s[0] == name]
        if not match or not match[0][2] or not pkg.find(match[0][2]):
            problems.append(f"{where}: no sheet {name!r} in {pkg.path}")
            return
        parts.append(pkg.find(match[0][2]))
    a, b = inventory(src, parts[0]), inventory(out, parts[1])
    # A copy may refer to sheets and tables left behind through a link to its source workbook, as the
    # program does: such a link is no part the source had.
    own = posixpath.basename(src.path).casefold()
    b["externalLink"] = [(link, path) for link, path in b.get("externalLink", [])
                         if link_target(out, link).casefold() != own]
    # So may a pivot cache whose data stays behind (its source is then a path to the source workbook).
    # And so may a hyperlink to another sheet of the source: it opens that sheet in the source file.
    for kind in ("externalLinkPath (external)", "hyperlink (external)"):
        b[kind] = [(url, path) for url, path in b.get(kind, [])
                   if posixpath.basename(urllib.parse.unquote(url.replace("\\", "/"))).casefold() != own]
    for kind in sorted(set(a) | set(b)):
        total = len(a.get(kind, []))
        kept = sum(1 for _, path in a.get(kind, []) if not any(k in not_carried for k in path))
        have = len(b.get(kind, []))
        if not kept <= have <= total:
            why = f" ({total - kept} reported as not carried)" if kept != total else ""
            problems.append(f"{where}: {kind}: source has {total}{why}, copy has {have}")
    # What the engine reports as left out must be something the source sheet has.
    reached = {k for found in a.values() for _, path in found for k in path}
    for item in sorted(not_carried):
        if (item.startswith("ext:") or item in PART_KINDS) and item not in reached:
            problems.append(f"{where}: {item} reported as not carried, but the source sheet has none")


def main(argv):
    try:
        return run(argv[1:])
    except (OSError, zipfile.BadZipFile) as e:
        print(f"cannot read a package: {e}")
        return 1


def run(args):
    if args == ["--self-test"]:
        import check_package_selftest
        return check_package_selftest.run(sys.modules[__name__])
    if not args:
        print(__doc__, file=sys.stderr)
        return 2
    problems = []
    out = Package(args[0], problems)
    validate(out)
    groups = []
    if len(args) >= 3 and args[1] == "--by-name":
        src = Package(args[2], problems)
        src_names = {s[0] for s in src.sheets()}
        nc = args[3] if len(args) > 3 else "-"
        groups = [(src, s[0], s[0], nc) for s in out.sheets() if s[0] in src_names]
        if not groups:
            problems.append(f"{args[0]}: no sheet named as a sheet of {args[2]}")
    elif (len(args) - 1) % 4 == 0:
        books = {}
        for i in range(1, len(args), 4):
            path, src_sheet, out_sheet, nc = args[i:i + 4]
            if path not in books:
                books[path] = Package(path, problems)
            groups.append((books[path], src_sheet, out_sheet, nc))
    else:
        print(__doc__, file=sys.stderr)
        return 2
    for src, src_sheet, out_sheet, nc in groups:
        not_carried = {x for x in nc.split(",") if x and x != "-"}
        compare(src, src_sheet, out, out_sheet, not_carried, problems)
    for line in problems[:200]:
        print(line)
    if len(problems) > 200:
        print(f"... {len(problems) - 200} more")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
