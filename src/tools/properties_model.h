#pragma once
// What the drawing window's properties panel shows for the chosen objects and how it changes
// them: layer, colour, linetype and width (editable; a change is one undo step through the
// host), and for one parcel polyline its area, perimeter and record items (read-only).
#include <string>
#include <vector>

#include "host/host.h"

namespace korvane::tools {

// Shown where the chosen objects differ.
inline constexpr const char* kVaries = "*多种*";

enum class Property { Layer, Colour, Linetype, Width, None };

struct PropertyRow {
    std::string name;   // 图层, 颜色, ...; record items by their exchange names
    std::string value;  // kVaries where the objects differ
    Property edits = Property::None;  // None: read-only
    std::vector<std::string> choices;  // offered in a list; other text may be typed too
};

class PropertiesModel {
public:
    // Linetypes the drawing defines, offered after ByLayer and ByBlock.
    void set_linetypes(std::vector<std::string> names) { linetypes_ = std::move(names); }

    // Reads the objects of the active drawing named by `handles`; erased ones are left out.
    void read(host::Application& app, const std::vector<std::string>& handles);
    // Shows nothing (no host running).
    void clear() { handles_.clear(); rows_.clear(); title_ = "未选择对象"; }

    // "未选择对象", "多段线", "3 个对象 (多段线 2, 直线 1)".
    const std::string& title() const { return title_; }
    const std::vector<PropertyRow>& rows() const { return rows_; }
    const std::vector<std::string>& handles() const { return handles_; }

    // Gives every chosen object that has the property this value, in one undo step, and reads
    // them again. Returns the message to show when the value cannot be taken ("" when done).
    std::string apply(host::Application& app, Property what, const std::string& value);

private:
    std::vector<std::string> linetypes_;
    std::vector<std::string> handles_;
    std::string title_ = "未选择对象";
    std::vector<PropertyRow> rows_;
};

// A colour as the panel shows it ("随层", "随块", "红" ... "白", else its number) and reads it
// back (also plain numbers 0..256 and "ByLayer"/"ByBlock"); -1 when the text is no colour.
std::string colour_text(int aci);
int colour_of_text(const std::string& text);

}  // namespace korvane::tools
