// MSSX on the sample village drawing against what an independent reader (ezdxf under
// Debian's python3) finds in the same file.
#include <map>
#include <sstream>

#include "../common/shell.h"
#include "command_fixture.h"
#include "host/command_input.h"

namespace korvane::host::testing {

namespace {

using Facts = std::map<std::string, std::string>;

Facts check(const std::vector<std::string>& args) {
    Facts facts;
    int rc = 0;
    std::string out = test::run(test::python_command("tests/host/command_check.py", args), &rc);
    facts["status"] = std::to_string(rc);
    facts["output"] = out;
    std::istringstream in(out);
    for (std::string line; std::getline(in, line);)
        if (size_t eq = line.find('='); eq != std::string::npos) facts[line.substr(0, eq)] = line.substr(eq + 1);
    return facts;
}

class VillageCommandTest : public ::testing::Test {
protected:
    RecordingInput input;
    RecordingTranscript transcript;
    EmbeddedHost host{input, transcript};
    HostDocument* hd = nullptr;
    std::string village = std::string(KORVANE_SOURCE_DIR) + "/samples/village.dxf";

    void SetUp() override { hd = &host.open(village); }
    drawing::Document& d() { return hd->doc(); }
    void send(const std::string& text) { host.interpreter().send(*hd, text); }
    std::string handle(drawing::RecordId id) { return drawing::Entity(d(), id).handle_text(); }
};

}  // namespace

TEST_F(VillageCommandTest, MssxFindsWhatAnotherReaderFinds) {
    Facts expected = check({"codes", village, "300000"});
    ASSERT_EQ(expected["status"], "0") << expected["output"];
    ASSERT_NE(expected["count"], "0") << "the sample carries feature codes";
    send("MSSX\r10\r300000\r\n");
    std::string got;
    for (auto id : hd->previous_selection()) got += (got.empty() ? "" : ",") + handle(id);
    EXPECT_EQ(got, expected["handles"]);
    EXPECT_TRUE(transcript.contains("的实体 " + expected["count"] + " 个"));
}

}  // namespace korvane::host::testing
