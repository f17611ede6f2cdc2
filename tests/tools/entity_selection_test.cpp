// The submenu 实体选择: what each entry gathers into the selection set "text".
#include "tools/entity_selection.h"

#include "tools_fixture.h"

namespace korvane::tools::testing {
namespace {

using host::InputAnswer;
using Handles = std::set<std::string>;

// Everything of the kinds the type entries look at, offered in one on-screen selection.
const std::vector<std::string> kOffered = {"38", "4A", "4B", "4D", "4E", "4F", "51", "56", "59", "5A", "5B", "5E"};

using EntitySelection = ToolsFixture;

TEST_F(EntitySelection, TypeEntriesGatherOnlyTheirKinds) {
    const std::pair<const char*, Handles> cases[] = {
        {"FCK_STSZ_Tmddx", {"38", "51", "56"}},  // light-weight and old-style polylines
        {"FCK_STSZ_ZHIxian", {"4E", "59"}},
        {"FCK_STSZ_wenzhi", {"4A", "5A"}},       // single-line text only, not the multi-line one
        {"FCK_STSZ_tukuai", {"4F"}},
        {"FCK_STSZ_dandian", {"5B"}},
    };
    for (const auto& [entry, expected] : cases) {
        transcript.clear();
        input.push(InputAnswer::selection(kOffered));
        click(entry);
        EXPECT_EQ(members(), expected) << entry;
        EXPECT_TRUE(transcript.contains(kSelectionDone)) << entry;
    }
    EXPECT_EQ(doc()->SelectionSets()->Count(), 1);  // one set "text", made afresh each time
}

TEST_F(EntitySelection, ColourTakesThePickedEntitysColourNumber) {
    input.push(InputAnswer::entity("57"));  // green
    input.push(InputAnswer::selection({"4E", "57", "58", "59"}));
    click("FCK_STSZ_yanse");
    EXPECT_EQ(members(), (Handles{"57", "58"}));
    input.push(InputAnswer::entity("4E"));  // by layer: 256
    input.push(InputAnswer::selection({"4E", "57", "59"}));
    click("FCK_STSZ_yanse");
    EXPECT_EQ(members(), (Handles{"4E", "59"}));
    EXPECT_FALSE(transcript.contains(kSelectionDone));

    // A failed pick ends the command; no host: no message either.
    input.push(InputAnswer::cancel());
    click("FCK_STSZ_yanse");
    EXPECT_EQ(members(), (Handles{"4E", "59"}));
    host.stop();
    click("FCK_STSZ_yanse");
    EXPECT_TRUE(ui.messages().empty());
}

TEST_F(EntitySelection, LayerTakesEveryEntityOfThePickedLayer) {
    input.push(InputAnswer::entity("5A"));
    click("FCK_STSZ_tucheng");
    EXPECT_EQ(members(), (Handles{"59", "5A"}));  // "#" in the name is no wildcard here
    EXPECT_TRUE(transcript.contains("[J#1]选择指定图层中的实体已完成！2个"));

    transcript.clear();
    input.push(InputAnswer::cancel());
    click("FCK_STSZ_tucheng");
    EXPECT_EQ(members(), (Handles{"59", "5A"}));  // no new selection
    EXPECT_FALSE(transcript.contains("选择指定图层中的实体已完成"));
}

TEST_F(EntitySelection, CodeIsSentAsTypedOrReadFromThePickedEntity) {
    // What the add-on's MSSX was given, as it echoes it.
    const std::pair<std::vector<InputAnswer>, std::string> cases[] = {
        {{InputAnswer::typed("300 100")}, "找到编码为 \"300 100\""},  // inner blanks kept
        {{InputAnswer::typed("  "), InputAnswer::entity("4F")}, "找到编码为 \"157000\""},
        {{InputAnswer::enter(), InputAnswer::entity("4E")}, "编码为空"},  // no extended data
    };
    for (const auto& [answers, echoed] : cases) {
        for (const auto& a : answers) input.push(a);
        transcript.clear();
        click("FCK_STSZ_bianmia");
        EXPECT_TRUE(transcript.contains(echoed)) << echoed;
        EXPECT_EQ(input.pending(), 0u) << echoed;
    }
}

}  // namespace
}  // namespace korvane::tools::testing
