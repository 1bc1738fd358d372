#include <gtest/gtest.h>

#include "covertool/jobs/case_blind.h"
#include "covertool/jobs/cover_jobs.h"
#include "covertool/jobs/number_text.h"
#include "covertool/tests/fixture.h"
#include "platform/core/exit.h"

namespace cover::test {
namespace {

TEST(NumberText, SuffixesAndSigns) {
    struct Case { double v; const char* bnd; const char* tic; const char* plain; };
    const Case cases[] = {
        {250, " 250.000", " 250.00", " 250"},
        {12.5, " 12.500", " 12.50", " 12.5"},
        {12.25, " 12.2500", " 12.250", " 12.25"},
        {-3, "-3.000", "-3.00", "-3"},
        {0, " 0.000", " 0.00", " 0"},
        {-0.0, " 0.000", " 0.00", " 0"},
        {0.5, " .500", " .50", " .5"},
        {-0.25, "-.2500", "-.250", "-.25"},
        {0.1 + 0.2, " .300", " .30", " .3"},  // shown to 15 significant digits
        {305123.456, " 305123.45600", " 305123.4560", " 305123.456"},
        {2767890, " 2767890.000", " 2767890.00", " 2767890"},
        {1e20, " 100000000000000000000.000", " 100000000000000000000.00",
         " 100000000000000000000"},
        {1e-5, " .0000100", " .000010", " .00001"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(BndNumberText(c.v), c.bnd) << c.v;
        EXPECT_EQ(TicNumberText(c.v), c.tic) << c.v;
        EXPECT_EQ(NumberText(c.v), c.plain) << c.v;
    }
}

TEST(SplitLines, LineEnds) {
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitLines(""), V{});
    EXPECT_EQ(SplitLines("a\r\nb\r\n"), (V{"a", "b"}));
    EXPECT_EQ(SplitLines("a\nb"), (V{"a", "b"}));
    EXPECT_EQ(SplitLines("a\r\n\r\nb\r\n"), (V{"a", "", "b"}));
    EXPECT_EQ(SplitLines("\r\n"), (V{""}));
    // A line ends at CR, LF or CR LF, as the runtime's line input ends it.
    EXPECT_EQ(SplitLines(" a \r"), (V{" a "}));
    EXPECT_EQ(SplitLines("a\rb\rc"), (V{"a", "b", "c"}));
    EXPECT_EQ(SplitLines("a\r\rb\r"), (V{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\n\rb"), (V{"a", "", "b"}));
    EXPECT_EQ(SplitLines("a\r\n\nb\r\r\n"), (V{"a", "", "b", ""}));
    EXPECT_EQ(SplitLines(" a\tb "), (V{" a\tb "}));  // names are verbatim
}

class Jobs : public CoverFolder {
protected:
    CoverJobs jobs;
};

TEST_F(Jobs, TextOutputsOfTwoCovers) {
    TwoCovers();
    jobs.Extents(root);
    EXPECT_EQ(Bytes(At("coord.txt")),
              "c01 100.000 200.500 300.000 400.000\r\n"
              "c02 250.000 12.500 12.2500-3.000\r\n\r\n");
    jobs.TicPoints(root);
    EXPECT_EQ(Bytes(At("tic.txt")),
              "c01\r\n 1 100.00 200.50\r\n 2 300.00 400.00\r\n"
              "c02\r\n-1 12.250-3.00\r\n\r\n");
    jobs.SmlList(root);
    EXPECT_EQ(Bytes(At("arcsml.txt")), "c01 L1 L2 L3 L4\r\nc02 a b c d e\r\n\r\n");
    jobs.DocCopy(root);
    EXPECT_EQ(Bytes(At("tem.txt")), "\xA4\xA4\xA4\xE5\r\nline 2\r\n\r\n");
}

TEST_F(Jobs, EmptyCoverListWritesOneEmptyLineAndChangesNothing) {
    TwoCovers();
    Write(At("covlist.txt"), "");
    std::string pat = Bytes(At("c01/pat.dbf"));
    jobs.Extents(root);
    jobs.TicPoints(root);
    jobs.SmlList(root);
    jobs.DocCopy(root);
    jobs.RecodeCulture(root);
    jobs.SystemValue(root);
    for (const char* out : {"coord.txt", "tic.txt", "arcsml.txt"}) EXPECT_EQ(Bytes(At(out)), "\r\n");
    EXPECT_FALSE(rice::FileExists(At("tem.txt")));
    EXPECT_EQ(Bytes(At("c01/pat.dbf")), pat);
}

TEST_F(Jobs, EmptyLineInListOpensTheWorkingFolder) {
    TwoCovers();
    WriteTable(At("bnd.dbf"), kBnd, {{1, 2, 3, 4.5}});
    Write(At("covlist.txt"), "c01\r\n\r\nc02");
    jobs.Extents(root);
    EXPECT_EQ(Bytes(At("coord.txt")),
              "c01 100.000 200.500 300.000 400.000\r\n"
              " 1.000 2.000 3.000 4.500\r\n"
              "c02 250.000 12.500 12.2500-3.000\r\n\r\n");
}

TEST_F(Jobs, RecodingOrderAndSecondRun) {
    Write(At("covlist.txt"), "c01\r\n");
    using C = std::vector<Cell>;
    struct Case { C before, once, twice; };
    const Case cases[] = {
        {{7, 0, 1, 2, Cell(), 4}, {3, 2, 1, 4, 3, 4}, {3, 4, 1, 4, 3, 4}},
        // the first record is 3 before the 2 -> 4 pass reads it
        {{2, 2}, {3, 4}, {3, 4}},
        {{0}, {3}, {3}},
        {{Cell(), 0}, {3, 2}, {3, 4}},
    };
    for (const Case& c : cases) {
        PatWithCulture("c01", c.before);
        jobs.RecodeCulture(root);
        EXPECT_EQ(ReadColumn(At("c01/pat.dbf"), "culture"), c.once);
        jobs.RecodeCulture(root);
        EXPECT_EQ(ReadColumn(At("c01/pat.dbf"), "culture"), c.twice);
    }
}

TEST_F(Jobs, SystemValueSetsOnlyTheFirstRecordAndRepeats) {
    TwoCovers();
    for (int run = 0; run < 2; ++run) {
        jobs.SystemValue(root);
        EXPECT_EQ(ReadColumn(At("c01/pat.dbf"), "culture"), (std::vector<Cell>{3, 2, 0}));
        EXPECT_EQ(ReadColumn(At("c02/pat.dbf"), "culture"), (std::vector<Cell>{3, 1, Cell()}));
    }
}

TEST_F(Jobs, RecodingKeepsOtherFieldsAndRecords) {
    TwoCovers();
    jobs.RecodeCulture(root);
    EXPECT_EQ(ReadColumn(At("c01/pat.dbf"), "area"), (std::vector<Cell>{10, 20, 30}));
    EXPECT_EQ(ReadColumn(At("c01/pat.dbf"), "culture"), (std::vector<Cell>{3, 4, 2}));
    EXPECT_EQ(ReadColumn(At("c02/pat.dbf"), "culture"), (std::vector<Cell>{3, 1, 3}));
    for (const auto& e : fs::directory_iterator(At("c01")))
        EXPECT_EQ(e.path().filename().string().rfind(".tessmar", 0), std::string::npos)
            << "left behind: " << e.path();
}

TEST_F(Jobs, FailurePartWayKeepsEarlierCoversAndLeavesTheFailingOneUntouched) {
    TwoCovers();
    Write(At("covlist.txt"), "c01\r\nc03\r\nc02\r\n");
    fs::create_directories(At("c03"));  // a cover without its pat table
    std::string c02 = Bytes(At("c02/pat.dbf"));
    EXPECT_THROW(jobs.RecodeCulture(root), RunTimeError);
    EXPECT_EQ(ReadColumn(At("c01/pat.dbf"), "culture"), (std::vector<Cell>{3, 4, 2}));
    EXPECT_EQ(Bytes(At("c02/pat.dbf")), c02);

    // A stop in the middle of a table (text where a code should be) commits none of its edits,
    // and the next job does not pick them up.
    WriteTable(At("c03/pat.dbf"), {{"CULTURE", FTString, 4, 0}}, {{}, {}, {}, {}},
               {{"0"}, {"2"}, {"x"}, {""}});
    std::string c03 = Bytes(At("c03/pat.dbf"));
    Write(At("covlist.txt"), "c03\r\n");
    try {
        jobs.RecodeCulture(root);
        ADD_FAILURE() << "no error";
    } catch (const RunTimeError& e) {
        EXPECT_EQ(e.number, kTypeMismatch);
        EXPECT_EQ(e.file, At("c03/pat.dbf"));
    }
    EXPECT_EQ(Bytes(At("c03/pat.dbf")), c03);
    Write(At("covlist.txt"), "c02\r\n");
    jobs.SystemValue(root);
    EXPECT_EQ(Bytes(At("c03/pat.dbf")), c03);
}

TEST_F(Jobs, TextCultureCodesAreWrittenAsText) {
    Write(At("covlist.txt"), "c01\r\n");
    WriteTable(Cover("c01") + "/pat.dbf", {{"CULTURE", FTString, 4, 0}}, {{}, {}, {}, {}},
               {{"9"}, {"0"}, {"2"}, {""}});
    jobs.RecodeCulture(root);
    DBFHandle h = DBFOpen(At("c01/pat.dbf").c_str(), "rb");
    ASSERT_NE(h, nullptr);
    std::vector<std::string> got;
    for (int r = 0; r < 4; ++r) got.push_back(DBFReadStringAttribute(h, r, 0));
    DBFClose(h);
    EXPECT_EQ(got, (std::vector<std::string>{"3", "2", "4", "3"}));
}

TEST_F(Jobs, NamesAreMatchedCaseBlind) {
    WriteTable(Cover("C01") + "/bnd.dbf", kBnd, {{1, 2, 3, 4}});
    fs::rename(At("C01/bnd.dbf"), At("C01/BND.DBF"));
    WriteTable(Cover("C01") + "/Tic.dbf", kTic, {{1, 5, 6}});
    PatWithCulture("C01", {0, 2});
    fs::rename(At("C01/pat.dbf"), At("C01/Pat.Dbf"));
    Write(At("C01.sml"), "1\n2\n3\n4\n");
    Write(At("c01.DOC"), "d\n");
    Write(At("COVLIST.TXT"), "c01\r\n");
    Write(At("Coord.Txt"), "old");
    jobs.Extents(root);
    EXPECT_EQ(Bytes(At("Coord.Txt")), "c01 1.000 2.000 3.000 4.000\r\n\r\n");
    EXPECT_FALSE(rice::FileExists(At("coord.txt")));
    jobs.TicPoints(root);
    EXPECT_EQ(Bytes(At("tic.txt")), "c01\r\n 1 5.00 6.00\r\n\r\n");
    jobs.SmlList(root);
    EXPECT_EQ(Bytes(At("arcsml.txt")), "c01 1 2 3 4\r\n\r\n");
    jobs.DocCopy(root);
    EXPECT_EQ(Bytes(At("tem.txt")), "d\r\n\r\n");
    jobs.RecodeCulture(root);
    EXPECT_EQ(ReadColumn(At("C01/Pat.Dbf"), "culture"), (std::vector<Cell>{3, 4}));

    // An exact match wins over a case-blind one.
    Write(At("c01.SML"), "A\nB\nC\nD\n");
    EXPECT_EQ(FindCaseBlind(root, "c01.SML"), At("c01.SML"));
    EXPECT_EQ(FindCaseBlind(root, "C01.Sml"), At("C01.sml"));
    EXPECT_EQ(FindCaseBlind(root, "c01\\bnd.dbf"), At("C01/BND.DBF"));
    EXPECT_EQ(FindCaseBlind(root, "none.txt"), At("none.txt"));
    EXPECT_EQ(FindCaseBlind(root, ""), root);
}

TEST_F(Jobs, CoverNamesAreBig5InTheListAndTheOutputs) {
    WriteTable(Cover("水田") + "/bnd.dbf", kBnd, {{1, 2, 3, 4}});
    Write(At("水田.SML"), "1\n2\n3\n4\n");
    Write(At("covlist.txt"), "\xA4\xF4\xA5\xD0\r\n");  // 水田
    jobs.Extents(root);
    EXPECT_EQ(Bytes(At("coord.txt")), "\xA4\xF4\xA5\xD0 1.000 2.000 3.000 4.000\r\n\r\n");
    jobs.SmlList(root);
    EXPECT_EQ(Bytes(At("arcsml.txt")), "\xA4\xF4\xA5\xD0 1 2 3 4\r\n\r\n");
}

// Every error the jobs let end the program, with the file it names; the outputs written
// before the job stay as they were.
TEST_F(Jobs, RunTimeErrorsNameTheErrorAndTheFile) {
    struct Case {
        const char* what;
        std::function<void(Jobs&)> spoil;
        std::function<void(CoverJobs&, const std::string&)> job;
        int number;
        const char* file;
    };
    auto extents = [](CoverJobs& j, const std::string& f) { j.Extents(f); };
    auto tics = [](CoverJobs& j, const std::string& f) { j.TicPoints(f); };
    auto sml = [](CoverJobs& j, const std::string& f) { j.SmlList(f); };
    auto doc = [](CoverJobs& j, const std::string& f) { j.DocCopy(f); };
    auto recode = [](CoverJobs& j, const std::string& f) { j.RecodeCulture(f); };
    const Case cases[] = {
        {"no cover list", [](Jobs& t) { fs::remove(t.At("covlist.txt")); }, extents,
         kFileNotFound, "covlist.txt"},
        {"no cover folder", [](Jobs& t) { fs::remove_all(t.At("c02")); }, tics, kNotValidPath,
         "c02"},
        {"no table", [](Jobs& t) { fs::remove(t.At("c02/tic.dbf")); }, tics, kTableNotFound,
         "c02/tic.dbf"},
        {"three bnd fields",
         [](Jobs& t) {
             WriteTable(t.At("c02/bnd.dbf"), {kBnd[0], kBnd[1], kBnd[2]}, {{1, 2, 3}});
         },
         extents, kItemNotFound, "c02/bnd.dbf"},
        {"no culture field",
         [](Jobs& t) { WriteTable(t.At("c02/pat.dbf"), {kPat[0]}, {{1}}); }, recode,
         kItemNotFound, "c02/pat.dbf"},
        {"empty bnd", [](Jobs& t) { WriteTable(t.At("c02/bnd.dbf"), kBnd, {}); }, extents,
         kNoCurrentRecord, "c02/bnd.dbf"},
        {"empty pat", [](Jobs& t) { WriteTable(t.At("c02/pat.dbf"), kPat, {}); }, recode,
         kNoCurrentRecord, "c02/pat.dbf"},
        {"null extent",
         [](Jobs& t) { WriteTable(t.At("c02/bnd.dbf"), kBnd, {{1, Cell(), 3, 4}}); }, extents,
         kInvalidUseOfNull, "c02/bnd.dbf"},
        {"no SML", [](Jobs& t) { fs::remove(t.At("c02.SML")); }, sml, kFileNotFound, "c02.SML"},
        {"SML of three lines", [](Jobs& t) { Write(t.At("c02.SML"), "1\r\n2\r\n3\r\n"); }, sml,
         kInputPastEnd, "c02.SML"},
        {"no .doc", [](Jobs& t) { fs::remove(t.At("c02.doc")); }, doc, kFileNotFound,
         "c02.doc"},
        {"cover name not Big5", [](Jobs& t) { Write(t.At("covlist.txt"), "c01\r\n\xFF\xFF\r\n"); },
         doc, kTypeMismatch, "covlist.txt"},
        {"not a table", [](Jobs& t) { Write(t.At("c02/tic.dbf"), "garbage"); }, tics,
         kCannotOpenTable, "c02/tic.dbf"},
        {"table shorter than its header says",
         [](Jobs& t) {
             std::string b = Bytes(t.At("c02/tic.dbf"));
             b[4] = b[5] = b[6] = '\x7f';  // record count near 2^31
             Write(t.At("c02/tic.dbf"), b);
         },
         tics, kCannotOpenTable, "c02/tic.dbf"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TearDown();
        SetUp();
        TwoCovers();
        for (const char* out : {"coord.txt", "tic.txt", "arcsml.txt"}) Write(At(out), "before");
        std::string c01 = Bytes(At("c01/pat.dbf"));
        c.spoil(*this);
        CoverJobs fresh;
        rice::RecordingSink sink;
        int status = rice::RunUntilExit([&] {
            RunJob(sink, [&] { c.job(fresh, root); });
            return 0;
        });
        EXPECT_EQ(status, 1);
        ASSERT_EQ(sink.messages.size(), 1u);
        const std::string& m = sink.messages[0];
        std::string number = "'";
        number += std::to_string(c.number) + "'";
        EXPECT_NE(m.find(number), std::string::npos) << m;
        EXPECT_NE(m.find(At(c.file)), std::string::npos) << m;
        for (const char* out : {"coord.txt", "tic.txt", "arcsml.txt"})
            EXPECT_EQ(Bytes(At(out)), "before") << out;
        if (c.job.target_type() == typeid(recode)) {
            EXPECT_NE(Bytes(At("c01/pat.dbf")), c01) << "the first cover was committed";
        }
        if (c.job.target_type() == typeid(doc)) {
            EXPECT_EQ(Bytes(At("tem.txt")), "first\r\n\r\n") << "the last cover done";
        }
    }
}

TEST_F(Jobs, RunJobShowsTheDoneMessage) {
    TwoCovers();
    rice::RecordingSink sink;
    RunJob(sink, [&] { jobs.Extents(root); });
    EXPECT_EQ(sink.messages, std::vector<std::string>{"作業完成...."});
}

}  // namespace
}  // namespace cover::test
