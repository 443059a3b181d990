"""Soundness of a workbook package: what the spreadsheet program would otherwise repair (see
check_package.py for the list). Every problem is added to the package's problem list."""
import re

from package_model import (EXPECTED_TYPE, EXTERNAL_INDEX, NS_MAIN, NS_R, QUOTED_NAME, SHEET_KINDS,
                           SHEET_REFERENCE, SINGLE_OWNER, STRING_LITERAL, TABLE_REFERENCE, duplicates, local,
                           parts_of_type)


def check_content_types(pkg):
    for n in pkg.names:
        if n != "[Content_Types].xml" and not pkg.content_type(n):
            pkg.problem(f"{n}: no content type (neither Override nor Default)")
    for name in pkg.overrides:
        if not pkg.find(name):
            pkg.problem(f"[Content_Types].xml: Override for the missing part /{name}")


def check_relationships(pkg):
    """Targets exist with a fitting content type, ids are unique, every r:id is declared, and the
    parts that belong to one owner have one."""
    owners = {}
    sources = [""] + [n for n in pkg.names if not n.endswith(".rels")]
    for part in sources:
        rels = pkg.rels(part)
        ids = [r[0] for r in rels]
        for dup in sorted({i for i in ids if ids.count(i) > 1}):
            pkg.problem(f"{part or '/'}: relationship id {dup} used twice")
        for rid, kind, target, external in rels:
            if external:
                continue
            if not pkg.find(target):
                pkg.problem(f"{part or '/'}: relationship {rid} ({kind}) targets the missing part {target}")
                continue
            want = EXPECTED_TYPE.get(kind)
            have = pkg.content_type(target) or ""
            if want and not (have.startswith(want) if want.endswith("/") else have.lower().endswith(want.lower())):
                pkg.problem(f"{target}: content type {have!r} does not fit relationship type {kind}")
            if kind in SINGLE_OWNER:
                owners.setdefault(pkg.find(target), set()).add(part)
        declared = set(ids)
        for rid in referenced_ids(pkg, part):
            if rid not in declared:
                pkg.problem(f"{part}: r:id {rid} has no relationship")
    for target, who in sorted(owners.items()):
        if len(who) > 1:
            pkg.problem(f"{target}: owned by more than one part ({', '.join(sorted(who))})")


def referenced_ids(pkg, part):
    if not part or not part.endswith((".xml", ".vml")):
        return set()
    root = pkg.xml(part)
    if root is None:  # legacy VML is often not well-formed: find its references by pattern
        if part.endswith(".xml") and not re.search(rb"vml", pkg.read(part)[:400]):
            pkg.problem(f"{part}: not well-formed XML")
        raw = pkg.read(part).decode("utf-8", "replace")
        return set(re.findall(r'\b(?:o:relid|r:id|r:pict)="([^"]*)"', raw))
    out = set()
    for e in root.iter():
        for k, v in e.attrib.items():
            if k.startswith(f"{{{NS_R}}}") or k == "{urn:schemas-microsoft-com:office:office}relid":
                out.add(v)
    return out


def check_workbook(pkg):
    wb = pkg.workbook_part()
    root = pkg.xml(wb)
    if root is None:
        pkg.problem(f"{wb}: missing or not well-formed")
        return
    sheets = pkg.sheets()
    for d in duplicates([s[0].casefold() for s in sheets]):
        pkg.problem(f"{wb}: sheet name {d!r} used twice")
    for d in duplicates([s[1] for s in sheets]):
        pkg.problem(f"{wb}: sheetId {d} used twice")
    for d in duplicates([pkg.find(s[2]) for s in sheets if s[2] and pkg.find(s[2])]):
        pkg.problem(f"{wb}: two sheets share the part {d}")
    for name, _, part, kind, _ in sheets:
        if kind not in SHEET_KINDS:
            pkg.problem(f"{wb}: sheet {name!r} has no sheet relationship")
    if sheets and all(s[4] != "visible" for s in sheets):
        pkg.problem(f"{wb}: no visible sheet")
    for view in root.iter(f"{{{NS_MAIN}}}workbookView"):
        for attr in ("activeTab", "firstSheet"):
            if int(view.get(attr, "0")) >= max(len(sheets), 1):
                pkg.problem(f"{wb}: {attr} {view.get(attr)} of {len(sheets)} sheets")
    for _, _, part, kind, _ in sheets:
        if kind == "worksheet" and part and pkg.find(part):
            check_sheet_parts(pkg, pkg.find(part))
    names = []
    for dn in root.iter(f"{{{NS_MAIN}}}definedName"):
        scope = dn.get("localSheetId")
        if scope is not None and not (scope.isdigit() and int(scope) < len(sheets)):
            pkg.problem(f"{wb}: defined name {dn.get('name')!r} has localSheetId {scope} of {len(sheets)} sheets")
        names.append((dn.get("name", "").casefold(), scope))
    for d in duplicates(names):
        pkg.problem(f"{wb}: defined name {d[0]!r} defined twice in scope {d[1]}")
    caches = {}
    rels = {rid: target for rid, _, target, _ in pkg.rels(wb)}
    for pc in root.iter(f"{{{NS_MAIN}}}pivotCache"):
        cid = pc.get("cacheId")
        if cid in caches:
            pkg.problem(f"{wb}: pivot cacheId {cid} used twice")
        caches[cid] = rels.get(pc.get(f"{{{NS_R}}}id"))
    check_formula_references(pkg, sheets, root)
    check_tables(pkg, {n for n, _ in names})
    check_pivots(pkg, caches)
    tables = set()
    for part in parts_of_type(pkg, "spreadsheetml.table+xml"):
        t = pkg.xml(part)
        if t is not None:
            tables |= {t.get("name", "").casefold(), t.get("displayName", "").casefold()}
    check_pivot_sources(pkg, {s[0].casefold() for s in sheets}, {n for n, _ in names} | tables)
    check_calc_chain(pkg, {s[1] for s in sheets})


# Elements of a worksheet that hold formulas: cells, validations, conditional formats, and their
# extension forms (xm:f in x14 validations, conditional formats and sparklines).
FORMULA_TAGS = {f"{{{NS_MAIN}}}f", f"{{{NS_MAIN}}}formula1", f"{{{NS_MAIN}}}formula2", f"{{{NS_MAIN}}}formula",
                "{http://schemas.microsoft.com/office/excel/2006/main}f"}


def formula_texts(pkg, sheets, workbook):
    """(part, formula) of every defined name and every formula of the worksheets."""
    texts = [(pkg.workbook_part(), dn.text) for dn in workbook.iter(f"{{{NS_MAIN}}}definedName")]
    for _, _, part, kind, _ in sheets:
        root = pkg.xml(part) if kind == "worksheet" and part and pkg.find(part) else None
        texts += [(part, e.text) for e in (root.iter() if root is not None else []) if e.tag in FORMULA_TAGS]
    return [(part, text) for part, text in texts if text]


def check_formula_references(pkg, sheets, workbook):
    """Formulas and defined names may name only the external workbooks (by index), sheets and tables
    the workbook has: the program cannot read a formula naming anything else and removes it."""
    count = len(list(workbook.iter(f"{{{NS_MAIN}}}externalReference")))
    sheet_names = {s[0].casefold() for s in sheets}
    tables = set()
    for part in parts_of_type(pkg, "spreadsheetml.table+xml"):
        t = pkg.xml(part)
        if t is not None:
            tables |= {t.get("name", "").casefold(), t.get("displayName", "").casefold()}
    bad = {}
    for part, text in formula_texts(pkg, sheets, workbook):
        for n in EXTERNAL_INDEX.findall(text):
            if not 0 < int(n) <= count:
                bad.setdefault((part, f"external workbook [{n}]"), text)
        plain = STRING_LITERAL.sub('""', text)
        for m in SHEET_REFERENCE.finditer(plain):
            before = plain[m.start() - 1] if m.start() else ""
            quoted = m.group(1)
            if (before and before in "]#") or (quoted or "").startswith("["):
                continue  # another workbook's sheet, or an error value such as #REF!
            for name in (quoted.replace("''", "'") if quoted else m.group(2)).split(":"):
                if name.casefold() not in sheet_names:
                    bad.setdefault((part, f"sheet {name!r}"), text)
        plain = QUOTED_NAME.sub("''", plain)
        for m in TABLE_REFERENCE.finditer(plain):
            if m.start() and re.match(r"[\w.\]!]", plain[m.start() - 1]):
                continue
            if m.group(1).casefold() not in tables:
                bad.setdefault((part, f"table {m.group(1)!r}"), text)
    for (part, what), text in sorted(bad.items()):
        pkg.problem(f"{part}: formula {text!r} names the missing {what}")


def check_tables(pkg, defined):
    ids, names = [], []
    for part in parts_of_type(pkg, "spreadsheetml.table+xml"):
        t = pkg.xml(part)
        if t is None:
            pkg.problem(f"{part}: not well-formed XML")
            continue
        ids.append(t.get("id"))
        names += [t.get("name", "").casefold(), t.get("displayName", "").casefold()]
        if t.get("displayName", "").casefold() in defined or t.get("name", "").casefold() in defined:
            pkg.problem(f"{part}: table name {t.get('displayName')!r} is also a defined name")
    for d in duplicates(ids):
        pkg.problem(f"table id {d} used by more than one table")
    # name and displayName of one table are normally equal: count each table once
    per_table = [n for i, n in enumerate(names) if i % 2 == 0 or n != names[i - 1]]
    for d in duplicates(per_table):
        pkg.problem(f"table name {d!r} used by more than one table")


def check_pivots(pkg, caches):
    for part in parts_of_type(pkg, "spreadsheetml.pivotTable+xml"):
        p = pkg.xml(part)
        if p is None:
            pkg.problem(f"{part}: not well-formed XML")
            continue
        cid = p.get("cacheId")
        if cid not in caches:
            pkg.problem(f"{part}: cacheId {cid} is not a pivot cache of the workbook")
            continue
        mine = [t for _, kind, t, _ in pkg.rels(part) if kind == "pivotCacheDefinition"]
        if mine and caches[cid] and pkg.find(mine[0]) != pkg.find(caches[cid]):
            pkg.problem(f"{part}: cacheId {cid} is bound to {caches[cid]}, the pivot table relates to {mine[0]}")


def check_pivot_sources(pkg, sheet_names, defined):
    """A pivot cache built from this workbook's cells names a sheet, table or name the workbook has;
    one built from another workbook says so by a relationship. Otherwise the pivot table cannot be
    refreshed, and a reader that rebuilds it (LibreOffice) shows nothing of it."""
    for part in parts_of_type(pkg, "pivotCacheDefinition+xml"):
        root = pkg.xml(part)
        for ws in (root.iter(f"{{{NS_MAIN}}}worksheetSource") if root is not None else []):
            if ws.get(f"{{{NS_R}}}id"):
                continue
            if ws.get("sheet") is not None and ws.get("sheet").casefold() not in sheet_names:
                pkg.problem(f"{part}: the pivot cache's source names the sheet {ws.get('sheet')!r}, "
                            "which the workbook lacks")
            if ws.get("name") is not None and ws.get("name").casefold() not in defined:
                pkg.problem(f"{part}: the pivot cache's source names {ws.get('name')!r}, which is neither a "
                            "table nor a defined name of the workbook")


def check_calc_chain(pkg, sheet_ids):
    for part in parts_of_type(pkg, "spreadsheetml.calcChain+xml"):
        root = pkg.xml(part)
        current = None
        for c in (root if root is not None else []):
            current = c.get("i", current)
            if current is not None and current not in sheet_ids:
                pkg.problem(f"{part}: entry {c.get('r')} names sheetId {current}, which does not exist")
                break


def cell_box(ref):
    """(first column, first row, last column, last row) of "A1:C3" or "B2"."""
    out = []
    for cell in ref.replace("$", "").split(":"):
        m = re.match(r"([A-Z]+)(\d+)$", cell.upper())
        if not m:
            return None
        col = 0
        for ch in m.group(1):
            col = col * 26 + ord(ch) - 64
        out.append((col, int(m.group(2))))
    return (out[0][0], out[0][1], out[-1][0], out[-1][1])


def check_sheet_parts(pkg, part):
    """A sheet's tables: as many as its tableParts count and none overlapping; each threaded comment
    with the legacy comment that stands for it in the same cell."""
    root = pkg.xml(part)
    if root is None:
        pkg.problem(f"{part}: not well-formed XML")
        return
    for tp in root.iter(f"{{{NS_MAIN}}}tableParts"):
        if tp.get("count") is not None and int(tp.get("count")) != len(list(tp)):
            pkg.problem(f"{part}: tableParts count {tp.get('count')} for {len(list(tp))} tables")
    related = {}
    for _, kind, target, external in pkg.rels(part):
        if not external and pkg.find(target):
            related.setdefault(kind, []).append(pkg.find(target))
    boxes = []
    for t in related.get("table", []):
        x = pkg.xml(t)
        box = cell_box(x.get("ref", "")) if x is not None else None
        if box:
            for other, obox in boxes:
                if box[0] <= obox[2] and obox[0] <= box[2] and box[1] <= obox[3] and obox[1] <= box[3]:
                    pkg.problem(f"{part}: tables {other} and {t} overlap")
            boxes.append((t, box))
    legacy = set()
    for c in related.get("comments", []):
        x = pkg.xml(c)
        legacy |= {e.get("ref") for e in (x.iter(f"{{{NS_MAIN}}}comment") if x is not None else [])}
    for t in related.get("threadedComment", []):
        x = pkg.xml(t)
        for tc in (x if x is not None else []):
            if not tc.get("parentId") and tc.get("ref") not in legacy:
                pkg.problem(f"{part}: threaded comment in {tc.get('ref')} without its legacy comment")


def check_drawings_comments(pkg):
    for part in parts_of_type(pkg, "drawing+xml"):
        root = pkg.xml(part)
        if root is None:
            pkg.problem(f"{part}: not well-formed XML")
            continue
        ids = [e.get("id") for e in root.iter() if local(e.tag) == "cNvPr"]
        for d in duplicates(ids):
            pkg.problem(f"{part}: drawing object id {d} used twice")
    person_ids = []
    for part in parts_of_type(pkg, "person+xml"):
        root = pkg.xml(part)
        person_ids += [p.get("id") for p in (root if root is not None else [])]
    for d in duplicates(person_ids):
        pkg.problem(f"person id {d} used twice")
    persons = set(person_ids)
    thread_ids = []
    for part in parts_of_type(pkg, "threadedcomments+xml"):
        root = pkg.xml(part)
        if root is None:
            pkg.problem(f"{part}: not well-formed XML")
            continue
        mine = {tc.get("id") for tc in root}
        thread_ids += [tc.get("id") for tc in root]
        for tc in root:
            if tc.get("personId") not in persons:
                pkg.problem(f"{part}: threaded comment {tc.get('id')} names the unknown person {tc.get('personId')}")
            if tc.get("parentId") and tc.get("parentId") not in mine:
                pkg.problem(f"{part}: reply {tc.get('id')} to the unknown comment {tc.get('parentId')}")
    for d in duplicates(thread_ids):
        pkg.problem(f"threaded comment id {d} used twice")
    for part in parts_of_type(pkg, "spreadsheetml.comments+xml"):
        root = pkg.xml(part)
        if root is None:
            pkg.problem(f"{part}: not well-formed XML")
            continue
        authors = [a.text or "" for a in root.iter(f"{{{NS_MAIN}}}author")]
        for c in root.iter(f"{{{NS_MAIN}}}comment"):
            aid = c.get("authorId", "0")
            if not aid.isdigit() or int(aid) >= len(authors):
                pkg.problem(f"{part}: comment {c.get('ref')} has authorId {aid} of {len(authors)} authors")
            elif authors[int(aid)].startswith("tc=") and authors[int(aid)][3:] not in thread_ids:
                pkg.problem(f"{part}: comment {c.get('ref')} stands for the missing thread {authors[int(aid)][3:]}")
    caches = set()
    for part in parts_of_type(pkg, "slicerCache+xml"):
        root = pkg.xml(part)
        caches.add(root.get("name") if root is not None else None)
    slicer_names = []
    for part in parts_of_type(pkg, "slicer+xml"):
        root = pkg.xml(part)
        for s in (root if root is not None else []):
            slicer_names.append(s.get("name"))
            if s.get("cache") not in caches:
                pkg.problem(f"{part}: slicer {s.get('name')!r} names the missing slicer cache {s.get('cache')!r}")
    for d in duplicates(slicer_names):
        pkg.problem(f"slicer name {d!r} used twice")


def validate(pkg):
    check_content_types(pkg)
    check_relationships(pkg)
    check_workbook(pkg)
    check_drawings_comments(pkg)
