#pragma once
// The batch point view "查看点位属性": lists, for every work-record point selected in the
// drawing, its place and two fields of its record, so that missing or inconsistent values
// stand out; a click on a line takes the drawing window to that point.
//
// A point line: x "," y "," description " |," plotter, x and y as "0.0". The description
// (record value 6) may hold commas itself ("沟渠,中"); " |," marks the start of the plotter
// (value 3). A point whose record cannot give values 3 and 6 gets no line.
//
// Controls: Label1 the explanation, Check1(0) 工作记录, Check1(1) 今后界址点 (both clear at
// start), Command1 选择, List1 the point lines (click: zoom there).
#include <optional>
#include <string>

#include "common/form_model.h"
#include "host/command_frame.h"

namespace korvane::checks {

// The line of a point, or nothing when its extended data has fewer than seven values.
std::optional<std::string> point_line(const host::Point& p, const host::XData& data);
// The layer list of the selection filter for the two boxes.
std::string point_layers(bool work_layer, bool future_layer);

class dwsx : public common::FormModel {
public:
    explicit dwsx(host::Session& session);

    void load() override;
    void resize() override;

    void select();      // Command1
    void show_point();  // click on a line of List1

private:
    host::Session& session_;
};

}  // namespace korvane::checks
