#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/core/files.h"
#include "platform/core/message_sink.h"
#include "platform/testing/temp_folder.h"
#include "workbench/engine/classifier.h"
#include "workbench/engine/signature.h"
#include "samples/signature_samples.h"
#include "workbench/engine/stats_listing.h"
#include "workbench/engine/text_fields.h"

namespace rice {
namespace {

namespace fs = std::filesystem;

using testing::TempFolder;

void Write(const std::string& path, const std::string& bytes) {
    fs::create_directories(fs::path(path).parent_path());
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

std::string Printf(const char* fmt, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    return buf;
}

// Values of class k (from 0), band b, covariance column c of a fixture side; `salt` keeps the
// rice and non-rice sides apart. Diagonal-dominant so the classifier can read them back.
double Mean(int salt, int k, int b) { return salt * 100 + k * 3 + b + 0.1234567; }
double Cov(int salt, int k, int r, int c) {
    return r == c ? 40.0 + salt + k * 0.25 + r : 0.5 + 0.01 * (r + c) + 0.001 * k;
}

// A signature file in the layout the converter reads: band count at characters 13-14 of
// line 6, class count at characters 18-19 of line n+10, then the class blocks.
std::string MakeGsg(int bands, int classes, int salt, const std::string& bandText = "",
                    const std::string& classText = "") {
    std::string t;
    t += "SIGNATURE FILE\r\n\r\nsource: fixture\r\n\r\n\r\n";
    t += "# of bands: " + (bandText.empty() ? std::to_string(bands) : bandText) + "\r\n";
    for (int i = 7; i <= bands + 9; ++i) t += "  band " + std::to_string(i - 6) + "\r\n";
    t += "# of signatures: " + (classText.empty() ? std::to_string(classes) : classText) + "\r\n";
    for (int k = 0; k < classes; ++k) {
        t += "\r\nSignature " + std::to_string(k + 1) + "\r\n  pixels 100\r\n\r\n\r\nmeans:\r\n";
        for (int b = 0; b < bands; ++b) t += " " + Printf("%.7f", Mean(salt, k, b));
        t += "\r\ncovariance:\r\n";
        for (int r = 0; r < bands; ++r) {
            t += std::to_string(r + 1);
            for (int c = 0; c < bands; ++c) t += "  " + Printf("%.7f", Cov(salt, k, r, c));
            t += "\r\n";
        }
    }
    return t;
}

// The converted block of one class, as the class-statistics text holds it.
std::string Block(int bands, int salt, int k) {
    std::string t;
    for (int b = 0; b < bands; ++b) t += Printf("%.5f", Mean(salt, k, b)) + "\r\n";
    for (int r = 0; r < bands; ++r) {
        for (int c = 0; c < bands; ++c) t += Printf("%.5f", Cov(salt, k, r, c)) + " ";
        t += "\r\n";
    }
    return t;
}

TEST(TextFields, CountsAndNumbers) {
    struct Count { const char* line; size_t column; int value; };
    const Count counts[] = {
        {"123456789012 7", 12, 7},  {"1234567890127 ", 12, 7}, {"12345678901212", 12, 12},
        {"123456789012", 12, -1},   {"123456789012 x", 12, -1}, {"1234567890123", 12, 3},
        {"123456789012  9", 12, -1}, {"12", 0, 12}, {"40", 0, 40}, {"7", 0, 7},
    };
    for (const auto& c : counts) EXPECT_EQ(TwoCharCount(c.line, c.column), c.value) << c.line;

    struct Numbers { const char* line; std::vector<double> values; };
    const Numbers numbers[] = {
        {" 1.5 2.25", {1.5, 2.25}},  {"3 10.0 2.0 1.0", {3, 10, 2, 1}}, {"1 2 x 3", {1, 2}},
        {"x 1", {}},                 {"", {}},                          {"-1e2\t+4 .5", {-100, 4, 0.5}},
        {"1.5abc 2", {1.5}},         {"inf 1", {}},                     {"1 nan", {1}},
    };
    for (const auto& c : numbers) EXPECT_EQ(LeadingNumbers(c.line), c.values) << c.line;

    EXPECT_EQ(FixedText(123.456789, 5), "123.45679");
    EXPECT_EQ(FixedText(-0.000004, 5), "-0.00000");
    EXPECT_EQ(SplitTextLines("a\r\nb\n\nc").size(), 4u);
    EXPECT_EQ(SplitTextLines("a\r\n").size(), 1u);
}

TEST(DoConv, NumberFormatsAndLineLayout) {
    TempFolder dir("signature");
    // One class, two bands; a mean line with trailing text, a covariance row with a bad
    // token and one with its label only.
    std::string gsg =
        "h1\nh2\nh3\nh4\nh5\n# of bands: 2\n7\n8\n9\n10\n11\n# of signatures: 1\n"
        "a\nb\nc\nd\ne\nf\n  1.5 2.25 mean\nx\n3 10.0 2.0 1.0\n4\n";
    Write(dir / "A.gsg", gsg);
    RecordingSink sink;
    SignatureCounts counts = ConvertSignatureFile(dir / "A.gsg", sink);
    EXPECT_EQ(counts.classes, 1);
    EXPECT_EQ(counts.bands, 2);
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(*ReadWholeFile(dir / "A_temp.gsg"),
              "1\r\n2\r\n1.50000\r\n2.25000\r\n10.00000 2.00000 1.00000 \r\n\r\n");
    EXPECT_EQ(ConvertedPathOf("/d/A.gsg"), "/d/A_temp.gsg");
    EXPECT_EQ(PaddingCopyPathOf("/d/A.gsg"), "/d/A_temp2.gsg");
    EXPECT_EQ(MergedPathOf("/out", "/rice/sub/A.gsg"), "/out/A_Merge.gsg");
}

TEST(DoConv, UnreadableSignatureFiles) {
    std::string good = MakeGsg(3, 2, 0);
    std::string longLine(400, '9');
    struct Case { const char* name; std::string text; const char* message; };
    const Case cases[] = {
        {"missing", "", "DoConv Open Input "},
        {"empty", "-", "DoConv Read Count "},
        {"band count 0", MakeGsg(3, 2, 0, "0"), "DoConv Read Count "},
        {"band count not a number", MakeGsg(3, 2, 0, "x3"), "DoConv Read Count "},
        {"band line too short", MakeGsg(3, 2, 0, " "), "DoConv Read Count "},
        {"class count 0", MakeGsg(3, 2, 0, "", "0"), "DoConv Read Count "},
        {"class count not a number", MakeGsg(3, 2, 0, "", "zz"), "DoConv Read Count "},
        {"ends before its last class", good.substr(0, good.rfind("\r\n", good.size() - 3) + 2), "DoConv Short Input "},
        {"only the header", good.substr(0, 60), "DoConv Read Count "},
    };
    for (const auto& c : cases) {
        TempFolder dir("signature");
        std::string path = dir / "A.gsg";
        if (std::string(c.name) != "missing") Write(path, c.text == "-" ? "" : c.text);
        RecordingSink sink;
        EXPECT_EQ(ConvertSignatureFile(path, sink).classes, 0) << c.name;
        ASSERT_EQ(sink.messages.size(), 1u) << c.name;
        EXPECT_EQ(sink.messages[0], c.message + path + " Fail") << c.name;
        EXPECT_FALSE(FileExists(dir / "A_temp.gsg")) << c.name;
    }
    // A line far beyond 255 characters is read whole and spoils nothing after it.
    TempFolder dir("signature");
    std::string withLong = good;
    withLong.replace(withLong.find("source: fixture"), 15, longLine);
    Write(dir / "A.gsg", withLong);
    Write(dir / "B.gsg", good);
    RecordingSink sink;
    EXPECT_EQ(ConvertSignatureFile(dir / "A.gsg", sink).classes, 2);
    EXPECT_EQ(ConvertSignatureFile(dir / "B.gsg", sink).classes, 2);
    EXPECT_EQ(*ReadWholeFile(dir / "A_temp.gsg"), *ReadWholeFile(dir / "B_temp.gsg"));
}

TEST(PadSignatureClasses, RepeatsTheLastClassAndLeavesNoCopy) {
    TempFolder dir("signature");
    Write(dir / "A.gsg", MakeGsg(2, 3, 1));
    RecordingSink sink;
    ASSERT_EQ(ConvertSignatureFile(dir / "A.gsg", sink).classes, 3);
    ASSERT_TRUE(PadSignatureClasses(dir / "A.gsg", 2, sink));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(*ReadWholeFile(dir / "A_temp.gsg"), "5\r\n2\r\n" + Block(2, 1, 0) + Block(2, 1, 1) +
                                                      Block(2, 1, 2) + Block(2, 1, 2) +
                                                      Block(2, 1, 2));
    EXPECT_EQ(dir.Contents(), (std::vector<std::string>{"A.gsg", "A_temp.gsg"}));

    // No temporary text to pad: a message, nothing made.
    EXPECT_FALSE(PadSignatureClasses(dir / "B.gsg", 1, sink));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0], "複製補分類數檔 " + (dir / "B_temp.gsg") + " Fail");
    EXPECT_EQ(dir.Contents(), (std::vector<std::string>{"A.gsg", "A_temp.gsg"}));
}

TEST(MergeSignaturePair, Table) {
    struct Side { int bands, classes; bool present; std::string text; };
    struct Case {
        const char* name;
        Side rice, other;
        bool merged;
        int firstCount;
        const char* message;  // start of the one message expected, "" for none
        const char* messagePath;  // "rice" or "non" : the file the message names
    };
    std::string zeroCount = MakeGsg(7, 4, 0, "", "0");
    const Case cases[] = {
        {"12 against 20", {7, 12, true, ""}, {7, 20, true, ""}, true, 40, "", ""},
        {"20 against 12", {7, 20, true, ""}, {7, 12, true, ""}, true, 40, "", ""},
        {"equal counts", {4, 5, true, ""}, {4, 5, true, ""}, true, 10, "", ""},
        {"missing partner", {4, 5, true, ""}, {4, 5, false, ""}, false, 0, "DoConv Open Input ", "non"},
        {"rice count 0", {7, 4, true, zeroCount}, {7, 4, true, ""}, false, 0, "DoConv Read Count ", "rice"},
        {"partner count 0", {7, 4, true, ""}, {7, 4, true, zeroCount}, false, 0, "DoConv Read Count ", "non"},
        {"band mismatch", {7, 4, true, ""}, {6, 4, true, ""}, false, 0, "Merge Band Count ", "both"},
    };
    for (const auto& c : cases) {
        TempFolder dir("signature");
        std::string rice = dir / "rice/A.gsg", non = dir / "non/A.gsg";
        fs::create_directories(dir / "out");
        fs::create_directories(dir / "non");
        Write(rice, c.rice.text.empty() ? MakeGsg(c.rice.bands, c.rice.classes, 0) : c.rice.text);
        if (c.other.present)
            Write(non, c.other.text.empty() ? MakeGsg(c.other.bands, c.other.classes, 5) : c.other.text);
        RecordingSink sink;
        EXPECT_EQ(MergeSignaturePair(rice, dir / "non", dir / "out", sink), c.merged) << c.name;
        std::string msg = c.message;
        if (msg.empty()) {
            EXPECT_TRUE(sink.messages.empty()) << c.name;
        } else {
            ASSERT_EQ(sink.messages.size(), 1u) << c.name;
            std::string named = std::string(c.messagePath) == "rice" ? rice
                                : std::string(c.messagePath) == "non" ? non
                                                                     : rice + " , " + non;
            EXPECT_EQ(sink.messages[0], msg + named + " Fail") << c.name;
        }
        // Nothing but the inputs and the merged file is left.
        std::vector<std::string> expected = {"non", "out", "rice", "rice/A.gsg"};
        if (c.other.present) expected.insert(expected.begin() + 1, "non/A.gsg");
        if (c.merged) expected.insert(expected.end() - 2, "out/A_Merge.gsg");
        EXPECT_EQ(dir.Contents(), expected) << c.name;
        if (!c.merged) continue;
        int bands = c.rice.bands, big = std::max(c.rice.classes, c.other.classes);
        std::string want = std::to_string(c.firstCount) + "\r\n" + std::to_string(bands) + "\r\n";
        for (int k = 0; k < big; ++k) want += Block(bands, 0, std::min(k, c.rice.classes - 1));
        for (int k = 0; k < big; ++k) want += Block(bands, 5, std::min(k, c.other.classes - 1));
        want += "\r\n";
        EXPECT_EQ(*ReadWholeFile(dir / "out/A_Merge.gsg"), want) << c.name;
    }
}

TEST(MergeSignaturePair, UncreatableMergedFileIsReported) {
    TempFolder dir("signature");
    Write(dir / "rice/A.gsg", MakeGsg(3, 2, 0));
    Write(dir / "non/A.gsg", MakeGsg(3, 2, 1));
    RecordingSink sink;
    EXPECT_FALSE(MergeSignaturePair(dir / "rice/A.gsg", dir / "non", dir / "nowhere", sink));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0], "Merge Open Output " + (dir / "nowhere/A_Merge.gsg") + " Fail");
    EXPECT_EQ(dir.Contents(), (std::vector<std::string>{"non", "non/A.gsg", "rice", "rice/A.gsg"}));
}

TEST(MergeSignaturePair, FailedPaddingSkipsThePair) {
    TempFolder dir("signature");
    Write(dir / "rice/A.gsg", MakeGsg(3, 2, 0));
    Write(dir / "non/A.gsg", MakeGsg(3, 4, 1));
    fs::create_directories(dir / "rice/A_temp2.gsg");  // the padding copy cannot be made
    fs::create_directories(dir / "out");
    RecordingSink sink;
    EXPECT_FALSE(MergeSignaturePair(dir / "rice/A.gsg", dir / "non", dir / "out", sink));
    ASSERT_EQ(sink.messages.size(), 1u);
    EXPECT_EQ(sink.messages[0], "複製補分類數檔 " + (dir / "rice/A_temp2.gsg") + " Fail");
    EXPECT_EQ(dir.Contents(), (std::vector<std::string>{"non", "non/A.gsg", "out", "rice", "rice/A.gsg",
                                                     "rice/A_temp2.gsg"}));
}

TEST(CollectGsgFiles, PatternExtensionAndFolders) {
    TempFolder dir("signature");
    for (const char* f : {"A.gsg", "B.GSG", "c.gsgx", "d.txt", "old/x.gsg", "old.gsg/y.gsg",
                          "old.gsg/deep.gsg/z.gsg", "old.gsg/deep/w.gsg", "UP.GSG/u.gsg"})
        Write(dir / f, "x");
    std::vector<std::string> found = {"kept"};
    CollectGsgFiles(dir.path(), found);
    EXPECT_EQ(found, (std::vector<std::string>{"kept", dir / "A.gsg", dir / "UP.GSG/u.gsg",
                                               dir / "old.gsg/deep.gsg/z.gsg",
                                               dir / "old.gsg/y.gsg"}));
    std::vector<std::string> none;
    CollectGsgFiles(dir / "absent", none);
    EXPECT_TRUE(none.empty());
}

TEST(MergeSignaturePair, RiceFileInSubfolderPairsWithNonRiceFolderItself) {
    TempFolder dir("signature");
    Write(dir / "rice/old.gsg/S.gsg", MakeGsg(3, 2, 0));
    Write(dir / "non/S.gsg", MakeGsg(3, 2, 1));
    Write(dir / "non/old.gsg/S.gsg", "not this one");
    fs::create_directories(dir / "out");
    std::vector<std::string> found;
    CollectGsgFiles(dir / "rice", found);
    ASSERT_EQ(found.size(), 1u);
    RecordingSink sink;
    EXPECT_TRUE(MergeSignaturePair(found[0], dir / "non", dir / "out", sink));
    EXPECT_TRUE(sink.messages.empty());
    EXPECT_EQ(*ReadWholeFile(dir / "out/S_Merge.gsg"),
              "4\r\n3\r\n" + Block(3, 0, 0) + Block(3, 0, 1) + Block(3, 1, 0) + Block(3, 1, 1) + "\r\n");
}

// What the merge and the formatter write is what the classifier reads.
TEST(MergeSignaturePair, MergedAndFormattedTextsReadBackByTheClassifier) {
    TempFolder dir("signature");
    Write(dir / "rice/A.gsg", MakeGsg(7, 12, 0));
    Write(dir / "non/A.gsg", MakeGsg(7, 20, 1));
    fs::create_directories(dir / "out");
    RecordingSink sink;
    ASSERT_TRUE(MergeSignaturePair(dir / "rice/A.gsg", dir / "non", dir / "out", sink));
    std::string why;
    auto stats = ReadClassStatistics(*ReadWholeFile(dir / "out/A_Merge.gsg"), &why);
    ASSERT_TRUE(stats) << why;
    EXPECT_EQ(stats->classes, 40);
    EXPECT_EQ(stats->bands, 7);
    EXPECT_NEAR(stats->means[15][3], Mean(0, 11, 3), 1e-5);  // a padding copy of class 12
    EXPECT_NEAR(stats->means[39][6], Mean(1, 19, 6), 1e-5);
    EXPECT_NEAR(stats->covariances[20][2][1], Cov(1, 0, 2, 1), 1e-5);
    EXPECT_TRUE(PrepareClassifier(*stats, 7));

    std::vector<samples::SignatureClass> classes(2);
    for (int k = 0; k < 2; ++k)
        for (int r = 0; r < 9; ++r) {
            classes[k].mean.push_back(40 + 30 * k + r);
            for (int c = 0; c < 9; ++c) classes[k].cov.push_back(Cov(0, k, r, c));
        }
    auto listing = FormatStatisticsListing(samples::ListingText("x", classes));
    ASSERT_TRUE(listing);
    auto formatted = ReadClassStatistics(listing->text, &why);
    ASSERT_TRUE(formatted) << why;
    EXPECT_EQ(formatted->classes, 2);
    EXPECT_EQ(formatted->bands, 9);
    EXPECT_NEAR(formatted->covariances[1][8][8], Cov(0, 1, 8, 8), 1e-4);
    EXPECT_NEAR(formatted->covariances[1][2][8], Cov(0, 1, 2, 8), 1e-4);
}

// The demo generator's files must read as the workbench reads them.
TEST(DemoSignatures, ConvertAndFormatBackToTheirNumbers) {
    std::vector<samples::SignatureClass> classes;
    for (int k = 0; k < 3; ++k) {
        samples::SignatureClass c;
        for (int b = 0; b < 9; ++b) c.mean.push_back(60 + k * 7 + b * 1.25);
        for (int r = 0; r < 9; ++r)
            for (int col = 0; col < 9; ++col) c.cov.push_back(Cov(k, 0, r, col));
        classes.push_back(c);
    }
    std::string expected = "3\r\n9\r\n";
    for (const auto& c : classes) {
        for (double m : c.mean) expected += Printf("%.5f", m) + "\r\n";
        for (int r = 0; r < 9; ++r) {
            for (int col = 0; col < 9; ++col) expected += Printf("%.5f", c.cov[r * 9 + col]) + " ";
            expected += "\r\n";
        }
    }
    TempFolder dir("signature");
    ASSERT_TRUE(samples::WriteSheetSignatures(dir.path(), "9420", classes, classes));
    RecordingSink sink;
    SignatureCounts counts = ConvertSignatureFile(dir / "rice/info9420.gsg", sink);
    EXPECT_EQ(counts.classes, 3);
    EXPECT_EQ(counts.bands, 9);
    EXPECT_EQ(*ReadWholeFile(dir / "rice/info9420_temp.gsg"), expected);

    auto listing = FormatStatisticsListing(samples::ListingText("fixture", classes));
    ASSERT_TRUE(listing);
    std::vector<std::string_view> lines = SplitTextLines(listing->text);
    ASSERT_EQ(lines.size(), 2u + 3 * 18);
    EXPECT_EQ(lines[2], "60.000");
    std::string firstRow;
    for (int col = 0; col < 9; ++col) firstRow += (col ? " " : "") + Printf("%.4f", classes[0].cov[col]);
    EXPECT_EQ(lines[11], firstRow);  // both blocks joined
}

}  // namespace
}  // namespace rice
