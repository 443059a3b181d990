#!/usr/bin/python3
"""Compares copied sheets with their sources as openpyxl reads them (an independent reader).

Usage: check_copy.py SRC.xlsx SRC_SHEET OUT.xlsx OUT_SHEET [SRC OUT ...]  (groups of four)
Checks values, formulas, data types, styles (font, fill, border, alignment, number format,
protection), column widths and hidden/outline columns, row heights and hidden/outline rows,
merged cells, conditional formatting ranges and their formats, data validations, hyperlinks,
panes, sheet state, tab colour, print area and titles, page setup, header/footer and sheet
protection. Prints every difference and exits with 1 when there is one.
"""
import os
import re
import urllib.parse
import sys
import warnings

from openpyxl import load_workbook
from openpyxl.styles.colors import COLOR_INDEX

BOOKS = {}


def book(path):
    if path not in BOOKS:
        BOOKS[path] = load_workbook(path)
    return BOOKS[path]


def color(c, wb):
    """A colour as the RGB it shows, resolving indexed colours through the book's palette."""
    if c is None:
        return None
    if c.type == "indexed":
        palette = wb._colors or COLOR_INDEX
        if c.indexed is not None and c.indexed < min(64, len(palette)):
            return ("rgb", str(palette[c.indexed])[-6:].upper())
        return ("indexed", c.indexed)
    if c.type == "rgb":
        return ("rgb", str(c.rgb)[-6:].upper())
    return (c.type, c.value, round(c.tint or 0, 6))


def font(f, wb):
    return (f.name, f.sz, f.b, f.i, f.u, f.strike, f.vertAlign, color(f.color, wb))


def fill(fl, wb):
    if fl is None:
        return None
    if getattr(fl, "patternType", None) is not None or fl.tagname == "patternFill":
        return ("pattern", fl.patternType, color(fl.fgColor, wb), color(fl.bgColor, wb))
    return ("gradient", fl.type, fl.degree, tuple(color(s.color, wb) for s in fl.stop))


def side(s, wb):
    return (s.style, color(s.color, wb)) if s is not None else None


def border(b, wb):
    return tuple(side(getattr(b, n), wb) for n in ("left", "right", "top", "bottom", "diagonal"))


def alignment(a):
    return (a.horizontal, a.vertical, a.wrap_text, a.shrink_to_fit, a.indent, a.text_rotation)


def cell_style(c, wb):
    return (c.number_format, font(c.font, wb), fill(c.fill, wb), border(c.border, wb), alignment(c.alignment),
            c.protection.locked, c.protection.hidden)


def dxf(d, wb):
    if d is None:
        return None
    return (font(d.font, wb) if d.font else None, fill(d.fill, wb) if d.fill else None,
            d.numFmt.formatCode if d.numFmt else None, border(d.border, wb) if d.border else None)


# An external workbook's index in a formula ("[1]Sheet!A1"). A merge renumbers the indices, and a
# copy may refer to a sheet or table left behind through its source workbook ("[1]!Table[Column]"):
# formulas are compared without them.
EXTERNAL_INDEX = re.compile(r"(?<![\w\].])\[\d+\]!?")


def sheet_ref(name):
    """A sheet as a formula names it."""
    plain = re.fullmatch(r"[^\W\d][\w.]*", name) and not re.fullmatch(r"[A-Za-z]{1,3}\d+", name)
    return name if plain else "'" + name.replace("'", "''") + "'"


def named_back(v, back):
    """A copy's formula with the sheets it names as copies (in the same output, from the same source)
    named by their source names, so that it compares with the source's formula."""
    if not back or not isinstance(v, str) or not v.startswith("="):
        return v
    refs = {sheet_ref(out) + "!": sheet_ref(src) + "!" for out, src in back.items() if out != src}
    if not refs:
        return v
    pattern = re.compile("|".join(re.escape(k) for k in sorted(refs, key=len, reverse=True)))
    return pattern.sub(lambda m: refs[m.group(0)], v)


def tables_back(v, back):
    """A copy's formula with the tables it names as copies of the source's tables named by their
    source names."""
    if not back or not isinstance(v, str) or not v.startswith("="):
        return v
    for new, old in back.items():
        if new != old:
            v = re.sub(r"(?<![\w.])" + re.escape(new) + r"(?=\[|\W|$)(?![(!])", old, v, flags=re.I)
    return v


def value(c, renames=None, back=None, table_back=None):
    v = c.value
    v = tables_back(named_back(v, back), table_back)
    if hasattr(v, "text"):  # ArrayFormula
        return ("array", v.ref, EXTERNAL_INDEX.sub("", v.text or ""))
    if renames and isinstance(v, str) and v.startswith("="):
        for old, new in renames.items():
            v = re.sub(r"(?<![\w.])" + re.escape(old) + r"(?=\[|\W|$)(?![(!])", new, v, flags=re.I)
    if isinstance(v, str) and v.startswith("="):
        v = EXTERNAL_INDEX.sub("", v)
    return v


def tables(ws):
    """The sheet's tables by range: name, header names, totals-row count."""
    return {str(t.ref): (t.displayName, tuple(c.name for c in t.tableColumns), t.totalsRowCount)
            for t in ws.tables.values()}


def compare(problems, what, a, b):
    if a != b:
        problems.append(f"{what}: source {a!r} != copy {b!r}")


def check(src_path, src_name, out_path, out_name, back=None, table_back=None):
    sb, ob = book(src_path), book(out_path)
    s, o = sb[src_name], ob[out_name]
    p = []
    where = f"{src_path}[{src_name}] -> {out_path}[{out_name}]"
    compare(p, "sheet type", type(s).__name__, type(o).__name__)
    compare(p, "state", s.sheet_state, o.sheet_state)
    if type(s).__name__ == "Chartsheet":
        return [f"{where}: {x}" for x in p]
    # Tables come along, renamed when their name is taken in the target; formulas follow the names.
    st, ot = tables(s), tables(o)
    compare(p, "tables", {r: t[1:] for r, t in st.items()}, {r: t[1:] for r, t in ot.items()})
    # (The copy's tables, and those of the source's other sheets copied into the same output, are
    # named back by their source names: table_back.)
    renames = None
    # Only cells the source holds: openpyxl makes empty cells up on access, styled by each book's
    # default format, which a copy need not share.
    for (r, col) in sorted(s._cells):
        c = s._cells[(r, col)]
        if (r, col) not in o._cells:
            p.append(f"{c.coordinate}: missing in the copy")
            continue
        d = o._cells[(r, col)]
        if type(c).__name__ == "MergedCell":  # made up by the reader for merged ranges
            continue
        if c.value is None and not c.has_style:  # made up for a comment or hyperlink anchor
            continue
        if True:
            compare(p, f"{c.coordinate} value", value(c, renames), value(d, back=back, table_back=table_back))
            compare(p, f"{c.coordinate} type", c.data_type, d.data_type)
            compare(p, f"{c.coordinate} style", cell_style(c, sb), cell_style(d, ob))
            # A hyperlink to another sheet of the source opens it in the source file when that sheet
            # is not in the copy's workbook.
            target = d.hyperlink.target if d.hyperlink else None
            if c.hyperlink and not c.hyperlink.target and c.hyperlink.location and target and \
                    os.path.basename(urllib.parse.unquote(target)) == os.path.basename(src_path):
                target = None
            compare(p, f"{c.coordinate} hyperlink", c.hyperlink.target if c.hyperlink else None, target)
    compare(p, "dimensions", s.dimensions, o.dimensions)
    for k, dim in s.column_dimensions.items():
        od = o.column_dimensions[k]
        compare(p, f"column {k}", (dim.width, dim.hidden, dim.outline_level, dim.min, dim.max),
                (od.width, od.hidden, od.outline_level, od.min, od.max))
    for k, dim in s.row_dimensions.items():
        od = o.row_dimensions[k]
        compare(p, f"row {k}", (dim.height, dim.hidden, dim.outline_level), (od.height, od.hidden, od.outline_level))
    compare(p, "merged", sorted(str(r) for r in s.merged_cells.ranges), sorted(str(r) for r in o.merged_cells.ranges))

    def cf(ws, wb):
        out = []
        for rng, rules in ws.conditional_formatting._cf_rules.items():
            for r in rules:
                out.append((str(rng.sqref), r.type, r.operator, tuple(r.formula or ()), r.priority,
                            dxf(r.dxf, wb) if r.dxf else (dxf(wb._differential_styles[r.dxfId], wb)
                                                         if r.dxfId is not None else None)))
        return sorted(out, key=repr)

    compare(p, "conditional formats", cf(s, sb), cf(o, ob))
    dv = lambda ws: sorted((str(v.sqref), v.type, v.operator, v.formula1, v.formula2, v.allow_blank)
                           for v in ws.data_validations.dataValidation)
    compare(p, "data validations", dv(s), dv(o))
    compare(p, "freeze panes", s.freeze_panes, o.freeze_panes)
    pane = lambda ws: ws.sheet_view.pane and (ws.sheet_view.pane.xSplit, ws.sheet_view.pane.ySplit,
                                              ws.sheet_view.pane.topLeftCell, ws.sheet_view.pane.state)
    compare(p, "pane", pane(s), pane(o))
    compare(p, "tab colour", color(s.sheet_properties.tabColor, sb), color(o.sheet_properties.tabColor, ob))
    compare(p, "outline summary", repr(s.sheet_properties.outlinePr), repr(o.sheet_properties.outlinePr))
    compare(p, "print area", norm_area(s.print_area, src_name), norm_area(o.print_area, out_name))
    compare(p, "print titles", (s.print_title_rows, s.print_title_cols), (o.print_title_rows, o.print_title_cols))
    ps = lambda ws: (ws.page_setup.orientation, ws.page_setup.paperSize, ws.page_setup.scale,
                     ws.page_setup.fitToWidth, ws.page_setup.fitToHeight, ws.sheet_properties.pageSetUpPr and
                     ws.sheet_properties.pageSetUpPr.fitToPage)
    compare(p, "page setup", ps(s), ps(o))
    compare(p, "margins", repr(s.page_margins), repr(o.page_margins))
    hf = lambda ws: (ws.oddHeader.center.text, ws.oddHeader.left.text, ws.oddHeader.right.text,
                     ws.oddFooter.center.text, ws.oddFooter.left.text, ws.oddFooter.right.text)
    compare(p, "header/footer", hf(s), hf(o))
    compare(p, "protection", (s.protection.sheet, s.protection.password), (o.protection.sheet, o.protection.password))
    compare(p, "auto filter", s.auto_filter.ref, o.auto_filter.ref)
    return [f"{where}: {x}" for x in p]


def norm_area(area, name):
    """Print areas name their own sheet: compare them with the sheet name taken out."""
    if not area:
        return area
    if isinstance(area, (list, tuple)):
        area = ",".join(area)
    return area.replace(f"'{name}'!", "").replace(f"{name}!", "")


def main(argv):
    args = argv[1:]
    if not args or len(args) % 4:
        print(__doc__, file=sys.stderr)
        return 2
    warnings.simplefilter("ignore")
    problems = []
    quads = [args[i:i + 4] for i in range(0, len(args), 4)]
    # A merge names the copies of the source's other sheets: the copy's sheets by their source names.
    back, table_back = {}, {}
    for src, src_sheet, out, out_sheet in quads:
        back.setdefault((src, out), {})[out_sheet] = src_sheet
        s, o = book(src)[src_sheet], book(out)[out_sheet]
        if type(s).__name__ != "Chartsheet" and type(o).__name__ != "Chartsheet":
            st, ot = tables(s), tables(o)
            for r in st:
                if r in ot:
                    table_back.setdefault((src, out), {})[ot[r][0]] = st[r][0]
    for q in quads:
        problems += check(*q, back=back[(q[0], q[2])], table_back=table_back.get((q[0], q[2])))
    for line in problems[:30]:
        print(line)
    if len(problems) > 30:
        print(f"... {len(problems) - 30} more")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
