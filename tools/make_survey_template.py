#!/usr/bin/python3
"""Makes the collective-land ownership survey workbook template that the survey-table export
fills: data/集体土地权属调查表.xlsx.

    /usr/bin/python3 tools/make_survey_template.py [OUT.xlsx]

Four sheets. "主表" carries the title, the right holder (H2), the parcel number (M3), the table
of boundary points in rows 6 to 39 and the note on several parcels (U21); "附表1" to "附表3"
continue the table from row 4 (to row 47). In every table row the export writes column A
(parcel number), C (point number), E (northing), G (easting), I (what the boundary runs along)
and K (where on it); each of these is the left cell of a two-column merged range. Only these
cells are filled; everything else here is the template's own layout.
"""
import sys
from pathlib import Path

from openpyxl import Workbook
from openpyxl.styles import Alignment, Border, Font, Side
from openpyxl.worksheet.properties import PageSetupProperties

OUT = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "data" / "集体土地权属调查表.xlsx"

THIN = Side(style="thin")
MEDIUM = Side(style="medium")
BOX = Border(left=THIN, right=THIN, top=THIN, bottom=THIN)
CENTRE = Alignment(horizontal="center", vertical="center", wrap_text=True)
LEFT = Alignment(horizontal="left", vertical="center", wrap_text=True)
TOP_LEFT = Alignment(horizontal="left", vertical="top", wrap_text=True)
FONT = Font(name="宋体", size=10)
BOLD = Font(name="宋体", size=10, bold=True)
TITLE = Font(name="黑体", size=18, bold=True)
NUMBER = "0.00"

# The table's columns: (first, last, heading); the export writes the first column of each.
TABLE = [("A", "B", "宗地号"), ("C", "D", "界址点号"), ("E", "F", "X坐标(北)"), ("G", "H", "Y坐标(东)"),
         ("I", "J", "界址线类别"), ("K", "L", "界址线位置")]


def box(ws, ref, value=None, font=FONT, align=CENTRE, fmt=None):
    """Merges ref (when a range), writes the value into its top-left cell, borders every cell."""
    if ":" in ref:
        ws.merge_cells(ref)
    cells = ws[ref]
    rows = cells if isinstance(cells, tuple) else ((cells,),)
    for row in rows:
        for cell in row:
            cell.border = BOX
            cell.font = font
            cell.alignment = align
            if fmt:
                cell.number_format = fmt
    first = rows[0][0]
    if value is not None:
        first.value = value
    return first


def table(ws, head_row, first_row, last_row):
    """The boundary-point table: a heading row, then empty framed rows ready for the export."""
    for first, last, heading in TABLE:
        box(ws, f"{first}{head_row}:{last}{head_row}", heading, font=BOLD)
    for r in range(first_row, last_row + 1):
        for first, last, _ in TABLE:
            fmt = NUMBER if first in ("E", "G") else "@" if first in ("A", "C") else None
            box(ws, f"{first}{r}:{last}{r}", fmt=fmt)
        ws.row_dimensions[r].height = 16


def page(ws, title_rows, landscape):
    ws.page_setup.paperSize = ws.PAPERSIZE_A3 if landscape else ws.PAPERSIZE_A4
    ws.page_setup.orientation = "landscape" if landscape else "portrait"
    ws.sheet_properties.pageSetUpPr = PageSetupProperties(fitToPage=True)
    ws.page_setup.fitToWidth = 1
    ws.page_setup.fitToHeight = 0
    ws.page_margins.left = ws.page_margins.right = 0.5
    ws.page_margins.top = ws.page_margins.bottom = 0.6
    ws.print_options.horizontalCentered = True
    ws.print_title_rows = title_rows
    ws.oddFooter.center.text = "第 &P 页，共 &N 页"


def main_sheet(ws):
    for col in "ABCDEFGHIJKL":
        ws.column_dimensions[col].width = 7.5
    for col in "MNOPQRSTUVWX":
        ws.column_dimensions[col].width = 6.5
    ws.merge_cells("A1:X1")
    ws["A1"] = "集体土地所有权权属调查表"
    ws["A1"].font = TITLE
    ws["A1"].alignment = CENTRE
    ws.row_dimensions[1].height = 36

    box(ws, "A2:G2", "土地所有权人（单位名称）", font=BOLD)
    box(ws, "H2:P2", align=LEFT)
    box(ws, "Q2:S2", "调查日期", font=BOLD)
    box(ws, "T2:X2")
    box(ws, "A3:L3", "宗地号", font=BOLD)
    box(ws, "M3:P3", align=LEFT, fmt="@")
    box(ws, "Q3:S3", "图幅号", font=BOLD)
    box(ws, "T3:X3")

    box(ws, "A4:L4", "界址点坐标及界址线", font=BOLD)
    box(ws, "M4:X5", "权属调查记事", font=BOLD)
    table(ws, 5, 6, 39)

    box(ws, "M6:P7", "所在乡镇", font=BOLD)
    box(ws, "Q6:X7")
    box(ws, "M8:P9", "所在村", font=BOLD)
    box(ws, "Q8:X9")
    box(ws, "M10:P11", "土地座落", font=BOLD)
    box(ws, "Q10:X11")
    box(ws, "M12:P13", "权属性质", font=BOLD)
    box(ws, "Q12:X13", "集体土地所有权")
    box(ws, "M14:X14", "四至", font=BOLD)
    for i, side in enumerate(("东至", "南至", "西至", "北至")):
        box(ws, f"M{15 + i}:N{15 + i}", side, font=BOLD)
        box(ws, f"O{15 + i}:X{15 + i}", align=LEFT)
    box(ws, "M19:X19", "说明", font=BOLD)
    box(ws, "M20:T20", "本表所列宗地", font=BOLD)
    box(ws, "U20:X20")
    box(ws, "M21:T30", "多地块说明", font=BOLD)
    box(ws, "U21:X30", align=TOP_LEFT)
    box(ws, "M31:P33", "调查员", font=BOLD)
    box(ws, "Q31:X33")
    box(ws, "M34:P36", "审核人", font=BOLD)
    box(ws, "Q34:X36")
    box(ws, "M37:X39", "（盖章）", align=Alignment(horizontal="right", vertical="bottom"))
    page(ws, "4:5", landscape=True)
    ws.print_area = "A1:X39"


def continuation_sheet(ws, number):
    for col in "ABCDEFGHIJKL":
        ws.column_dimensions[col].width = 8
    ws.merge_cells("A1:L1")
    ws["A1"] = f"界址点坐标及界址线（续表{number}）"
    ws["A1"].font = Font(name="黑体", size=14, bold=True)
    ws["A1"].alignment = CENTRE
    ws.row_dimensions[1].height = 28
    box(ws, "A2:L2", "接主表", align=LEFT)
    table(ws, 3, 4, 47)
    page(ws, "3:3", landscape=False)
    ws.print_area = "A1:L47"


def build(out):
    wb = Workbook()
    ws = wb.active
    ws.title = "主表"
    main_sheet(ws)
    for n in (1, 2, 3):
        continuation_sheet(wb.create_sheet(f"附表{n}"), n)
    wb.properties.creator = "Korvane"
    wb.properties.title = "集体土地所有权权属调查表"
    out.parent.mkdir(parents=True, exist_ok=True)
    wb.save(out)


if __name__ == "__main__":
    build(OUT)
    print(OUT)
