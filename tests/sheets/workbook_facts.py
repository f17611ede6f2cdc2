#!/usr/bin/python3
"""What an independent reader (openpyxl) and a plain zip reader see in a workbook, for the
workbook tests.

    workbook_facts.py dump FILE       one fact per line, tab-separated:
        value  SHEET CELL TYPE VALUE   every cell with a value (TYPE s text, n number, f formula)
        style  SHEET CELL STYLE        every cell whose style is not the default one
        merge  SHEET RANGE
        layout SHEET WHAT VALUE        print area, print titles, page setup, widths, heights
    workbook_facts.py package FILE    the package: parts, content types, relationships,
                                      calculation settings, order of rows and cells
    workbook_facts.py foreign OUT     writes a small workbook as other producers make them:
                                      prefixed main namespace, absolute relationship targets,
                                      shared strings, formulas with cached results and a
                                      calculation chain
"""
import re
import sys
import zipfile

import openpyxl


def esc(v):
    return str(v).replace("\\", "\\\\").replace("\n", "\\n").replace("\t", "\\t").replace("\r", "\\r")


def style_of(c):
    f, b, a = c.font, c.border, c.alignment
    return "|".join([
        f"font={f.name},{f.sz},{int(bool(f.b))}",
        "border=" + ",".join(str(getattr(b, side).style) for side in ("left", "right", "top", "bottom")),
        f"fmt={c.number_format}",
        f"align={a.horizontal},{a.vertical},{int(bool(a.wrap_text))}",
    ])


def dump(path):
    wb = openpyxl.load_workbook(path)
    out = []
    for ws in wb.worksheets:
        name = ws.title
        for row in ws.iter_rows():
            for c in row:
                if c.value is not None:
                    kind = "f" if c.data_type == "f" else "n" if isinstance(c.value, (int, float)) else "s"
                    out.append(("value", name, c.coordinate, kind, esc(c.value)))
                if c.has_style:
                    out.append(("style", name, c.coordinate, style_of(c)))
        for r in sorted(str(r) for r in ws.merged_cells.ranges):
            out.append(("merge", name, r))
        ps = ws.page_setup
        out.append(("layout", name, "print_area", esc(ws.print_area)))
        out.append(("layout", name, "print_titles", esc(ws.print_title_rows)))
        out.append(("layout", name, "page", f"{ps.orientation},{ps.paperSize},{ps.fitToWidth},{ps.fitToHeight}"))
        out.append(("layout", name, "footer", esc(ws.oddFooter.center.text)))
        for key, dim in sorted(ws.column_dimensions.items()):
            out.append(("layout", name, "width " + key, str(dim.width)))
        for key, dim in sorted(ws.row_dimensions.items()):
            if dim.height is not None:
                out.append(("layout", name, f"height {key}", str(dim.height)))
    for line in out:
        print("\t".join(line))


def local(tag):
    return tag.split(":")[-1]


def package(path):
    z = zipfile.ZipFile(path)
    names = z.namelist()
    assert len(names) == len(set(names)), "a part appears twice"
    assert z.testzip() is None, "a damaged part"
    for n in names:
        print("part\t" + n)
    types = z.read("[Content_Types].xml").decode()
    for m in re.finditer(r'<(?:\w+:)?Override [^>]*PartName="([^"]+)"', types):
        print("override\t" + m.group(1))
        assert m.group(1).lstrip("/") in names, "content type of a missing part " + m.group(1)
    rels_name = [n for n in names if n.endswith("workbook.xml.rels")][0]
    rels = z.read(rels_name).decode()
    for m in re.finditer(r'<(?:\w+:)?Relationship [^>]*Target="([^"]+)"', rels):
        print("relationship\t" + m.group(1))
    wb = z.read([n for n in names if n.endswith("workbook.xml")][0]).decode()
    m = re.search(r'<(?:\w+:)?calcPr([^>]*?)\s*/?>', wb)
    print("calcPr\t" + (m.group(1).strip() if m else "-"))
    # Rows and cells in ascending order, none twice: spreadsheet programs repair anything else.
    for n in names:
        if "worksheets/" not in n or not n.endswith(".xml"):
            continue
        xml = z.read(n).decode()
        rows = [int(r) for r in re.findall(r'<(?:\w+:)?row [^>]*\br="(\d+)"', xml)]
        assert rows == sorted(rows) and len(rows) == len(set(rows)), (n, rows)
        for row_xml in re.findall(r'<(?:\w+:)?row [^>]*>(.*?)</(?:\w+:)?row>', xml):
            cols = []
            for ref in re.findall(r'<(?:\w+:)?c [^>]*\br="([A-Z]+)\d+"', row_xml):
                v = 0
                for ch in ref:
                    v = v * 26 + ord(ch) - 64
                cols.append(v)
            assert cols == sorted(cols) and len(cols) == len(set(cols)), (n, cols)
        print(f"ordered\t{n}\t{len(rows)}")
        cached = re.findall(r'<(?:\w+:)?f>[^<]*</(?:\w+:)?f><(?:\w+:)?v>', xml)
        print(f"cached\t{n}\t{len(cached)}")


FOREIGN = {
    "[Content_Types].xml":
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types">'
        '<Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/>'
        '<Default Extension="xml" ContentType="application/xml"/>'
        '<Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/>'
        '<Override PartName="/xl/worksheets/data.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/>'
        '<Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/>'
        '<Override PartName="/xl/styles.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml"/>'
        '<Override PartName="/xl/calcChain.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml"/>'
        '</Types>',
    "_rels/.rels":
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="/xl/workbook.xml"/>'
        '</Relationships>',
    "xl/workbook.xml":
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<x:workbook xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main" '
        'xmlns:rel="http://schemas.openxmlformats.org/officeDocument/2006/relationships">'
        '<x:sheets><x:sheet name="数据" sheetId="1" rel:id="R7"/></x:sheets></x:workbook>',
    "xl/_rels/workbook.xml.rels":
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">'
        '<Relationship Id="R7" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/xl/worksheets/data.xml"/>'
        '<Relationship Id="R8" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/>'
        '<Relationship Id="R9" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/styles" Target="styles.xml"/>'
        '<Relationship Id="R10" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/calcChain" Target="calcChain.xml"/>'
        '</Relationships>',
    "xl/sharedStrings.xml":
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="2" uniqueCount="2">'
        '<si><t>标题</t></si><si><t>旧值</t></si></sst>',
    "xl/styles.xml":
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
        '<numFmts count="1"><numFmt numFmtId="164" formatCode="0.000"/></numFmts>'
        '<fonts count="2"><font><sz val="11"/><name val="Calibri"/></font><font><b/><sz val="14"/><name val="宋体"/></font></fonts>'
        '<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills>'
        '<borders count="2"><border><left/><right/><top/><bottom/><diagonal/></border>'
        '<border><left style="thin"/><right style="thin"/><top style="thin"/><bottom style="thin"/><diagonal/></border></borders>'
        '<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>'
        '<cellXfs count="3"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/>'
        '<xf numFmtId="0" fontId="1" fillId="0" borderId="1" xfId="0" applyFont="1" applyBorder="1"/>'
        '<xf numFmtId="164" fontId="0" fillId="0" borderId="1" xfId="0" applyNumberFormat="1" applyBorder="1"/></cellXfs>'
        '</styleSheet>',
    # Row 3 has no number and its cells none: both follow the previous ones.
    "xl/worksheets/data.xml":
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<x:worksheet xmlns:x="http://schemas.openxmlformats.org/spreadsheetml/2006/main">'
        '<x:dimension ref="A1:C3"/>'
        '<x:sheetData>'
        '<x:row r="1" spans="1:3"><x:c r="A1" s="1" t="s"><x:v>0</x:v></x:c><x:c r="C1" s="1" t="s"><x:v>1</x:v></x:c></x:row>'
        '<x:row r="2" spans="1:3"><x:c r="A2" s="2"><x:v>1.5</x:v></x:c><x:c r="B2" s="2"><x:f>A2*2</x:f><x:v>3</x:v></x:c>'
        '<x:c r="C2"><x:f>B2+1</x:f><x:v>4</x:v></x:c></x:row>'
        '<x:row><x:c s="2"><x:v>7</x:v></x:c><x:c s="2"/></x:row>'
        '</x:sheetData>'
        '<x:mergeCells count="1"><x:mergeCell ref="A5:B5"/></x:mergeCells>'
        '</x:worksheet>',
    "xl/calcChain.xml":
        '<?xml version="1.0" encoding="UTF-8" standalone="yes"?>\n'
        '<calcChain xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><c r="B2" i="1"/><c r="C2"/></calcChain>',
}


def foreign(out):
    with zipfile.ZipFile(out, "w", zipfile.ZIP_DEFLATED) as z:
        for name, text in FOREIGN.items():
            z.writestr(name, text.encode("utf-8"))


if __name__ == "__main__":
    {"dump": dump, "package": package, "foreign": foreign}[sys.argv[1]](sys.argv[2])
