"""exchange_table.scn read back: the exchange table's exact bytes (GBK, CR LF, the header of 23
names, the apostrophe, the values as stored with the comma inside one of them, areas "0.00"
with 1234.50 and 0.75, elevations from 9000) and the polylines' elevations after each run."""
from scenario_check import OUT as out, saved

table = (out.parent / "data" / "ArcGis宗地属性交换表.TXT").read_bytes()
tail = "岭南县石岗镇,石岗镇{},集体土地所有权,{a},{a},,2026-11-02,,陈建国,2026-11-20,112036000,{z},{c},"
expected = [
    "YSDM,ZDH,TDQLR,ZDSZ,EAST,SOUTH,WEST,NORTH,TXDZ,TDZL,QSXZ,SCMJ,FZMJ,TDZH,PZRQ,QSDCJS,DCY,DCRQ,OutDATA,Zen_DM,"
    "Cun_DM,Area,标高(E)",
    "'440123101001,101001,张三,李四,王五,,李四,道路,王五,沟渠," + tail.format("张三", a="1234.50", z="440123",
                                                                    c="440123101") + "1234.50,9000",
    "'440123101001/440123101002,101002,上围村民小组/下围村民小组,张三,,道路,张三,沟渠,道路,"
    + tail.format("上围村民小组/下围村民小组", a="0.75", z="440123", c="440123101") + "0.75,9001",
    "'440000009999,009999,岭南县水务局,,,,,," + tail.format("岭南县水务局", a="269.89", z="440000", c="440000009")
    + "269.89,9002",
]
assert table == "".join(line + "\r\n" for line in expected).encode("gbk"), table.decode("gbk")
lines = table.decode("gbk").split("\r\n")[1:-1]
assert all(line.startswith("'") for line in lines)
assert [len(line.split(",")) for line in lines] == [25, 24, 23]  # commas inside values add columns


def elevations(name):
    msp = saved(name).modelspace()
    z = {e.dxf.handle: e.dxf.elevation for e in msp.query("LWPOLYLINE")}
    z.update({e.dxf.handle: e.dxf.elevation.z for e in msp.query("POLYLINE")})
    return z


zero = {h: 0 for h in ["35", "36", "37", "38", "39", "3A", "3B", "3C"]}
assert elevations("exchange_first.dxf") == {**zero, "37": 9000}, elevations("exchange_first.dxf")
assert elevations("exchange.dxf") == {**zero, "35": 9000, "36": 9001, "37": 9002}, elevations("exchange.dxf")
