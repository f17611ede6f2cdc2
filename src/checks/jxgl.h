#pragma once
// The boundary extraction "界线提取": pull out the parcels of one unit (township, village
// or group) so that its outer boundary can be drawn or checked. 选择 lists the distinct unit
// codes among the selected parcels, each with the holder of the first parcel that carries it;
// 过滤 selects and highlights every entity of the drawing that carries the chosen code.
//
// The level picks the key from the parcel record: township value 20 (the first six characters
// of the ownership code), village value 21 (the first nine), group value 1 (the whole code).
// A unit line reads key ",|" holder.
//
// Controls: Frame1 按级别 with Option1(0) 镇, Option1(1) 村, Option1(2) 小组 (chosen at start),
// Command1 选择, Text1 the code, Command2 过滤, List1 the unit lines (click: the code into Text1
// and the line as tool tip; double-click: 过滤).
#include <optional>
#include <string>

#include "common/form_model.h"
#include "host/command_frame.h"

namespace korvane::checks {

enum class UnitLevel { Township = 0, Village = 1, Group = 2 };

inline constexpr const char* kEmptyFilterMessage = "过滤数据为空。";

// The record value that holds the unit's code at a level (20, 21, 1).
int unit_value(UnitLevel level);
// The unit line of a parcel's extended data at a level, with its key; nothing when the data is
// not a whole parcel record (fewer than 22 values).
struct UnitLine {
    std::string key;
    std::string line;
};
std::optional<UnitLine> unit_line(const host::XData& data, UnitLevel level);

class JxGL : public common::FormModel {
public:
    explicit JxGL(host::Session& session);

    void load() override;
    void resize() override;

    void select();         // Command1
    void filter();         // Command2, double-click on a line
    void list_click();     // click on a line
    void level_changed();  // click on an option
    UnitLevel level() const;

private:
    host::Session& session_;
};

}  // namespace korvane::checks
