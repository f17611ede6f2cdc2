// The properties panel's model over a headless host: what it shows for a choice of objects, a
// parcel's measures and record, and each change as one undo step or a message.
#include "tools/properties_model.h"

#include "../host/host_fixture.h"
#include "host/host_document.h"
#include "parcel/parcel_record.h"
#include "tools/vertex_edit.h"

namespace korvane::tools::testing {
namespace {

class PropertiesModelTest : public host::testing::HostFixture {
protected:
    PropertiesModel model;
    drawing::Document& dwg() { return host.active()->doc(); }
    std::string value_of(const std::string& row) const {
        for (const auto& r : model.rows())
            if (r.name == row) return r.value;
        return "(none)";
    }
    bool editable(const std::string& row) const {
        for (const auto& r : model.rows())
            if (r.name == row) return r.edits != Property::None;
        return false;
    }
};

TEST_F(PropertiesModelTest, ShowsWhatTheChosenObjectsShare) {
    model.read(*app, {sq1, line, "FFFF"});  // a handle of nothing is left out
    EXPECT_EQ(model.title(), "2 个对象 (多段线 1, 直线 1)");
    EXPECT_EQ(model.handles(), (std::vector<std::string>{sq1, line}));
    EXPECT_EQ(value_of("图层"), kVaries);
    EXPECT_EQ(value_of("颜色"), "随层");
    EXPECT_EQ(value_of("线型"), "ByLayer");
    EXPECT_EQ(value_of("全局宽度"), "0.000");
    EXPECT_EQ(value_of("面积"), "(none)");  // only for one parcel polyline

    model.read(*app, {pt});
    EXPECT_EQ(model.title(), "点");
    EXPECT_EQ(value_of("颜色"), "红");
    EXPECT_EQ(value_of("全局宽度"), "(none)");
    model.read(*app, {});
    EXPECT_EQ(model.title(), "未选择对象");
    EXPECT_TRUE(model.rows().empty());
}

TEST_F(PropertiesModelTest, AParcelShowsItsAreaPerimeterAndRecordReadOnly) {
    parcel::ParcelAttributeRecord rec;
    rec.value(parcel::Item::ZDH) = "101001001";
    rec.value(parcel::Item::TDQLR) = "张三";
    parcel::write_parcel_record(*entity(sq1), rec);
    model.read(*app, {sq1});
    EXPECT_EQ(value_of("面积"), "100.000");
    EXPECT_EQ(value_of("周长"), "40.000");
    EXPECT_EQ(value_of("ZDH"), "101001001");
    EXPECT_EQ(value_of("TDQLR"), "张三");
    EXPECT_FALSE(editable("面积"));
    EXPECT_FALSE(editable("ZDH"));
    EXPECT_TRUE(editable("图层"));
    // A parcel layer without a record: measures, no items.
    model.read(*app, {sq2});
    EXPECT_EQ(value_of("周长"), "40.000");
    EXPECT_EQ(value_of("ZDH"), "(none)");
}

TEST_F(PropertiesModelTest, EachChangeIsOneUndoStepOrAMessage) {
    parcel::ParcelAttributeRecord rec;
    rec.value(parcel::Item::ZDH) = "101001001";
    parcel::write_parcel_record(*entity(sq1), rec);
    model.set_linetypes({"DASHED"});
    drawing::add_table_entry(dwg(), "LTYPE",
                             {dwg().make_raw(100, "AcDbLinetypeTableRecord"), dwg().make_text(2, "DASHED"),
                              dwg().make_int(70, 0)});
    struct Case {
        Property what;
        const char* value;
        const char* message;  // "" when taken
        const char* row;
        const char* shown;  // the row afterwards
    };
    const Case cases[] = {
        {Property::Layer, "道路", "", "图层", "道路"},
        {Property::Layer, "无此层", "没有名为“无此层”的图层。", "图层", "道路"},
        {Property::Colour, "红", "", "颜色", "红"},
        {Property::Colour, "30", "", "颜色", "30"},
        {Property::Colour, "300", "颜色应为 0 到 256 的数、随层或随块。", "颜色", "30"},
        {Property::Linetype, "dashed", "", "线型", "dashed"},
        {Property::Linetype, "CENTER", "没有名为“CENTER”的线型。", "线型", "dashed"},
        {Property::Width, "0.5", "", "全局宽度", "0.500"},
        {Property::Width, "-1", "宽度应为不小于 0 的数。", "全局宽度", "0.500"},
    };
    model.read(*app, {sq1, line});
    for (const Case& c : cases) {
        EXPECT_EQ(model.apply(*app, c.what, c.value), c.message) << c.value;
        EXPECT_EQ(value_of(c.row), c.shown) << c.value;
        if (*c.message == 0) {
            EXPECT_EQ(dwg().undo_name(), "特性") << c.value;
        }
    }
    // The width is the polyline's alone; the record stays on the polyline.
    EXPECT_DOUBLE_EQ(entity(sq1)->ConstantWidth(), 0.5);
    EXPECT_EQ(entity(line)->Layer(), "道路");
    EXPECT_EQ(parcel::read_parcel_record(*entity(sq1)).record.value(parcel::Item::ZDH), "101001001");
    // One step per change: undoing the width leaves the linetype.
    ASSERT_TRUE(dwg().undo());
    EXPECT_DOUBLE_EQ(entity(sq1)->ConstantWidth(), 0);
    EXPECT_EQ(entity(sq1)->Linetype(), "dashed");
}

TEST_F(PropertiesModelTest, AVertexMovesAsOneStepKeepingTheRecord) {
    parcel::ParcelAttributeRecord rec;
    rec.value(parcel::Item::ZDH) = "101001001";
    parcel::write_parcel_record(*entity(sq1), rec);
    EXPECT_TRUE(move_vertex(*app, sq1, 2, {12, 11, 0}));
    EXPECT_EQ(entity(sq1)->Coordinates(), (std::vector<double>{0, 0, 10, 0, 12, 11, 0, 10}));
    EXPECT_EQ(dwg().undo_name(), "夹点编辑");
    EXPECT_EQ(parcel::read_parcel_record(*entity(sq1)).record.value(parcel::Item::ZDH), "101001001");
    EXPECT_FALSE(move_vertex(*app, sq1, 4, {0, 0, 0}));  // no fifth vertex
    EXPECT_FALSE(move_vertex(*app, line, 0, {0, 0, 0}));
    ASSERT_TRUE(dwg().undo());
    EXPECT_EQ(entity(sq1)->Coordinates(), (std::vector<double>{0, 0, 10, 0, 10, 10, 0, 10}));
}

}  // namespace
}  // namespace korvane::tools::testing
