#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <set>

#include "platform/core/encoding.h"
#include "platform/core/files.h"
#include "platform/core/paths.h"
#include "platform/testing/temp_folder.h"
#include "workbench/engine/map_rename.h"
#include "workbench/engine/param_files.h"

namespace rice {
namespace {

namespace fs = std::filesystem;

// A fresh folder that is the current folder while the test runs.
class InWorkFolder : public testing::InTempFolderTest {
protected:
    static void Put(const std::string& path, const std::string& bytes) {
        fs::create_directories(fs::path(path).parent_path().empty() ? "." : fs::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static std::string Get(const std::string& path) { return ReadWholeFile(path).value_or("<none>"); }
    const std::string dir_ = folder();
};

using ParameterFile = InWorkFolder;

TEST_F(ParameterFile, WritesCp950LinesEachEndedByCrLfAndReplacesAnEarlierFile) {
    Put("hist.txt", "an older and much longer parameter file\r\n");
    EXPECT_EQ(WriteParameterFile("hist.txt", {"erd08.dat", "水稻.doc", " ", "abc", "1.6"}), "");
    EXPECT_EQ(Get("hist.txt"), "erd08.dat\r\n" + Utf8ToCp950("水稻.doc") + "\r\n \r\nabc\r\n1.6\r\n");
}

TEST_F(ParameterFile, RefusedLinesLeaveTheEarlierFileAndTheFolderAsTheyWere) {
    struct Case { const char* what; std::vector<std::string> lines; const char* hint; };
    const Case cases[] = {
        {"line feed in a value", {"a.dat", "0.1\n0.2"}, "換行"},
        {"carriage return in a value", {"a.dat\r"}, "換行"},
        {"text Big5 cannot hold", {"\xED\x95\x9C.dat"}, "Big5"},
    };
    for (const auto& c : cases) {
        Put("fuzzy.txt", "old\r\n");
        std::string msg = WriteParameterFile("fuzzy.txt", c.lines);
        EXPECT_NE(msg.find(c.hint), std::string::npos) << c.what << ": " << msg;
        EXPECT_EQ(Get("fuzzy.txt"), "old\r\n") << c.what;
        EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1) << c.what;
    }
}

TEST_F(ParameterFile, AFileThatCannotBeWrittenGivesTheFileErrorMessage) {
    fs::create_directory("stat.txt");  // a folder stands where the file should go
    std::string msg = WriteParameterFile("stat.txt", {"x"});
    EXPECT_EQ(msg, FileErrorMessage("stat.txt", EISDIR));
    EXPECT_TRUE(IsFolder("stat.txt"));
    EXPECT_EQ(std::distance(fs::directory_iterator("."), fs::directory_iterator()), 1);
    EXPECT_NE(WriteParameterFile("no/such/folder/x.txt", {"x"}).find("no/such/folder/x.txt"),
              std::string::npos);
}

TEST(RuskelParameters, LumbekLinesForBothPixelSizes) {
    struct Case { const char *x, *y; double mx, my; const char *line4, *line5; };
    const Case cases[] = {
        {"8.0", "8.0", 250, 270, "8.0 8.0", "250.000000 270.000000"},
        {"1.6", "1.6", 250, 270, "1.5999999 1.5999999", "250.000000 270.000000"},
        {"1.6", "8.0", 0, 0, "1.5999999 1.5999999", "0.000000 0.000000"},
        {"8.0", "8.0", static_cast<double>(305123.5f), static_cast<double>(-2771234.25f),
         "8.0 8.0", "305123.500000 -2771234.250000"},
    };
    for (const auto& c : cases) {
        auto lines = RuskelParameterLines("corner.txt", "Temp.dat", "erd08.dat", c.x, c.y, c.mx, c.my);
        ASSERT_EQ(lines.size(), 5u);
        EXPECT_EQ(lines[0], "corner.txt");
        EXPECT_EQ(lines[1], "Temp.dat");
        EXPECT_EQ(lines[2], "erd08.dat");
        EXPECT_EQ(lines[3], c.line4) << c.x;
        EXPECT_EQ(lines[4], c.line5) << c.mx;
    }
}

TEST(RuskelParameters, NamePartOfAnOutputLine) {
    struct Case { const char *line, *name; };
    const Case cases[] = {
        {"K123 45", "123 45"}, {"K123", "K123"}, {" K123", " K123"},
        {"K 1", " 1"}, {"K123  45 6", "123  45 6"},
        // Big5 bytes: a double-byte first character goes whole, the rest stays as it is.
        {"\xA4\xF4" "123 45", "123 45"}, {"\xA4\xF4" "123", "\xA4\xF4" "123"},
        {"K\xA2\xCC 1", "\xA2\xCC 1"}, {"\xF9\xF9\xF9\xFA 1", "\xF9\xFA 1"},
    };
    for (const auto& c : cases) EXPECT_EQ(OutputListNamePart(c.line), c.name) << c.line;
}

using OutputList = InWorkFolder;

TEST_F(OutputList, RewriteTable) {
    struct Case { const char* what; std::string folder, list, temp, ids; };
    const Case cases[] = {
        {"blank after the first byte", "/maps", "K123 45\r\n", "/maps/c123 45\r\n", "/maps/a123 45\r\n"},
        {"no blank", "/maps", "K123\r\n", "/maps/cK123\r\n", "/maps/aK123\r\n"},
        {"leading blank", "/maps", " K123\r\n", "/maps/c K123\r\n", "/maps/a K123\r\n"},
        {"no folder", "", "K123 45\r\nK124\r\n", "/c123 45\r\n/cK124\r\n", "/a123 45\r\n/aK124\r\n"},
        {"empty lines and LF ends", "/m", "K1 a\n\n\r\nK2 b\nK3 c", "/m/c1 a\r\n/m/c2 b\r\n/m/c3 c\r\n",
         "/m/a1 a\r\n/m/a2 b\r\n/m/a3 c\r\n"},
        {"empty list", "/m", "", "", ""},
        {"Big5 names as they stand", "/m", "K\xA2\xCC\xF9\xF9 1\r\n\xA2\xCE\xF9\xE9\r\n",
         "/m/c\xA2\xCC\xF9\xF9 1\r\n/m/c\xA2\xCE\xF9\xE9\r\n", "/m/a\xA2\xCC\xF9\xF9 1\r\n/m/a\xA2\xCE\xF9\xE9\r\n"},
        {"Chinese folder", "/圖檔", "K1 x\r\n", Utf8ToCp950("/圖檔") + "/c1 x\r\n",
         Utf8ToCp950("/圖檔") + "/a1 x\r\n"},
    };
    for (const auto& c : cases) {
        Put("erd08.dat", c.list);
        RewriteResult r = RewriteOutputList(c.folder, "erd08.dat");
        EXPECT_EQ(r.status, RewriteStatus::Replaced) << c.what << ": " << r.message;
        EXPECT_EQ(Get("erd08.dat"), c.temp) << c.what;
        EXPECT_EQ(Get("ids.dat"), c.ids) << c.what;
        EXPECT_FALSE(FileExists("tempfile.txt")) << c.what;
    }
}

TEST_F(OutputList, FailuresLeaveTheOutputAndAnEarlierIdsFileAlone) {
    Put("ids.dat", "earlier ids\r\n");
    // A missing list: nothing is created or destroyed.
    RewriteResult missing = RewriteOutputList("/m", "cul16.dat");
    EXPECT_EQ(missing.status, RewriteStatus::OutputUnread);
    EXPECT_EQ(missing.message, FileErrorMessage("cul16.dat", ENOENT));
    EXPECT_EQ(Get("ids.dat"), "earlier ids\r\n");
    EXPECT_FALSE(FileExists("tempfile.txt"));
    EXPECT_FALSE(FileExists("cul16.dat"));

    // Bytes that are not code page 950.
    Put("cul16.dat", "K1 x\r\n\xFF\xFF\r\n");
    EXPECT_EQ(RewriteOutputList("/m", "cul16.dat").status, RewriteStatus::OutputUnread);
    EXPECT_EQ(Get("cul16.dat"), "K1 x\r\n\xFF\xFF\r\n");
    EXPECT_EQ(Get("ids.dat"), "earlier ids\r\n");

    // "ids.dat" cannot be written: the output keeps what the program wrote.
    fs::remove("ids.dat");
    fs::create_directory("ids.dat");
    Put("cul16.dat", "K1 x\r\n");
    RewriteResult blocked = RewriteOutputList("/m", "cul16.dat");
    EXPECT_EQ(blocked.status, RewriteStatus::WriteFailed);
    EXPECT_EQ(blocked.message, FileErrorMessage("ids.dat", EISDIR));
    EXPECT_EQ(Get("cul16.dat"), "K1 x\r\n");
    EXPECT_FALSE(FileExists("tempfile.txt"));
}

using PendingListFile = InWorkFolder;

TEST_F(PendingListFile, OpensFirstAndReplacesTheContentLater) {
    Put("list.txt", "a much longer earlier list\r\n");
    PendingFile f;
    ASSERT_EQ(f.Open("list.txt"), "");
    EXPECT_EQ(f.Replace("A2\r\n"), "");
    EXPECT_EQ(Get("list.txt"), "A2\r\n");
    PendingFile g;
    EXPECT_EQ(g.Open("gone/list.txt"), FileErrorMessage("gone/list.txt", ENOENT));
}

// The tree below `root` as sorted relative paths (folders end in "/").
std::set<std::string> Tree(const std::string& root) {
    std::set<std::string> out;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        std::string rel = it->path().lexically_relative(root).string();
        out.insert(it->is_symlink() ? rel + "@" : it->is_directory() ? rel + "/" : rel);
    }
    return out;
}

using Renamer = InWorkFolder;

TEST_F(Renamer, RenameTrees) {
    struct Case {
        const char* what;
        std::vector<std::string> before;  // folders end in "/"
        std::set<std::string> after;
        std::vector<std::string> listed;
    };
    const Case cases[] = {
        {"sheet folder with same-named files and an info folder",
         {"A1234/A1234.shp", "A1234/A1234.dbf", "A1234/notes.txt", "A1234/info/info.txt"},
         {"A234/", "A234/A234.shp", "A234/A234.dbf", "A234/notes.txt", "A234/info/", "A234/info/info.txt"},
         {"A234"}},
        {"deepest first, files compared with the old name",
         {"X12/Y34/Y34.shp"}, {"X2/", "X2/Y4/", "X2/Y4/Y4.shp"}, {"Y4", "X2"}},
        {"one-character folder kept but listed", {"B/"}, {"B/"}, {"B"}},
        {"info keeps its files, its subfolders are renamed",
         {"info/info.shp", "info/Q12/Q12.txt", "K12/other.shp"},
         {"info/", "info/info.shp", "info/Q2/", "info/Q2/Q2.txt", "K2/", "K2/other.shp"},
         {"K2", "Q2"}},
        {"names are text", {"中文資料/中文資料.shp", "A中B/"},
         {"中資料/", "中資料/中資料.shp", "AB/"}, {"AB", "中資料"}},
        {"last extension only", {"S12/S12.shp", "S12/S12.shp.xml"},
         {"S2/", "S2/S2.shp", "S2/S12.shp.xml"}, {"S2"}},
    };
    for (const auto& c : cases) {
        fs::remove_all("R");
        fs::create_directory("R");
        for (const auto& p : c.before) {
            if (p.back() == '/') fs::create_directories("R/" + p);
            else Put("R/" + p, "x");
        }
        RenameRun run;
        RenameMapTree(dir_ + "/R", run);
        EXPECT_EQ(Tree("R"), c.after) << c.what;
        EXPECT_EQ(run.renamed, c.listed) << c.what;
        EXPECT_TRUE(run.failures.empty()) << c.what << ": " << RenameFailureMessage(run);
    }
}

TEST_F(Renamer, ChosenFolderKeepsItsNameAndItsSameNamedFilesAreRenamed) {
    Put("T12/T12.shp", "x");
    Put("T12/U12/T12.shp", "y");
    RenameRun run;
    RenameMapTree(dir_ + "/T12/", run);
    EXPECT_EQ(Tree("T12"), (std::set<std::string>{"T2.shp", "U2/", "U2/T12.shp"}));
    EXPECT_EQ(RenameListBytes(run), "U2\r\n");
}

TEST_F(Renamer, AnExistingEntryIsNeverReplaced) {
    Put("R/A12/A12.shp", "sheet");
    Put("R/A12/A2.shp", "kept");
    Put("R/A2/keep.txt", "kept");
    RenameRun run;
    RenameMapTree(dir_ + "/R", run);
    EXPECT_EQ(Tree("R"), (std::set<std::string>{"A12/", "A12/A12.shp", "A12/A2.shp", "A/", "A/keep.txt"}));
    EXPECT_EQ(Get("R/A12/A2.shp"), "kept");
    EXPECT_EQ(run.renamed, (std::vector<std::string>{"A"}));
    ASSERT_EQ(run.failures.size(), 2u);
    std::string msg = RenameFailureMessage(run);
    EXPECT_NE(msg.find(dir_ + "/R/A12/A12.shp -> A2.shp"), std::string::npos) << msg;
    EXPECT_NE(msg.find(dir_ + "/R/A12 -> A2"), std::string::npos) << msg;
}

TEST_F(Renamer, SymbolicLinksAreNeitherFollowedNorRenamed) {
    fs::create_directories("R/L12");
    fs::create_directory_symlink("..", "R/L12/loop");
    Put("outside/M12.shp", "x");
    fs::create_directories("R/M12");
    fs::create_symlink(dir_ + "/outside/M12.shp", "R/M12/M12.shp");
    fs::create_directory_symlink(dir_ + "/outside", "R/N12");
    RenameRun run;
    RenameMapTree(dir_ + "/R", run);
    EXPECT_EQ(Tree("R"), (std::set<std::string>{"L2/", "L2/loop@", "M2/", "M2/M12.shp@", "N12@"}));
    EXPECT_EQ(run.renamed, (std::vector<std::string>{"L2", "M2"}));
    EXPECT_TRUE(FileExists("outside/M12.shp"));
}

TEST_F(Renamer, ManyFoldersEachLoseExactlyOneCharacter) {
    // Renaming while a listing is still being read can list an entry again; it must not.
    for (int i = 0; i < 300; ++i) fs::create_directories("R/ZY" + std::to_string(1000 + i));
    RenameRun run;
    RenameMapTree(dir_ + "/R", run);
    std::set<std::string> expect;
    for (int i = 0; i < 300; ++i) expect.insert("Z" + std::to_string(1000 + i) + "/");
    EXPECT_EQ(Tree("R"), expect);
    EXPECT_EQ(run.renamed.size(), 300u);
}

TEST(RenameNames, ReadableInMessages) {
    struct Case { const char *name, *shown; };
    const Case cases[] = {
        {"A1234", "A1234"}, {"中文資料/한12", "中文資料/한12"}, {"\xA4\xF4\xA5\xD0", "\\xA4\\xF4\\xA5\\xD0"},
        {"a\xFF" "b", "a\\xFFb"},
        {"\xC0\x80", "\\xC0\\x80"},          // overlong
        {"\xED\xA0\x80", "\\xED\\xA0\\x80"},  // surrogate
        {"\xE4\xB8", "\\xE4\\xB8"},          // cut short
        {"\xF4\x90\x80\x80", "\\xF4\\x90\\x80\\x80"},  // beyond U+10FFFF
    };
    for (const auto& c : cases) EXPECT_EQ(ReadableName(c.name), c.shown) << c.shown;
}

TEST(RenameNames, SecondCharacterAndExtension) {
    struct Case { const char *name, *cut, *stem; };
    const Case cases[] = {
        {"A1234", "A234", "A1234"}, {"B", "B", "B"}, {"", "", ""}, {"B.shp", "Bshp", "B"},
        {"中文", "中", "中文"}, {"A中B.x", "AB.x", "A中B"}, {"\xFF" "AB", "\xFF" "B", "\xFF" "AB"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(RemoveSecondCharacter(c.name), c.cut) << c.name;
        EXPECT_EQ(NameWithoutExtension(c.name), c.stem) << c.name;
    }
}

}  // namespace
}  // namespace rice
