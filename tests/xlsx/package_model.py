"""A workbook package as the checkers read it (standard library only): parts, content types,
relationships, sheets, and the patterns that find references in formulas."""
import posixpath
import re
import urllib.parse
import zipfile
import xml.etree.ElementTree as ET

NS_R = "http://schemas.openxmlformats.org/officeDocument/2006/relationships"
NS_MAIN = "http://schemas.openxmlformats.org/spreadsheetml/2006/main"
SHEET_KINDS = {"worksheet", "chartsheet", "dialogsheet", "xlMacrosheet", "xlIntlMacrosheet"}
# Parts that belong to exactly one other part: a second owner makes the program repair the file.
SINGLE_OWNER = {"worksheet", "chartsheet", "drawing", "chart", "comments", "vmlDrawing", "table", "pivotTable",
                "threadedComment", "slicer", "timeline", "ctrlProp", "queryTable", "chartUserShapes"}
# Content type (by suffix) that a relationship type requires of its target.
EXPECTED_TYPE = {
    "worksheet": "spreadsheetml.worksheet+xml", "chartsheet": "spreadsheetml.chartsheet+xml",
    "drawing": "drawing+xml", "chart": "drawingml.chart+xml", "comments": "spreadsheetml.comments+xml",
    "vmlDrawing": "vmlDrawing", "table": "spreadsheetml.table+xml", "pivotTable": "spreadsheetml.pivotTable+xml",
    "pivotCacheDefinition": "pivotCacheDefinition+xml", "pivotCacheRecords": "pivotCacheRecords+xml",
    "threadedComment": "threadedcomments+xml", "person": "person+xml", "slicer": "slicer+xml",
    "slicerCache": "slicerCache+xml", "externalLink": "externalLink+xml", "chartStyle": "chartstyle+xml",
    "chartColorStyle": "chartcolorstyle+xml", "ctrlProp": "controlproperties+xml", "image": "image/",
    "styles": "spreadsheetml.styles+xml", "sharedStrings": "spreadsheetml.sharedStrings+xml",
    "timeline": "timeline+xml", "timelineCache": "timelineCache+xml", "queryTable": "queryTable+xml",
}


# An external workbook's index in a formula ("[1]Sheet!A1", "'[2]A b'!C3", "[1]!Name"), not a table's
# column ("Table1[Amount]", "Table1[[#This Row],[1]]").
EXTERNAL_INDEX = re.compile(r"(?<![\w\].])\[(\d+)\]")


STRING_LITERAL = re.compile(r'"(?:[^"]|"")*"')
QUOTED_NAME = re.compile(r"'(?:[^']|'')*'")
# A sheet in a reference: 'quoted name'! or an unquoted name followed by !.
SHEET_REFERENCE = re.compile(r"""(?:'((?:[^']|'')+)'|([^\s'!"(),;=+\-*/^&<>:{}\[\]#%]+))!""")
# A table in a structured reference: Name[...
TABLE_REFERENCE = re.compile(r"([^\W\d][\w.\\]*)\[")


def local(tag):
    return tag.rsplit("}", 1)[-1]


# The Strict namespaces the checkers look into, with their transitional names: a Strict source is
# compared with its (transitional) copies as if it were transitional.
STRICT_NAMESPACES = [
    (b'"http://purl.oclc.org/ooxml/spreadsheetml/main"', f'"{NS_MAIN}"'.encode()),
    (b'"http://purl.oclc.org/ooxml/officeDocument/relationships"', f'"{NS_R}"'.encode()),
]


def transitional(xml):
    for strict, name in STRICT_NAMESPACES:
        xml = xml.replace(strict, name)
    return xml


def kind_of(rel_type):
    return rel_type.rstrip("/").rsplit("/", 1)[-1]


class Package:
    """A zip package read with the standard library: parts, content types, relationships."""

    def __init__(self, path, problems):
        self.path = path
        self.problems = problems
        self.zip = zipfile.ZipFile(path)
        self.names = [n for n in self.zip.namelist() if not n.endswith("/")]
        self.by_lower = {n.lower(): n for n in self.names}
        self._xml, self._rels = {}, {}
        self.defaults, self.overrides = {}, {}
        ct = self.xml("[Content_Types].xml")
        if ct is None:
            self.problem("[Content_Types].xml is missing or unreadable")
        else:
            for e in ct:
                if local(e.tag) == "Default":
                    self.defaults[e.get("Extension", "").lower()] = e.get("ContentType", "")
                elif local(e.tag) == "Override":
                    self.overrides[e.get("PartName", "").lstrip("/").lower()] = e.get("ContentType", "")

    def problem(self, text):
        self.problems.append(f"{self.path}: {text}")

    def find(self, name):
        return self.by_lower.get(name.lower())

    def read(self, name):
        return self.zip.read(self.find(name))

    def xml(self, name):
        """The parsed part, or None when it is missing or not well-formed (VML often is not)."""
        if name not in self._xml:
            real = self.find(name)
            try:
                self._xml[name] = ET.fromstring(transitional(self.zip.read(real))) if real else None
            except ET.ParseError:
                self._xml[name] = None
        return self._xml[name]

    def content_type(self, name):
        if name.lower() in self.overrides:
            return self.overrides[name.lower()]
        base = posixpath.basename(name)
        return self.defaults.get(base.rsplit(".", 1)[1].lower() if "." in base else "")

    def rels(self, part):
        """[(id, kind, target part or external URL, external)] of `part` (root: "")."""
        if part not in self._rels:
            folder, base = posixpath.split(part)
            rels_name = posixpath.join(folder, "_rels", base + ".rels")
            out = []
            root = self.xml(rels_name) if self.find(rels_name) else None
            if self.find(rels_name) and root is None:
                self.problem(f"{rels_name}: not well-formed XML")
            for r in (root if root is not None else []):
                target = r.get("Target", "")
                external = r.get("TargetMode") == "External"
                if not external:
                    target = urllib.parse.unquote(target)
                    target = posixpath.normpath(target.lstrip("/") if target.startswith("/")
                                                else posixpath.join(folder, target)).lstrip("/")
                out.append((r.get("Id"), kind_of(r.get("Type", "")), target, external))
            self._rels[part] = out
        return self._rels[part]

    def workbook_part(self):
        for _, kind, target, external in self.rels(""):
            if kind == "officeDocument" and not external:
                return target
        return "xl/workbook.xml"

    def sheets(self):
        """[(name, sheetId, part, kind, state)] in workbook order."""
        wb = self.workbook_part()
        root = self.xml(wb)
        rels = {rid: (kind, target) for rid, kind, target, _ in self.rels(wb)}
        out = []
        for s in (root.iter(f"{{{NS_MAIN}}}sheet") if root is not None else []):
            kind, target = rels.get(s.get(f"{{{NS_R}}}id"), (None, None))
            out.append((s.get("name"), s.get("sheetId"), target, kind, s.get("state", "visible")))
        return out


def duplicates(values):
    seen, dup = set(), []
    for v in values:
        if v in seen and v not in dup:
            dup.append(v)
        seen.add(v)
    return dup


def parts_of_type(pkg, suffix):
    return sorted(n for n in pkg.names if (pkg.content_type(n) or "").lower().endswith(suffix.lower()))
