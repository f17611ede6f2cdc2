#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/file_io.h"
#include "common/text_file.h"
#include "temp_dir.h"

using namespace korvane::common;
using korvane::test::TempDir;

namespace {
void put(const std::filesystem::path& p, const std::string& bytes) { write_file_atomically(p, bytes); }
bool running_as_root() { return ::geteuid() == 0; }
}  // namespace

// The bytes written (GBK, CR LF after every line) are read back exactly by the scenarios' checks
// of the lists and reports the tools write (quality_check, survey_village, point_report,
// exchange_table).
TEST(TextFile, GbkRoundTrip) {
    TempDir dir;
    auto file = dir / "经济组织代码对照表.ini";
    std::vector<std::string> lines = {"上村村民小组,441523100201", "", "下村,441523100202,备注", "  前后有空格  "};
    write_lines(file, lines);
    TextFile back = read_text_file(file);
    EXPECT_EQ(back.encoding, TextEncoding::Gbk);
    EXPECT_EQ(back.lines, lines);
}

TEST(TextFile, ReadsUtf8WithAndWithoutBom) {
    TempDir dir;
    put(dir / "bom.txt", "\xEF\xBB\xBF" "宗地,1\r\n张三\r\n");
    TextFile a = read_text_file(dir / "bom.txt");
    EXPECT_EQ(a.encoding, TextEncoding::Utf8Bom);
    EXPECT_EQ(a.lines, (std::vector<std::string>{"宗地,1", "张三"}));

    put(dir / "plain.txt", "宗地\n张三");
    TextFile b = read_text_file(dir / "plain.txt");
    EXPECT_EQ(b.encoding, TextEncoding::Utf8);
    EXPECT_EQ(b.lines, (std::vector<std::string>{"宗地", "张三"}));

    // Plain ASCII counts as GBK (both read the same).
    put(dir / "ascii.txt", "1,2F\r\n2,30\r\n");
    TextFile c = read_text_file(dir / "ascii.txt");
    EXPECT_EQ(c.encoding, TextEncoding::Gbk);
    EXPECT_EQ(c.lines, (std::vector<std::string>{"1,2F", "2,30"}));
}

TEST(TextFile, WritesUtf8WhenAsked) {
    TempDir dir;
    write_lines(dir / "u.txt", {"😀"}, TextEncoding::Utf8Bom);
    EXPECT_EQ(read_file_bytes(dir / "u.txt"), "\xEF\xBB\xBF\xF0\x9F\x98\x80\r\n");
}

TEST(TextFile, LineEnds) {
    EXPECT_EQ(split_lines("a\r\nb\nc\rd"), (std::vector<std::string>{"a", "b", "c", "d"}));
    EXPECT_EQ(split_lines("a\r\n\r\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(split_lines("\r\n"), (std::vector<std::string>{""}));
    EXPECT_TRUE(split_lines("").empty());
}

TEST(TextFile, MissingOrUnreadableFileIsAnError) {
    TempDir dir;
    EXPECT_THROW(read_lines(dir / "none.txt"), FileError);
    EXPECT_THROW(read_lines(dir.path()), FileError);  // a folder
    try {
        read_lines(dir / "none.txt");
    } catch (const FileError& e) {
        EXPECT_NE(std::string(e.what()).find("none.txt"), std::string::npos);
    }
    if (!running_as_root()) {
        put(dir / "locked.txt", "x\r\n");
        ::chmod((dir / "locked.txt").c_str(), 0);
        EXPECT_THROW(read_lines(dir / "locked.txt"), FileError);
    }
    // An empty file is not an error: it has no lines.
    put(dir / "empty.txt", "");
    EXPECT_TRUE(read_lines(dir / "empty.txt").empty());
}

TEST(TextFile, UnwritableTargetIsAnError) {
    TempDir dir;
    EXPECT_THROW(write_lines(dir / "no-such-folder" / "a.txt", {"x"}), FileError);
    EXPECT_THROW(write_lines(dir.path(), {"x"}), FileError);
}

TEST(TextFile, CharacterOutsideGbkIsRefusedAndOldFileKept) {
    TempDir dir;
    auto file = dir / "list.txt";
    write_lines(file, {"旧内容"});
    try {
        write_lines(file, {"第一行", "笑脸😀"});
        FAIL() << "expected an error";
    } catch (const FileError& e) {
        std::string what = e.what();
        EXPECT_NE(what.find("line 2"), std::string::npos) << what;
        EXPECT_NE(what.find("U+1F600"), std::string::npos) << what;
        EXPECT_NE(what.find("😀"), std::string::npos) << what;
    }
    EXPECT_EQ(read_lines(file), (std::vector<std::string>{"旧内容"}));
}

TEST(FileIo, AtomicWriteLeavesNoTemporaryFiles) {
    TempDir dir;
    auto file = dir / "a.txt";
    write_file_atomically(file, "one");
    ::chmod(file.c_str(), 0640);
    write_file_atomically(file, "two");
    EXPECT_EQ(read_file_bytes(file), "two");
    struct stat st {};
    ::stat(file.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    int count = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.path())) {
        (void)e;
        ++count;
    }
    EXPECT_EQ(count, 1);
}
