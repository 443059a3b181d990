"""The package checker's own test (check_package.py --self-test): a small sound package with one part
of each kind must pass, and each broken variant, one fault at a time, must fail with its problem;
a copy that lost a part fails unless the part is reported as not carried."""
import os
import tempfile
import zipfile

M = 'xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"'
R = 'xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"'
RT = "http://schemas.openxmlformats.org/officeDocument/2006/relationships/"
CT = "application/vnd.openxmlformats-officedocument."


def rels(*items):
    external = ' TargetMode="External"'
    body = "".join(f'<Relationship Id="{i}" Type="{t if "/" in t else RT + t}" Target="{g}"'
                   f'{external if g.startswith("http") else ""}/>' for i, t, g in items)
    return ('<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
            f"{body}</Relationships>")


def sound():
    overrides = {
        "/xl/workbook.xml": CT + "spreadsheetml.sheet.main+xml",
        "/xl/worksheets/sheet1.xml": CT + "spreadsheetml.worksheet+xml",
        "/xl/worksheets/sheet2.xml": CT + "spreadsheetml.worksheet+xml",
        "/xl/drawings/drawing1.xml": CT + "drawing+xml",
        "/xl/charts/chart1.xml": CT + "drawingml.chart+xml",
        "/xl/comments1.xml": CT + "spreadsheetml.comments+xml",
        "/xl/tables/table1.xml": CT + "spreadsheetml.table+xml",
        "/xl/pivotTables/pivotTable1.xml": CT + "spreadsheetml.pivotTable+xml",
        "/xl/pivotCache/pivotCacheDefinition1.xml": CT + "spreadsheetml.pivotCacheDefinition+xml",
        "/xl/threadedComments/threadedComment1.xml": "application/vnd.ms-excel.threadedcomments+xml",
        "/xl/persons/person.xml": "application/vnd.ms-excel.person+xml",
        "/xl/externalLinks/externalLink1.xml": CT + "spreadsheetml.externalLink+xml",
        "/xl/calcChain.xml": CT + "spreadsheetml.calcChain+xml",
    }
    ct = ('<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
          f'<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
          f'<Default Extension="xml" ContentType="application/xml"/><Default Extension="png" ContentType="image/png"/>'
          f'<Default Extension="vml" ContentType="{CT}vmlDrawing"/>'
          + "".join(f'<Override PartName="{p}" ContentType="{t}"/>' for p, t in overrides.items()) + "</Types>")
    tc = "{11111111-1111-1111-1111-111111111111}"
    return {
        "[Content_Types].xml": ct,
        "_rels/.rels": rels(("rId1", "officeDocument", "xl/workbook.xml")),
        "xl/workbook.xml": f'<workbook {M} {R}><sheets><sheet name="Data" sheetId="1" r:id="rId1"/>'
                           '<sheet name="Pivot" sheetId="2" r:id="rId2"/></sheets><externalReferences>'
                           '<externalReference r:id="rId5"/></externalReferences><definedNames>'
                           '<definedName name="Total">Data!$B$2</definedName></definedNames>'
                           '<pivotCaches><pivotCache cacheId="7" r:id="rId3"/></pivotCaches></workbook>',
        "xl/_rels/workbook.xml.rels": rels(
            ("rId1", "worksheet", "worksheets/sheet1.xml"), ("rId2", "worksheet", "worksheets/sheet2.xml"),
            ("rId3", "pivotCacheDefinition", "pivotCache/pivotCacheDefinition1.xml"),
            ("rId4", "http://schemas.microsoft.com/office/2017/10/relationships/person", "persons/person.xml"),
            ("rId5", "externalLink", "externalLinks/externalLink1.xml"), ("rId6", "calcChain", "calcChain.xml")),
        "xl/worksheets/sheet1.xml": f'<worksheet {M} {R}><sheetData><row r="1"><c r="A1"><f>[1]Other!A1</f>'
                                    '<v>1</v></c></row><row r="2"><c r="B2"><f>A1*2</f><v>2</v></c></row></sheetData>'
                                    '<drawing r:id="rId1"/><legacyDrawing r:id="rId2"/>'
                                    '<tableParts count="1"><tablePart r:id="rId4"/></tableParts></worksheet>',
        "xl/worksheets/_rels/sheet1.xml.rels": rels(
            ("rId1", "drawing", "../drawings/drawing1.xml"), ("rId2", "vmlDrawing", "../drawings/vmlDrawing1.vml"),
            ("rId3", "comments", "../comments1.xml"), ("rId4", "table", "../tables/table1.xml"),
            ("rId5", "http://schemas.microsoft.com/office/2017/10/relationships/threadedComment",
             "../threadedComments/threadedComment1.xml"), ("rId6", "hyperlink", "http://example.com/")),
        "xl/worksheets/sheet2.xml": f'<worksheet {M} {R}><sheetData/></worksheet>',
        "xl/worksheets/_rels/sheet2.xml.rels": rels(("rId1", "pivotTable", "../pivotTables/pivotTable1.xml")),
        "xl/drawings/drawing1.xml": '<xdr:wsDr xmlns:xdr="http://schemas.openxmlformats.org/drawingml/2006/'
                                    'spreadsheetDrawing" xmlns:a="http://schemas.openxmlformats.org/drawingml/2006/main"'
                                    f' {R}><xdr:twoCellAnchor><xdr:pic><xdr:nvPicPr><xdr:cNvPr id="2" name="Picture 1"/>'
                                    '</xdr:nvPicPr><xdr:blipFill><a:blip r:embed="rId1"/></xdr:blipFill></xdr:pic>'
                                    '</xdr:twoCellAnchor><xdr:twoCellAnchor><xdr:graphicFrame><xdr:nvGraphicFramePr>'
                                    '<xdr:cNvPr id="3" name="Chart 2"/></xdr:nvGraphicFramePr><a:graphic><a:graphicData>'
                                    '<c:chart xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart" r:id="rId2"/>'
                                    '</a:graphicData></a:graphic></xdr:graphicFrame></xdr:twoCellAnchor></xdr:wsDr>',
        "xl/drawings/_rels/drawing1.xml.rels": rels(("rId1", "image", "../media/image1.png"),
                                                    ("rId2", "chart", "../charts/chart1.xml")),
        "xl/media/image1.png": "\x89PNG",
        "xl/charts/chart1.xml": '<c:chartSpace xmlns:c="http://schemas.openxmlformats.org/drawingml/2006/chart"/>',
        "xl/drawings/vmlDrawing1.vml": '<xml xmlns:v="urn:schemas-microsoft-com:vml"><v:shape id="_x0000_s1025">'
                                       "<br></v:shape></xml>",
        "xl/comments1.xml": f'<comments {M}><authors><author>tc={tc}</author></authors><commentList>'
                            '<comment ref="A1" authorId="0"><text><t>hi</t></text></comment></commentList></comments>',
        "xl/threadedComments/threadedComment1.xml": '<ThreadedComments xmlns="http://schemas.microsoft.com/office/'
                                                    f'spreadsheetml/2018/threadedcomments"><threadedComment ref="A1" '
                                                    f'id="{tc}" personId="{{P1}}"><text>hi</text></threadedComment>'
                                                    "</ThreadedComments>",
        "xl/persons/person.xml": '<personList xmlns="http://schemas.microsoft.com/office/spreadsheetml/2018/'
                                 'threadedcomments"><person displayName="A" id="{P1}"/></personList>',
        "xl/tables/table1.xml": f'<table {M} id="1" name="Table1" displayName="Table1" ref="A1:B2"/>',
        "xl/pivotTables/pivotTable1.xml": f'<pivotTableDefinition {M} name="PivotTable1" cacheId="7"/>',
        "xl/pivotTables/_rels/pivotTable1.xml.rels": rels(("rId1", "pivotCacheDefinition",
                                                           "../pivotCache/pivotCacheDefinition1.xml")),
        "xl/pivotCache/pivotCacheDefinition1.xml": f'<pivotCacheDefinition {M} {R}><cacheSource type="worksheet">'
                                                   '<worksheetSource ref="A1:B2" sheet="Data"/></cacheSource>'
                                                   "</pivotCacheDefinition>",
        "xl/externalLinks/externalLink1.xml": f'<externalLink {M}/>',
        "xl/calcChain.xml": f'<calcChain {M}><c r="B2" i="1"/></calcChain>',
    }


def edit(part, old, new):
    def apply(p):
        assert old in p[part], (part, old)
        p[part] = p[part].replace(old, new, 1)
    return apply


def drop(part):
    def apply(p):
        del p[part]
    return apply


def add_table(xml):
    def apply(p):
        p["xl/tables/table2.xml"] = xml
        p["[Content_Types].xml"] = p["[Content_Types].xml"].replace(
            "</Types>", f'<Override PartName="/xl/tables/table2.xml" ContentType="{CT}spreadsheetml.table+xml"/></Types>')
        p["xl/worksheets/_rels/sheet2.xml.rels"] = p["xl/worksheets/_rels/sheet2.xml.rels"].replace(
            "</Relationships>", f'<Relationship Id="rId2" Type="{RT}table" Target="../tables/table2.xml"/></Relationships>')
    return apply


def overlapping_table(p):
    """A second table on sheet 1 over part of the first one's range."""
    add_table(f'<table {M} id="2" name="T2" displayName="T2" ref="B2:C3"/>')(p)
    p["xl/worksheets/_rels/sheet2.xml.rels"] = _without_rel(p["xl/worksheets/_rels/sheet2.xml.rels"], "rId2")
    p["xl/worksheets/_rels/sheet1.xml.rels"] = p["xl/worksheets/_rels/sheet1.xml.rels"].replace(
        "</Relationships>", f'<Relationship Id="rId9" Type="{RT}table" Target="../tables/table2.xml"/></Relationships>')


def add(part, text):
    def apply(p):
        p[part] = text
    return apply


# (what is broken, change, a text the checker must print)
BROKEN = [
    ("relationship to a missing part", drop("xl/charts/chart1.xml"), "targets the missing part xl/charts/chart1.xml"),
    ("part without a content type", add("xl/media/image2.gif", "GIF8"), "image2.gif: no content type"),
    ("override for a missing part", edit("[Content_Types].xml", "</Types>",
                                         '<Override PartName="/xl/gone.xml" ContentType="application/xml"/></Types>'),
     "Override for the missing part /xl/gone.xml"),
    ("dangling r:id", edit("xl/worksheets/sheet1.xml", '<legacyDrawing r:id="rId2"/>', '<legacyDrawing r:id="rId9"/>'),
     "r:id rId9 has no relationship"),
    ("dangling VML-less picture id", edit("xl/drawings/drawing1.xml", 'r:embed="rId1"', 'r:embed="rId7"'),
     "r:id rId7 has no relationship"),
    ("duplicate relationship id", edit("xl/drawings/_rels/drawing1.xml.rels", 'Id="rId2"', 'Id="rId1"'),
     "relationship id rId1 used twice"),
    ("duplicate sheetId", edit("xl/workbook.xml", 'sheetId="2"', 'sheetId="1"'), "sheetId 1 used twice"),
    ("two sheets on one part", edit("xl/_rels/workbook.xml.rels", "worksheets/sheet2.xml", "worksheets/sheet1.xml"),
     "two sheets share the part xl/worksheets/sheet1.xml"),
    ("duplicate sheet name", edit("xl/workbook.xml", 'name="Pivot"', 'name="DATA"'), "sheet name 'data' used twice"),
    ("duplicate table id", add_table(f'<table {M} id="1" name="Table2" displayName="Table2" ref="C1:D2"/>'),
     "table id 1 used by more than one table"),
    ("table named like a defined name", edit("xl/tables/table1.xml", 'displayName="Table1"', 'displayName="total"'),
     "is also a defined name"),
    ("duplicate table name", add_table(f'<table {M} id="2" name="TABLE1" displayName="TABLE1" ref="C1:D2"/>'),
     "table name 'table1' used by more than one table"),
    ("pivot table with an unknown cacheId", edit("xl/pivotTables/pivotTable1.xml", 'cacheId="7"', 'cacheId="8"'),
     "cacheId 8 is not a pivot cache"),
    ("duplicate cacheId", edit("xl/workbook.xml", "</pivotCaches>", '<pivotCache cacheId="7" r:id="rId3"/></pivotCaches>'),
     "pivot cacheId 7 used twice"),
    ("duplicate drawing object id", edit("xl/drawings/drawing1.xml", 'id="3"', 'id="2"'), "drawing object id 2 used twice"),
    ("comment author out of range", edit("xl/comments1.xml", 'authorId="0"', 'authorId="1"'), "authorId 1 of 1 authors"),
    ("thread person missing", edit("xl/persons/person.xml", 'id="{P1}"', 'id="{P2}"'), "unknown person {P1}"),
    ("person listed twice", edit("xl/persons/person.xml", "</personList>",
                                 '<person displayName="B" id="{P1}"/></personList>'), "person id {P1} used twice"),
    ("legacy comment for a missing thread", edit("xl/threadedComments/threadedComment1.xml", "{1111", "{2222"),
     "stands for the missing thread"),
    ("drawing owned by two sheets", edit("xl/worksheets/_rels/sheet2.xml.rels", "</Relationships>",
                                         f'<Relationship Id="rId2" Type="{RT}drawing" Target="../drawings/drawing1.xml"/>'
                                         "</Relationships>"), "owned by more than one part"),
    ("defined name scoped to a missing sheet", edit("xl/workbook.xml", '<definedName name="Total"',
                                                    '<definedName name="Total" localSheetId="2"'), "localSheetId 2 of 2"),
    ("calculation chain naming a missing sheet", edit("xl/calcChain.xml", 'i="1"', 'i="5"'), "sheetId 5"),
    ("external reference without its link", edit("xl/worksheets/sheet1.xml", "[1]Other", "[2]Other"),
     "external workbook [2]"),
    ("wrong content type for a chart", edit("[Content_Types].xml", CT + "drawingml.chart+xml", "application/xml"),
     "does not fit relationship type chart"),
    ("tableParts count off", edit("xl/worksheets/sheet1.xml", 'tableParts count="1"', 'tableParts count="2"'),
     "tableParts count 2 for 1 tables"),
    ("overlapping tables", overlapping_table, "overlap"),
    ("thread without its legacy comment", edit("xl/comments1.xml", 'ref="A1"', 'ref="A2"'),
     "threaded comment in A1 without its legacy comment"),
    ("active tab past the last sheet", edit("xl/workbook.xml", "<sheets>",
                                            '<bookViews><workbookView activeTab="2"/></bookViews><sheets>'),
     "activeTab 2 of 2 sheets"),
    ("validation list on a missing sheet", edit("xl/worksheets/sheet1.xml", "</sheetData>",
                                                 '</sheetData><dataValidations count="1"><dataValidation type="list" '
                                                 'sqref="C1"><formula1>Gone!$A$1:$A$3</formula1></dataValidation>'
                                                 "</dataValidations>"), "names the missing sheet 'Gone'"),
    ("pivot cache over a missing sheet", edit("xl/pivotCache/pivotCacheDefinition1.xml", 'sheet="Data"',
                                              'sheet="Gone"'), "source names the sheet 'Gone'"),
    ("pivot cache over a missing table", edit("xl/pivotCache/pivotCacheDefinition1.xml", 'ref="A1:B2" sheet="Data"',
                                              'name="Sales"'), "source names 'Sales'"),
    ("formula naming a missing sheet", edit("xl/worksheets/sheet1.xml", "<f>A1*2</f>", "<f>Gone!A1*2</f>"),
     "names the missing sheet 'Gone'"),
    ("formula naming a missing table", edit("xl/worksheets/sheet1.xml", "<f>A1*2</f>", "<f>SUM(Sales[Amount])</f>"),
     "names the missing table 'Sales'"),
    ("defined name naming a missing sheet", edit("xl/workbook.xml", "Data!$B$2", "'Old data'!$B$2"),
     "names the missing sheet 'Old data'"),
    ("not well-formed part", edit("xl/tables/table1.xml", "/>", ">"), "not well-formed"),
]


# (formula, what the checker must find missing) in a workbook with sheets Data, Pivot, "It's", S1..S3
# and table Table1 (strings, other workbooks' sheets, error values and table columns are no sheets).
FORMULAS = [
    ("'It''s'!A1+Data!B2+Pivot!C3", []),
    ('"Gone!"&Data!A1&"x[1]"', []),
    ("[1]Gone!A1+'[1]Also gone'!B2+[1]!Name", []),
    ("#REF!+SUM(Table1[[#This Row],[Amount]])", []),
    ("SUM(S1:S3!A1)+SUM('S1:S3'!A1)", []),
    ("集計!A1", ["sheet '集計'"]),
    ("'Gone sheet'!A1+Other[Col]", ["sheet 'Gone sheet'", "table 'Other'"]),
]


def check_formulas(cp, tmp):
    failures = []
    for formula, missing in FORMULAS:
        parts = sound()
        parts["xl/workbook.xml"] = parts["xl/workbook.xml"].replace(
            '<sheet name="Pivot" sheetId="2" r:id="rId2"/>', '<sheet name="Pivot" sheetId="2" r:id="rId2"/>' +
            "".join(f'<sheet name="{n}" sheetId="{i + 3}" r:id="rId{i + 1}"/>'
                    for i, n in enumerate(["It&apos;s", "S1", "S2", "S3"])))
        parts["xl/worksheets/sheet1.xml"] = parts["xl/worksheets/sheet1.xml"].replace(
            "<f>A1*2</f>", "<f>" + formula.replace("&", "&amp;").replace('"', "&quot;") + "</f>")
        path = os.path.join(tmp, "formula.xlsx")
        write(parts, path)
        found = [p for p in problems_of(cp, path) if "names the missing " in p]
        names = sorted(p.split("names the missing ")[1] for p in found)
        if names != sorted(missing):
            failures.append(f"formula {formula!r}: expected missing {missing}, got {found}")
    return failures


def write(parts, path):
    with zipfile.ZipFile(path, "w") as z:
        for name, text in parts.items():
            z.writestr(name, text.encode("latin-1") if name.endswith(".png") else text.encode())


def problems_of(cp, out, groups=()):
    problems = []
    pkg = cp.Package(out, problems)
    cp.validate(pkg)
    for src, src_sheet, out_sheet, nc in groups:
        cp.compare(cp.Package(src, problems), src_sheet, pkg, out_sheet, nc, problems)
    return problems


def run(cp):
    failures = []
    with tempfile.TemporaryDirectory() as tmp:
        good = os.path.join(tmp, "good.xlsx")
        write(sound(), good)
        found = problems_of(cp, good, [(good, "Data", "Data", set()), (good, "Pivot", "Pivot", set())])
        if found:
            failures.append(f"the sound package was refused: {found}")
        for i, (what, change, expect) in enumerate(BROKEN):
            parts = sound()
            change(parts)
            path = os.path.join(tmp, f"broken{i}.xlsx")
            write(parts, path)
            found = problems_of(cp, path)
            if not any(expect in p for p in found):
                failures.append(f"{what}: expected a problem with {expect!r}, got {found}")
        # Copies that lost parts: a table, a thread with its person, a pivot table with its cache.
        for part, rel, kind, also in (("table1.xml", "rId4", "table", []),
                                      ("threadedComment1.xml", "rId5", "threadedComment", ["person"]),
                                      ("pivotTable1.xml", "rId1", "pivotTable", ["pivotCacheDefinition"])):
            parts = sound()
            sheet = "sheet2" if kind == "pivotTable" else "sheet1"
            rels_part = f"xl/worksheets/_rels/{sheet}.xml.rels"
            parts[rels_part] = _without_rel(parts[rels_part], rel)
            parts["xl/worksheets/sheet1.xml"] = parts["xl/worksheets/sheet1.xml"].replace(
                '<tableParts count="1"><tablePart r:id="rId4"/></tableParts>', "" if kind == "table" else
                '<tableParts count="1"><tablePart r:id="rId4"/></tableParts>')
            out = os.path.join(tmp, f"lost-{kind}.xlsx")
            write(parts, out)
            name = "Pivot" if kind == "pivotTable" else "Data"
            found = problems_of(cp, out, [(good, name, name, set())])
            if not any(f"{kind}: source has 1, copy has 0" in p for p in found):
                failures.append(f"a copy without its {kind} passed unreported: {found}")
            for k in also:
                if not any(f"{k}: source has 1" in p for p in found):
                    failures.append(f"a copy without its {kind} passed without noticing its {k}: {found}")
            found = problems_of(cp, out, [(good, name, name, {kind})])
            if found:
                failures.append(f"a copy without its {kind}, reported as not carried, was refused: {found}")
        # A copied drawing or comments part that lost some of what it holds.
        for what, part, start, end, expect in (
                ("picture", "xl/drawings/drawing1.xml", "<xdr:twoCellAnchor><xdr:pic>", "</xdr:twoCellAnchor>",
                 "drawing anchor: source has 2, copy has 1"),
                ("comment", "xl/comments1.xml", '<comment ref="A1"', "</comment>", "comment: source has 1, copy has 0")):
            parts = sound()
            a = parts[part].index(start)
            parts[part] = parts[part][:a] + parts[part][parts[part].index(end, a) + len(end):]
            out = os.path.join(tmp, f"lost-{what}.xlsx")
            write(parts, out)
            found = [p for p in problems_of(cp, out, [(good, "Data", "Data", set())]) if "->" in p]
            if not any(expect in p for p in found):
                failures.append(f"a copy that lost a {what} passed: {found}")
        # A report of something the source sheet does not have is no true report.
        found = problems_of(cp, good, [(good, "Pivot", "Pivot", {"table", "ext:sparklineGroups"})])
        if sum("reported as not carried, but the source sheet has none" in p for p in found) != 2:
            failures.append(f"reports of parts the source lacks passed: {found}")
        # A copy with a part more than its source is as wrong as one with a part less.
        found = problems_of(cp, good, [(good, "Pivot", "Data", set())])
        if not any("drawing: source has 0, copy has 1" in p for p in found):
            failures.append(f"a copy with parts its source lacks passed: {found}")
        failures += check_formulas(cp, tmp)
    for f in failures:
        print(f"self-test: {f}")
    print(f"self-test: {len(BROKEN)} broken packages, {len(failures)} failures")
    return 1 if failures else 0


def _without_rel(text, rid):
    head, _, rest = text.partition("<Relationship ")
    items = ("<Relationship " + rest).split("/>")
    kept = [x for x in items if f'Id="{rid}"' not in x]
    return head + "/>".join(kept)
