// Typed access to entities: reading parses the entity's own tags, writing edits them in
// place, and every tag nobody touched stays exactly as it was.
#include <gtest/gtest.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <random>

#include "drawing/document.h"
#include "drawing/entity.h"
#include "drawing/tables.h"
#include "drawing_support.h"

using namespace korvane::drawing;
using namespace korvane::drawing::testing;

namespace {

Document load(const Groups& groups) {
    LoadReport report;
    Document doc = Document::parse(dxf_text(groups), "test.dxf", &report);
    EXPECT_TRUE(report.warnings.empty()) << report.warnings.front();
    return doc;
}

Entity entity(Document& doc, const char* handle) {
    RecordId id = doc.find_handle(handle);
    EXPECT_NE(id, kNoRecord) << handle;
    return Entity(doc, id);
}

std::vector<int> codes(const Entity& e) {
    std::vector<int> out;
    for (const Tag& t : e.rec().tags) out.push_back(t.code);
    return out;
}

std::vector<std::string> raws(const Document& doc, const Record& r, size_t from = 0) {
    std::vector<std::string> out;
    for (size_t i = from; i < r.tags.size(); ++i) out.push_back(std::string(doc.raw(r.tags[i])));
    return out;
}

// The drawing in GBK (R2004, ANSI_936), with the same entities.
Groups gbk_groups() {
    TextCodec gbk = TextCodec::for_drawing("AC1018", "ANSI_936");
    Groups g = replaced(r2010_groups(), 1, "AC1024", "AC1018");
    for (auto& [code, value] : g) value = gbk.encode(value);
    return g;
}

// Inserts groups into the record of the entity with `handle`, before its extended data.
Groups with_groups(Groups g, const std::string& handle, const Groups& add, bool at_end = false) {
    auto it = std::find(g.begin(), g.end(), std::pair<int, std::string>(5, handle));
    auto end = std::find_if(it + 1, g.end(), [&](const auto& p) { return p.first == 0 || (!at_end && p.first == 1001); });
    g.insert(end, add.begin(), add.end());
    return g;
}

// Each item as "code value" (points "code x,y,z").
std::vector<std::string> shown(const std::vector<XDataItem>& items) {
    std::vector<std::string> out;
    for (const XDataItem& i : items) {
        std::string v = i.is_string() ? i.text
                        : i.code < 1040  ? format_real(i.point.x) + "," + format_real(i.point.y) + "," + format_real(i.point.z)
                        : i.code < 1070  ? format_real(i.real)
                                         : std::to_string(i.integer);
        out.push_back(std::to_string(i.code) + " " + v);
    }
    return out;
}

const Groups every_xdata_code = {
    {1001, "South"}, {1000, "张三"}, {1002, "{"}, {1003, "独有宗地"}, {1004, "0A0BFF"}, {1005, "4B"}, {1002, "}"},
    {1001, "ACAD"}, {1010, "1.5"}, {1020, "2.5"}, {1030, "3.5"}, {1011, "548000.25"}, {1021, "2543000.5"},
    {1031, "0.0"}, {1012, "0.5"}, {1022, "0.25"}, {1032, "0.0"}, {1013, "0.0"}, {1023, "0.0"}, {1033, "1.0"},
    {1040, "0.125"}, {1041, "2.0"}, {1042, "0.5"}, {1070, "-3"}, {1071, "70000"},
};

}  // namespace

TEST(EntityAccess, LayerAndColourReadAndEditInPlace) {
    Document doc = load(r2010_groups());
    Entity parcel = entity(doc, "40");
    EXPECT_EQ(parcel.type(), "LWPOLYLINE");
    EXPECT_EQ(parcel.handle_text(), "40");
    EXPECT_EQ(parcel.layer(), "独有宗地");
    EXPECT_EQ(parcel.color(), 256) << "no colour group: by layer";
    EXPECT_EQ(entity(doc, "41").color(), 5);

    std::vector<int> before = codes(parcel);
    parcel.set_layer("工作记录");
    parcel.set_color(1);
    EXPECT_EQ(parcel.layer(), "工作记录");
    EXPECT_EQ(parcel.color(), 1);
    std::vector<int> after = codes(parcel);
    auto layer_at = std::find(before.begin(), before.end(), 8) - before.begin();
    before.insert(before.begin() + layer_at + 1, 62);
    EXPECT_EQ(after, before) << "the colour goes right after the layer; nothing else moves";
    parcel.set_color(256);
    EXPECT_EQ(parcel.color(), 256);
    EXPECT_NE(doc.to_dxf().find("  8\n工作记录\n 62\n256\n100\nAcDbPolyline\n"), std::string::npos);
}

TEST(EntityAccess, ExtendedDataOfSeveralApplicationsAndEveryGroupCodeInOrder) {
    Document doc = load(with_groups(r2010_groups(), "4B", every_xdata_code, true));
    Entity line = entity(doc, "4B");
    EXPECT_EQ(line.xdata_apps(), (std::vector<std::string>{"South", "ACAD"}));
    // Points are one item of three groups; binary data is its hex text.
    EXPECT_EQ(shown(line.xdata()),
              (std::vector<std::string>{"1001 South", "1000 张三", "1002 {", "1003 独有宗地", "1004 0A0BFF", "1005 4B", "1002 }",
                                        "1001 ACAD", "1010 1.5,2.5,3.5", "1011 548000.25,2543000.5,0.0", "1012 0.5,0.25,0.0",
                                        "1013 0.0,0.0,1.0", "1040 0.125", "1041 2.0", "1042 0.5", "1070 -3", "1071 70000"}));
    std::vector<XDataItem> south = line.xdata("SOUTH");
    ASSERT_EQ(south.size(), 7u) << "application names match without regard to case";
    EXPECT_EQ(south[0].text, "South") << "and read as written";
    EXPECT_TRUE(line.xdata("nobody").empty());
}

// What ezdxf reads back after such edits (the data replaced, the others kept, a new application
// registered and spelled as registered) is ezdxf_interop.py's; here where things go and removal.
TEST(EntityAccess, SetXdataReplacesItsApplicationWhereItWasAndRemoveTakesItOut) {
    Document doc = load(with_groups(r2010_groups(), "4B", every_xdata_code, true));
    Entity line = entity(doc, "4B");
    line.set_xdata({XDataItem::app("south"), XDataItem::string("JC0002"), XDataItem::int_value(2), XDataItem::real_value(1.25)});
    EXPECT_EQ(line.xdata_apps(), (std::vector<std::string>{"South", "ACAD"})) << "replaced where it was, spelled as before";
    EXPECT_EQ(shown(line.xdata("South")), (std::vector<std::string>{"1001 South", "1000 JC0002", "1070 2", "1040 1.25"}));
    line.set_xdata({XDataItem::app("Brand_New"), XDataItem::point_value({1, 2, 3}, 1011)});
    EXPECT_EQ(line.xdata_apps().back(), "Brand_New");
    line.remove_xdata("acad");
    EXPECT_EQ(line.xdata_apps(), (std::vector<std::string>{"South", "Brand_New"}));
}

// A value written as it stands keeps its tag, read from the file; one with new text, or the same
// text under another group code, is stored anew.
TEST(EntityAccess, SetXdataStoresOnlyWhatChanged) {
    Document doc = load(with_groups(r2010_groups(), "4B", every_xdata_code, true));
    Entity line = entity(doc, "4B");
    auto stored = [&] {
        std::vector<std::string> out;
        for (size_t i = line.xdata_start(); i < line.rec().tags.size(); ++i)
            if (const Tag& t = line.rec().tags[i]; t.owned) out.push_back(std::to_string(t.code) + " " + std::string(doc.raw(t)));
        return out;
    };
    const std::vector<std::string> before = raws(doc, line.rec());
    std::vector<XDataItem> acad = line.xdata("ACAD");
    line.set_xdata(acad);
    EXPECT_EQ(raws(doc, line.rec()), before);
    EXPECT_TRUE(stored().empty());
    acad[6].real = 0.75;  // 1041 2.0
    acad[8].code = 1071;  // 1070 -3
    line.set_xdata(acad);
    EXPECT_EQ(stored(), (std::vector<std::string>{"1041 0.75", "1071 -3"}));
    EXPECT_EQ(shown(line.xdata("ACAD"))[8], "1071 -3");
}

TEST(EntityAccess, ExtendedDataLimitsGiveClearErrorsAndChangeNothing) {
    Document doc = load(r2010_groups());
    Entity parcel = entity(doc, "40");
    std::vector<std::string> before = raws(doc, parcel.rec());
    size_t appids = table_entries(doc, "APPID").size();
    auto rejects = [&](std::vector<XDataItem> items, const std::string& says) {
        try {
            parcel.set_xdata(items);
            ADD_FAILURE() << "accepted; expected: " << says;
        } catch (const XDataError& e) {
            EXPECT_NE(std::string(e.what()).find(says), std::string::npos) << e.what();
        }
        EXPECT_EQ(raws(doc, parcel.rec()), before) << says;
        EXPECT_EQ(table_entries(doc, "APPID").size(), appids) << says;
    };
    auto app = XDataItem::app("New_App");
    rejects({app, XDataItem::string(std::string(256, 'x'))}, "longer than 255 bytes");
    // Bytes, not characters: 86 Chinese characters are 258 bytes of UTF-8.
    std::string chinese;
    for (int i = 0; i < 86; ++i) chinese += "宗";
    rejects({app, XDataItem::string(chinese)}, "longer than 255 bytes");
    rejects({app, XDataItem::string("{", 1002)}, "unbalanced braces");
    rejects({app, XDataItem::string("}", 1002), XDataItem::string("{", 1002)}, "unbalanced braces");
    rejects({app, XDataItem::string("(", 1002)}, "must be { or }");
    rejects({app, XDataItem::int_value(40000)}, "16-bit");
    rejects({app, XDataItem::int_value(1LL << 33, 1071)}, "32-bit");
    rejects({app, XDataItem::real_value(std::nan(""))}, "finite");
    rejects({app, XDataItem::string("two\nlines")}, "line break");
    rejects({app, XDataItem::string("XYZ", 1004)}, "hexadecimal");
    rejects({app, XDataItem::string("zz", 1005)}, "hexadecimal");
    rejects({XDataItem::string("no application")}, "1001 application name");
    rejects({XDataItem::app("")}, "1001 application name");
    rejects({app, XDataItem::app("Second")}, "one application");
    rejects({app, XDataItem::int_value(1, 1080)}, "not an extended-data group code");
    rejects({XDataItem::app(std::string(32, 'A'))}, "longer than 31 bytes");
    // 16 KB for all applications of an entity together.
    std::vector<XDataItem> big = {app};
    for (int i = 0; i < 70; ++i) big.push_back(XDataItem::string(std::string(250, 'a' + i % 26)));
    rejects(big, "16 KB");
    std::vector<XDataItem> half = {XDataItem::app("South")};
    for (int i = 0; i < 35; ++i) half.push_back(XDataItem::string(std::string(250, 'b')));
    parcel.set_xdata(half);
    before = raws(doc, parcel.rec());
    appids = table_entries(doc, "APPID").size();
    half[0] = app;
    rejects(half, "16 KB");  // fits alone, not together with South's data
    // 255 bytes is still allowed.
    std::string c85;
    for (int i = 0; i < 85; ++i) c85 += "宗";
    EXPECT_NO_THROW(parcel.set_xdata({XDataItem::app("South"), XDataItem::string(c85)}));
}

TEST(EntityAccess, ExtendedDataLimitCountsBytesOfTheDrawingsEncoding) {
    Document doc = load(gbk_groups());
    Entity parcel = entity(doc, "40");
    EXPECT_EQ(parcel.xdata("South")[2].text, "张三") << "GBK decoded";
    std::string c127, c128;
    for (int i = 0; i < 127; ++i) c127 += "宗";
    c128 = c127 + "宗";
    EXPECT_NO_THROW(parcel.set_xdata({XDataItem::app("South"), XDataItem::string(c127)})) << "254 bytes of GBK";
    EXPECT_THROW(parcel.set_xdata({XDataItem::app("South"), XDataItem::string(c128)}), XDataError) << "256 bytes";
    EXPECT_EQ(parcel.xdata("South")[1].text, c127);
}

TEST(EntityAccess, LightweightPolyline) {
    Document doc = load(r2010_groups());
    Entity pl = entity(doc, "40");
    EXPECT_TRUE(pl.is_polyline());
    EXPECT_FALSE(pl.is_3d_polyline());
    EXPECT_EQ(pl.vertices(), (std::vector<Point3>{{548000, 2543000, 0}, {548020, 2543000, 0}, {548020, 2543020, 0},
                                                  {548000, 2543020, 0}}));
    EXPECT_EQ(pl.bulges(), (std::vector<double>{0, 0.5, 0, 0}));
    EXPECT_TRUE(pl.closed());
    EXPECT_EQ(pl.constant_width(), 0.0);
    EXPECT_EQ(pl.elevation(), 0.0);
    std::vector<std::string> xdata_before = raws(doc, pl.rec(), pl.xdata_start());

    pl.set_vertices({{1, 2, 0}, {3, 4, 0}, {5, 6.5, 0}}, {0, 0, -1});
    pl.set_closed(false);
    pl.set_elevation(12.5);
    pl.set_constant_width(0.25);
    EXPECT_EQ(pl.vertices(), (std::vector<Point3>{{1, 2, 12.5}, {3, 4, 12.5}, {5, 6.5, 12.5}})) << "z is the elevation";
    EXPECT_EQ(pl.bulges(), (std::vector<double>{0, 0, -1}));
    EXPECT_FALSE(pl.closed());
    EXPECT_EQ(pl.integer(90), 3);
    EXPECT_EQ(pl.constant_width(), 0.25);
    EXPECT_EQ(pl.elevation(), 12.5);
    EXPECT_EQ(raws(doc, pl.rec(), pl.xdata_start()), xdata_before) << "extended data stays";

    Document again = Document::parse(doc.to_dxf(), "again");
    Entity re(again, again.find_handle("40"));
    EXPECT_EQ(re.vertices(), pl.vertices());
    EXPECT_EQ(re.bulges(), pl.bulges());
}

TEST(EntityAccess, ConstantWidthReplacesPerVertexWidths) {
    Groups g = r2010_groups();
    auto v = std::find(g.begin(), g.end(), std::pair<int, std::string>(20, "2543000.0"));
    g.insert(v + 1, {{40, "1.0"}, {41, "2.0"}});
    Document doc = load(g);
    Entity pl = entity(doc, "40");
    EXPECT_EQ(pl.vertices().size(), 4u);
    pl.set_constant_width(0.5);
    for (const Tag& t : pl.rec().tags) EXPECT_TRUE(t.code != 40 && t.code != 41);
    EXPECT_EQ(pl.constant_width(), 0.5);
}

TEST(EntityAccess, OldStylePolylineWithVertexRecords) {
    Document doc = load(r2010_groups());
    Entity pl = entity(doc, "41");
    EXPECT_TRUE(pl.is_polyline());
    EXPECT_FALSE(pl.is_3d_polyline());
    EXPECT_EQ(pl.vertices(), (std::vector<Point3>{{0, 0, 0}, {10, 0, 0}, {10, 5, 0}}));
    EXPECT_EQ(pl.bulges(), (std::vector<double>{0.25, 0, 0}));
    EXPECT_FALSE(pl.closed());

    pl.set_closed(true);
    pl.set_vertices({{0, 0, 0}, {10, 0, 0}, {10, 5, 0}, {0, 5, 0}}, {0, 0, 0.5, 0});
    EXPECT_TRUE(pl.closed());
    EXPECT_EQ(pl.vertices().size(), 4u);
    EXPECT_EQ(pl.bulges(), (std::vector<double>{0, 0, 0.5, 0}));
    const Record& r = pl.rec();
    ASSERT_EQ(r.followers.size(), 5u);
    EXPECT_EQ(doc.type(r.followers.back()), "SEQEND");
    Entity added(doc, r.followers[3]);
    EXPECT_GE(added.handle(), 0x100u) << "a fresh handle from $HANDSEED";
    EXPECT_EQ(doc.find_handle(added.handle()), r.followers[3]);
    EXPECT_EQ(added.text_of(330), "41");

    pl.set_vertices({{0, 0, 0}, {10, 0, 0}});
    EXPECT_EQ(pl.vertices().size(), 2u);
    EXPECT_EQ(doc.find_handle("44"), kNoRecord) << "vertices beyond the new count are erased";
    std::string out = doc.to_dxf();
    EXPECT_EQ(out.find("\n  5\n44\n"), std::string::npos);
    Document again = Document::parse(out, "again");
    EXPECT_EQ(Entity(again, again.find_handle("41")).vertices().size(), 2u);
}

TEST(EntityAccess, ThreeDimensionalPolylineAndPolylineWithoutVertices) {
    Groups g = replaced(r2010_groups(), 100, "AcDb2dPolyline", "AcDb3dPolyline");
    auto flags = std::find(g.begin(), g.end(), std::pair<int, std::string>(5, "41"));
    flags = std::find(flags, g.end(), std::pair<int, std::string>(70, "0"));
    flags->second = "8";
    Document doc = load(g);
    Entity pl = entity(doc, "41");
    EXPECT_TRUE(pl.is_3d_polyline());
    pl.set_vertices({{0, 0, 1}, {1, 1, 2}, {2, 0, 3}, {3, 3, 4}});
    EXPECT_EQ(pl.vertices().back(), (Point3{3, 3, 4})) << "a 3D polyline keeps z";

    // A polyline that lost its vertices gets whole new ones: handle, owner, subclass markers.
    pl.set_vertices({});
    EXPECT_TRUE(pl.vertices().empty());
    pl.set_vertices({{5, 5, 5}});
    RecordId vid = kNoRecord;
    for (RecordId f : pl.rec().followers)
        if (!doc.record(f).erased && doc.type(f) == "VERTEX") vid = f;
    ASSERT_NE(vid, kNoRecord);
    Entity v(doc, vid);
    EXPECT_NE(v.handle(), 0u);
    EXPECT_EQ(v.text_of(330), "41");
    EXPECT_EQ(v.point(10), (Point3{5, 5, 5}));
}

TEST(EntityAccess, TextAndMtext) {
    Document doc = load(r2010_groups());
    Entity text = entity(doc, "49");
    EXPECT_EQ(text.text(), "宗地 JC0001");
    EXPECT_EQ(text.halign(), 1);
    EXPECT_EQ(text.valign(), 2);
    // New texts of every version, as ezdxf reads them back, are ezdxf_interop.py's; here how MTEXT
    // splits a long one.

    Entity mtext = entity(doc, "4A");
    EXPECT_EQ(mtext.text(), "第一段，第二段") << "the 3 chunks come before the final 1";
    std::string long_text;
    for (int i = 0; i < 100; ++i) long_text += "界址";  // 600 bytes of UTF-8
    mtext.set_text(long_text + "\n末行");
    EXPECT_EQ(mtext.text(), long_text + "\\P末行") << "a line break is a paragraph code";
    size_t chunks = 0;
    for (size_t i = 1; i < mtext.xdata_start(); ++i) {
        const Tag& t = mtext.rec().tags[i];
        if (t.code != 3 && t.code != 1) continue;
        ++chunks;
        EXPECT_LE(doc.raw(t).size(), 250u);
        EXPECT_TRUE(is_valid_utf8(doc.raw(t))) << "no character is cut between chunks";
    }
    EXPECT_EQ(chunks, 3u);
    EXPECT_EQ(mtext.text_of(7), "Standard") << "the other groups stay";
}

TEST(EntityAccess, UntouchedTagsAreWrittenByteForByte) {
    // Values padded and formatted as some writers do: they must come back exactly so.
    Groups g = replaced(r2010_groups(), 10, "548000.0", "  548000.000000");
    g = replaced(g, 70, "1", "     1");
    Document doc = load(g);
    entity(doc, "49").set_text("改");
    entity(doc, "40").set_color(2);
    std::string out = doc.to_dxf();
    EXPECT_NE(out.find(" 10\n  548000.000000\n"), std::string::npos);
    EXPECT_NE(out.find(" 70\n     1\n"), std::string::npos);
    // Everything but the two edits is the original text.
    std::string original = dxf_text(g);
    std::string edited_back = out;
    auto replace_once = [](std::string& s, const std::string& a, const std::string& b) {
        size_t at = s.find(a);
        ASSERT_NE(at, std::string::npos) << a;
        s.replace(at, a.size(), b);
    };
    replace_once(edited_back, "  1\n改\n", "  1\n宗地 JC0001\n");
    replace_once(edited_back, "  8\n独有宗地\n 62\n2\n", "  8\n独有宗地\n");
    EXPECT_EQ(edited_back, original);
}

TEST(EntityAccess, RealsReadAsTheStandardReaderReadsThem) {
    // Plain decimals take a short cut; every value must still be the double std::from_chars gives.
    Document doc = Document::create();
    std::mt19937_64 rng(19);
    std::vector<std::string> values = {"-0", "+1.5", " 42.25 ", "1.", ".5", "1e3", "12.5x", "nan", "-", "",
                                       "1234567890123456", "0.1234567890123456", "99999999999999.9", "548000.1234567"};
    for (int i = 0; i < 20000; ++i) {  // up to 17 digits, the point anywhere among them
        std::string digits = std::to_string(rng() % 100000000000000000ull);
        digits = digits.substr(0, 1 + rng() % digits.size());
        size_t point = rng() % (digits.size() + 1);
        values.push_back((rng() % 2 ? "-0" : "0") + digits.substr(0, point) + "." + digits.substr(point));
    }
    for (const std::string& v : values) {
        std::string_view t = v;
        t.remove_prefix(std::min(t.find_first_not_of(" +"), t.size()));
        t = t.substr(0, t.find_last_not_of(' ') + 1);
        double want = 0, got = doc.real(doc.make_raw(40, v));
        std::from_chars(t.data(), t.data() + t.size(), want);
        EXPECT_TRUE(std::memcmp(&got, &want, sizeof got) == 0) << v << ": " << got << " vs " << want;
    }
}
