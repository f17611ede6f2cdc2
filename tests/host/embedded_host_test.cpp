#include <cmath>
#include <numbers>

#include "host_fixture.h"

namespace korvane::host::testing {

TEST_F(HostFixture, NoHostRunningGives429) {
    host.stop();
    HostError e;
    EXPECT_EQ(host.GetObject("Autocad.application", e), nullptr);
    EXPECT_EQ(e.number, kErrNoHost);
    host.start();
    e.clear();
    EXPECT_NE(host.GetObject("AutoCAD.Application", e), nullptr);
    EXPECT_EQ(e.number, 0);
}

TEST_F(HostFixture, LayersAddReturnsTheExistingLayerWhateverTheCase) {
    auto layers = doc->Layers();
    long before = layers->Count();
    auto a = layers->Add("Roads");
    auto b = layers->Add("ROADS");
    EXPECT_EQ(layers->Count(), before + 1);
    EXPECT_EQ(b->Name(), "Roads");
    a->SetLayerOn(false);
    EXPECT_FALSE(layers->Item("roads")->LayerOn());
    EXPECT_EQ(layers->Item("no such layer"), nullptr);
    EXPECT_EQ(app->Err().number, kErrNotFound);
}

TEST_F(HostFixture, ExtendedDataOfSeveralApplications) {
    auto e = entity(sq1);
    XData south;
    south.add(1001, std::string("South"));
    south.add(1000, std::string("300000"));
    e->SetXData(south);
    XData other;
    other.add(1001, std::string("OTHER"));
    other.add(1040, 2.5);
    other.add(1070, 7LL);
    other.add(1010, Point{1, 2, 3});
    e->SetXData(other);

    XData all = e->GetXData("");
    ASSERT_EQ(all.size(), 6u);
    EXPECT_EQ(all.codes[0], 1001);
    EXPECT_EQ(all.text(0), "South");
    EXPECT_EQ(all.text(1), "300000");
    EXPECT_EQ(all.codes[2], 1001);
    EXPECT_EQ(std::get<double>(all.values[3]), 2.5);
    EXPECT_EQ(std::get<long long>(all.values[4]), 7);
    EXPECT_EQ(std::get<Point>(all.values[5]), (Point{1, 2, 3}));

    EXPECT_EQ(e->GetXData("south").size(), 2u);  // by application, whatever the case
    XData broken;
    broken.add(1000, std::string("no application first"));
    e->SetXData(broken);
    EXPECT_NE(app->Err().number, 0);
}

TEST_F(HostFixture, ObjectNamesAndFailuresOnTheWrongKind) {
    EXPECT_EQ(entity(sq1)->ObjectName(), "AcDbPolyline");
    EXPECT_EQ(entity(pt)->ObjectName(), "AcDbPoint");
    EXPECT_EQ(entity(txt)->ObjectName(), "AcDbText");
    EXPECT_EQ(entity(line)->ObjectName(), "AcDbLine");
    auto poly = doc->ModelSpace()->AddPolyline({0, 0, 0, 5, 5, 0, 10, 0, 0});
    ASSERT_TRUE(poly);
    EXPECT_EQ(poly->ObjectName(), "AcDb2dPolyline");
    EXPECT_EQ(poly->Coordinates().size(), 9u);

    app->Err().clear();
    EXPECT_TRUE(entity(pt)->Coordinates().empty());
    EXPECT_EQ(app->Err().number, kErrNotSupported);
    EXPECT_EQ(entity("FFFFF"), nullptr);
}

// Area, width, elevation and extents are read back from what the tools make with them: the
// automatic check's area findings, line_width, exchange_table (ezdxf), gis_layers (ogrinfo), the
// labels at the box centres (map_labels).
TEST_F(HostFixture, PolylineMembers) {
    auto e = entity(sq1);
    EXPECT_TRUE(e->Closed());
    auto c = e->Coordinates();
    ASSERT_EQ(c.size(), 8u);
    EXPECT_EQ(c[2], 10.0);
    e->Move({0, 0, 0}, {100, 0, 0});
    EXPECT_EQ(e->Coordinates()[0], 100.0);
}

TEST_F(HostFixture, SelectionSetsAreNamedAndKept) {
    auto sets = doc->SelectionSets();
    auto s = sets->Add("text");
    ASSERT_TRUE(s);
    EXPECT_EQ(sets->Add("TEXT"), nullptr);
    EXPECT_EQ(app->Err().number, kErrDuplicate);
    s->Select(5, Filter().add(0, "LWPOLYLINE").add(8, "独有宗地"));
    EXPECT_EQ(handles(s), (std::vector<std::string>{sq1, sq3}));
    // A member erased leaves the set, even when writes to the other one came first.
    s->Item(1)->Setcolor(3);
    EXPECT_EQ(s->Count(), 2);
    s->Item(0)->Delete();
    s->Item(0)->Setcolor(2);
    EXPECT_EQ(handles(s), (std::vector<std::string>{sq3}));
    // The set is still there for the next command, until deleted.
    auto again = doc->SelectionSets()->Item("text");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->Count(), 1);
    again->Delete();
    app->Err().clear();
    EXPECT_EQ(doc->SelectionSets()->Item("text"), nullptr);
    EXPECT_EQ(s->Count(), 0);
    EXPECT_NE(app->Err().number, 0);
}

TEST_F(HostFixture, OnScreenSelectionAndPicksFromTheInputSource) {
    InputAnswer pick;
    pick.type = InputAnswer::Type::Selection;
    pick.handles = {sq3, pt, sq1};
    input.push(pick);
    auto s = fresh_set("text");
    s->SelectOnScreen(Filter().add(0, "LWPOLYLINE"));
    EXPECT_EQ(handles(s), (std::vector<std::string>{sq3, sq1}));

    InputAnswer at;
    at.type = InputAnswer::Type::EntityAt;
    at.point = {10.0, 5.0, 0};  // on the shared edge: the later square is on top
    input.push(at);
    EntityPtr e;
    Point picked;
    ASSERT_TRUE(doc->Utility()->GetEntity(e, picked, "请选择范围线："));
    EXPECT_EQ(e->Handle(), sq2);
    EXPECT_TRUE(transcript.contains("请选择范围线："));

    input.push(InputAnswer::cancel());
    app->Err().clear();
    EXPECT_FALSE(doc->Utility()->GetEntity(e, picked, "选择"));
    EXPECT_EQ(e, nullptr);
    EXPECT_EQ(app->Err().number, kErrFail);

    // Nothing queued: the prompt fails like Esc and the script records why.
    EXPECT_FALSE(doc->Utility()->GetPoint(std::nullopt, "请选择点位:"));
    EXPECT_TRUE(input.failed());
}

TEST_F(HostFixture, UtilityInputAndGeometry) {
    InputAnswer s;
    s.type = InputAnswer::Type::Text;
    s.text = "沟渠 中";
    input.push(s);
    input.push(s);
    EXPECT_EQ(doc->Utility()->GetString(true, "调查人：").value(), "沟渠 中");
    EXPECT_EQ(doc->Utility()->GetString(false, "代码：").value(), "沟渠");
    input.push(InputAnswer::enter());
    EXPECT_EQ(doc->Utility()->GetString(true, "x").value(), "");
    auto u = doc->Utility();
    EXPECT_NEAR(u->AngleFromXAxis({0, 0, 0}, {0, -1, 0}), 1.5 * std::numbers::pi, 1e-12);
    Point p = u->PolarPoint({1, 1, 0}, std::numbers::pi / 2, 2);
    EXPECT_NEAR(p.x, 1, 1e-12);
    EXPECT_NEAR(p.y, 3, 1e-12);
}

TEST_F(HostFixture, UndoMarkMakesOneStep) {
    drawing::Document& d = host.active()->doc();
    long before = doc->ModelSpace()->Count();
    doc->StartUndoMark();
    auto e = doc->ModelSpace()->AddPoint({1, 1, 0});
    doc->Layers()->Add("今后界址点");
    e->SetLayer("今后界址点");
    entity(sq1)->Setcolor(4);
    entity(pt)->Delete();
    doc->EndUndoMark();
    std::string added = e->Handle();
    EXPECT_EQ(doc->ModelSpace()->Count(), before);  // one added, one erased

    ASSERT_TRUE(d.undo());
    EXPECT_EQ(doc->ModelSpace()->Count(), before);
    EXPECT_EQ(doc->HandleToObject(added), nullptr);
    ASSERT_TRUE(doc->HandleToObject(pt));
    EXPECT_EQ(entity(sq1)->color(), 256);
    EXPECT_EQ(drawing::find_table_entry(d, "LAYER", "今后界址点"), drawing::kNoRecord);
}

TEST_F(HostFixture, DocumentsActivateAndClose) {
    HostDocument& second = host.new_document();
    auto docs = app->Documents();
    ASSERT_EQ(docs.size(), 2u);
    EXPECT_EQ(app->ActiveDocument()->Name(), second.name());
    docs[0]->Activate();
    EXPECT_EQ(host.active_index(), 0u);
    // (ZoomWindow's view is read back by temp_drawing.scn.) Closing a drawing leaves its objects
    // failing instead of dangling.
    auto first = app->ActiveDocument();
    host.close(0);
    app->Err().clear();
    EXPECT_EQ(first->ModelSpace(), nullptr);
    EXPECT_EQ(app->Err().number, -2145386420);
}

}  // namespace korvane::host::testing
