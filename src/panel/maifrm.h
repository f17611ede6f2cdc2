#pragma once
// The main panel: picture buttons, layer switches, the point display toggle,
// the fold label and (unfolded) the boundary-walk record block.
#include <functional>
#include <string>

#include "common/form_model.h"

namespace korvane::panel {

class Workspace;

inline constexpr const char* kBuildStamp = "120819";
inline constexpr const char* kPanelTitlePrefix = "Korvane [Drovask]->";
inline constexpr int kFoldedHeight = 1550;    // twips: tool bar and layer boxes
inline constexpr int kUnfoldedHeight = 3610;  // twips: with the boundary-walk block
// Where the newest build can be had (the third line of the old-build warning).
inline constexpr const char* kDownloadNotice = "最新版本请向软件维护人员索取。";

// The change log shown at start-up, one entry a line.
extern const char* const kChangeLog[14];

// A directory as the panel's title shows it: longer than 20 characters becomes the first
// 13 characters, "..." and the last 15.
std::string title_form(const std::string& path);

class MaiFrm : public common::FormModel {
public:
    explicit MaiFrm(Workspace& ws);

    void load() override;
    void dblclick_background() override;
    // The record being edited belonged to the drawing that was active: the handle field idles.
    void drawing_changed() override;

    // The eight layer boxes: their captions, tool tips and layers.
    static constexpr int kLayerBoxes = 8;
    static const char* const kLayerCaptions[kLayerBoxes];
    static const char* const kLayerTooltips[kLayerBoxes];
    static const char* const kLayerNames[kLayerBoxes - 1];

    void apply_layer_boxes();
    void toggle_point_display();
    void toggle_fold();
    void set_title_directory(const std::string& path);
    // Hangs a command on picture button `index` (Picture1(index)) and enables it.
    void bind_button(int index, std::function<void()> command);

private:
    Workspace& ws_;
    void add_controls();
};

}  // namespace korvane::panel
