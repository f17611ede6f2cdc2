// The image directory menu "目录" through the menu form's entries: the remembered three, letter
// case, the panel's title, the images that follow a new directory. (The clip text the frames and
// 图像裁剪 send is read back from their clips by map_frames.check.py and image_tiles.check.py.)
#include <filesystem>
#include <fstream>

#include "common/maimod.h"
#include "drawing/image.h"
#include "host/host_document.h"
#include "host/image_relink.h"
#include "panel_fixture.h"
#include "tools/image_settings.h"

namespace korvane::panel::testing {
namespace {

class ImageMenuTest : public PanelFixture {
protected:
    void choose_other(const std::string& folder) {
        ui.push({common::UiAnswer::Kind::Folder, folder});
        ws.fck().click("FCK_GetfoldernameAt4");
    }
    std::vector<std::string> entries() {
        std::vector<std::string> out;
        for (int k = 1; k <= 3; ++k) out.push_back(ws.fck().directory_entry(k).text);
        return out;
    }
    std::string setting(const char* key) { return common::setting_read(settings, key); }
};

TEST_F(ImageMenuTest, NewDirectoriesGoFirstAndTheFourthDropsTheOldest) {
    ws.maifrm();
    for (const char* dir : {"/tiles/a", "/tiles/b", "/tiles/c", "/tiles/d-with-a-long-name-of-31"})
        choose_other(dir);
    EXPECT_EQ(entries(), (std::vector<std::string>{"/tiles/d-with-a-long-name-of-31", "/tiles/c", "/tiles/b"}));
    EXPECT_EQ(setting("Filepath3"), "/tiles/b");
    EXPECT_EQ(setting("Filepath"), "/tiles/d-with-a-long-name-of-31");
    EXPECT_EQ(ws.maifrm().caption, "Korvane [Drovask]->/tiles/d-with...long-name-of-31");
    EXPECT_TRUE(ui.message_contains("[[Halvex]] 图像工作目录为：[/tiles/d-with-a-long-name-of-31]       "));

    // Another spelling of a remembered one only becomes the current directory.
    size_t shown = ui.messages().size();
    choose_other("/TILES/C");
    EXPECT_EQ(entries()[0], "/tiles/d-with-a-long-name-of-31");
    EXPECT_EQ(setting("Filepath"), "/TILES/C");
    EXPECT_EQ(ui.messages().size(), shown);

    // A remembered entry; an entry that remembers nothing does nothing.
    ws.fck().click("FCK_GetfoldernameAt3");
    EXPECT_EQ(setting("Filepath"), "/tiles/b");
    EXPECT_EQ(ws.maifrm().caption, "Korvane [Drovask]->/tiles/b");
    ws.fck().directory_entry(2).text = tools::kNothingRemembered;
    ws.fck().click("FCK_GetfoldernameAt2");
    EXPECT_EQ(setting("Filepath"), "/tiles/b");

    ui.push({common::UiAnswer::Kind::DialogCancel});
    ws.fck().click("FCK_GetfoldernameAt4");
    EXPECT_TRUE(ui.message_contains("[提示] 任务取消！ {exclamation}"));
}

// Written on another machine: the definition names a Windows path. Choosing the directory that
// holds the file points the drawing at it, as one undo step.
TEST_F(ImageMenuTest, AChosenDirectoryTakesInTheImagesFoundThere) {
    std::filesystem::create_directories(dir / "tiles");
    std::string tile = (dir / "tiles" / "2543.00-548.00.JPG").string();
    {
        std::ofstream png(tile, std::ios::binary);
        png << std::string("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\0\x40\0\0\0\x40\x08\x02\0\0\0", 29) << std::string(4, '\0');
    }
    drawing::Document& d = drawing().doc();
    drawing::RecordId img = drawing::add_image(d, tile, {548000, 2543000, 0}, 1000);
    ASSERT_NE(img, drawing::kNoRecord);
    drawing::RecordId def = drawing::image_def_of(d, img);
    drawing::Entity(d, def).set_text_of(1, "D:\\影像\\2543.00-548.00.jpg");
    ws.on_image_directory_changed = [this](const std::string& chosen) { host::relink_images(host, chosen); };
    choose_other((dir / "tiles").string());
    EXPECT_EQ(drawing::image_file(d, img), tile);
    EXPECT_TRUE(transcript.contains("1个图像改用目录"));
    ASSERT_TRUE(d.undo());
    EXPECT_EQ(drawing::image_file(d, img), "D:\\影像\\2543.00-548.00.jpg");
}

}  // namespace
}  // namespace korvane::panel::testing
