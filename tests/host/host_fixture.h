#pragma once
// A headless embedded host over a small real drawing, driven through the
// automation interface as the tools drive it.
#include <gtest/gtest.h>

#include "drawing/create.h"
#include "drawing/entity.h"
#include "drawing/tables.h"
#include "host/embedded_host.h"
#include "host/input_source.h"

namespace korvane::host::testing {

class HostFixture : public ::testing::Test {
protected:
    ScriptInput input;
    RecordingTranscript transcript;
    EmbeddedHost host{input, transcript};
    HostError err;
    ApplicationPtr app;
    DocumentPtr doc;

    // Three adjacent 10 x 10 squares on parcel layers, a point, a text and a line.
    std::string sq1, sq2, sq3, pt, txt, line;

    void SetUp() override {
        HostDocument& hd = host.new_document();
        drawing::Document& d = hd.doc();
        using drawing::Point3;
        auto square = [&](double x, double y, const char* layer) {
            auto id = drawing::add_lwpolyline(d, {{x, y, 0}, {x + 10, y, 0}, {x + 10, y + 10, 0}, {x, y + 10, 0}}, true, layer);
            return drawing::Entity(d, id).handle_text();
        };
        sq1 = square(0, 0, "独有宗地");
        sq2 = square(10, 0, "共有宗地");
        sq3 = square(20, 0, "独有宗地");
        auto p = drawing::add_point(d, {5, 5, 0}, "工作记录");
        drawing::Entity(d, p).set_color(1);
        pt = drawing::Entity(d, p).handle_text();
        txt = drawing::Entity(d, drawing::add_text(d, "张三", {2, 2, 0}, 2.5, "注记")).handle_text();
        line = drawing::Entity(d, drawing::add_line(d, {0, -5, 0}, {30, -5, 0}, "道路")).handle_text();
        hd.zoom_extents(host.screen_width(), host.screen_height());
        app = host.GetObject("Autocad.application", err);
        ASSERT_TRUE(app);
        doc = app->ActiveDocument();
        ASSERT_TRUE(doc);
    }

    EntityPtr entity(const std::string& handle) { return doc->HandleToObject(handle); }
    std::vector<std::string> handles(const SelectionSetPtr& set) {
        std::vector<std::string> out;
        for (long i = 0; i < set->Count(); ++i) out.push_back(set->Item(i)->Handle());
        return out;
    }
    SelectionSetPtr fresh_set(const std::string& name) {
        auto sets = doc->SelectionSets();
        if (auto old = sets->Item(name)) old->Delete();
        app->Err().clear();
        return sets->Add(name);
    }
};

}  // namespace korvane::host::testing
