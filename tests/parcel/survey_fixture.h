#pragma once
// A headless host with a new drawing, built up through the host interface the commands use:
// parcels with records, plain polylines, boundary-point marks with work records. The data
// folder holds the shipped survey template.
#include <cstdio>
#include <map>
#include <sstream>

#include "../common/hosted_test.h"
#include "../common/shell.h"
#include "drawing/entity.h"
#include "panel/boundary_walk.h"
#include "parcel/parcel_record.h"

namespace korvane::parcel::testing {

using host::InputAnswer;

struct Xy {
    double x, y;
};

class SurveyFixture : public test::HostedTest {
protected:
    void SetUp() override {
        HostedTest::SetUp();
        std::filesystem::copy_file(source("data/集体土地权属调查表.xlsx"), dir / "data" / "集体土地权属调查表.xlsx");
        host.start();
        host.new_document();
    }

    host::DocumentPtr doc() { return host.application()->ActiveDocument(); }
    host::ModelSpacePtr ms() { return doc()->ModelSpace(); }
    host::EntityPtr entity(const std::string& handle) { return doc()->HandleToObject(handle); }
    drawing::Entity engine(const std::string& handle) {
        drawing::Document& d = host.active()->doc();
        return drawing::Entity(d, d.find_handle(handle));
    }

    // A closed lightweight polyline; with a holder, it carries a parcel record.
    std::string polyline(const std::vector<Xy>& pts, const std::string& holder = {},
                         const std::string& number = "000001", const std::string& code = "440123101001") {
        std::vector<double> xy;
        for (const Xy& p : pts) {
            xy.push_back(p.x);
            xy.push_back(p.y);
        }
        host::EntityPtr e = ms()->AddLightWeightPolyline(xy);
        e->SetClosed(true);
        if (!holder.empty()) {
            doc()->Layers()->Add("独有宗地");
            e->SetLayer("独有宗地");
            e->Setcolor(4);
            ParcelAttributeRecord r;
            r.value(Item::YSDM) = code;
            r.value(Item::ZDH) = number;
            r.value(Item::TDQLR) = holder;
            r.value(Item::ZDSZ) = "旧的四至";
            r.value(Item::EAST) = "东";
            r.value(Item::SOUTH) = "南";
            r.value(Item::WEST) = "西";
            r.value(Item::NORTH) = "北";
            write_parcel_record(*e, r);
        }
        return e->Handle();
    }
    std::string square(double x, double y, double size, const std::string& holder = {},
                       const std::string& number = "000001") {
        return polyline({{x, y}, {x + size, y}, {x + size, y + size}, {x, y + size}}, holder, number);
    }

    // A boundary-point mark: a point with a work record, on the layer of marks still to be numbered.
    std::string mark(double x, double y, const std::string& description = "沟渠,中",
                     const std::string& layer = "今后界址点") {
        host::EntityPtr p = ms()->AddPoint({x, y, 0});
        doc()->Layers()->Add(layer);
        p->SetLayer(layer);
        p->Setcolor(2);
        p->SetXData(panel::make_work_record({"2026-12-06", "测绘队", "村民推选代表", "村委", description, "9999"}, true));
        return p->Handle();
    }
    void select(const std::vector<std::string>& handles) { input.push(InputAnswer::selection(handles)); }
    void integer(long n) { input.push(InputAnswer::whole(n)); }

    std::vector<std::string> items(const std::string& handle) {
        std::vector<std::string> out;
        host::XData d = entity(handle)->GetXData("");
        for (size_t i = 1; i < d.size(); ++i) out.push_back(d.text(i));
        return out;
    }
    ParcelAttributeRecord record(const std::string& handle) { return read_parcel_record(*entity(handle)).record; }

    bool line_shown(const std::string& text) { return transcript.contains(text); }
    size_t lines_with(const std::string& text) {
        size_t n = 0;
        for (const auto& l : transcript.lines())
            if (l.find(text) != std::string::npos) ++n;
        return n;
    }

    // Model-space entities of a type, in drawing order.
    std::vector<drawing::Entity> of_type(const std::string& type) {
        std::vector<drawing::Entity> out;
        drawing::Document& d = host.active()->doc();
        for (auto id : host.active()->modelspace()) {
            drawing::Entity e(d, id);
            if (e.type() == type) out.push_back(e);
        }
        return out;
    }

    // The cells of a saved workbook as openpyxl reads them: "SHEET!CELL" -> "s:text" or "n:number".
    std::map<std::string, std::string> cells(const std::filesystem::path& workbook) {
        int status = 0;
        std::string out = test::run(test::python_command("tests/sheets/workbook_facts.py", {"dump", workbook.string()}), &status);
        EXPECT_EQ(status, 0) << out;
        std::map<std::string, std::string> values;
        std::istringstream in(out);
        std::string line;
        while (std::getline(in, line)) {
            std::vector<std::string> f;
            std::istringstream fields(line);
            std::string field;
            while (std::getline(fields, field, '\t')) f.push_back(field);
            if (f.size() == 5 && f[0] == "value") values[f[1] + "!" + f[2]] = f[3] + ":" + f[4];
        }
        return values;
    }
};

}  // namespace korvane::parcel::testing
