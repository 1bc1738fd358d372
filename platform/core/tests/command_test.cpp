#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "platform/core/command.h"
#include "platform/core/files.h"
#include "platform/core/paths.h"
#include "platform/core/settings.h"
#include "platform/testing/temp_folder.h"

namespace rice {
namespace {

namespace fs = std::filesystem;

// A temporary folder made current, with its own bin/ on PATH.
class CommandFixture : public testing::InTempFolderTest {
protected:
    void SetUp() override {
        oldPath_ = std::getenv("PATH") ? std::getenv("PATH") : "";
        dir_ = folder();
        fs::create_directories(dir_ / "bin");
        fs::create_directories(dir_ / "own");
        fs::create_directories(dir_ / "work");
        ::setenv("PATH", ((dir_ / "bin").string() + ":/usr/bin:/bin").c_str(), 1);
        SetCurrentFolder((dir_ / "work").string());
    }
    void TearDown() override { ::setenv("PATH", oldPath_.c_str(), 1); }
    // A shell script as a fake program.
    void Program(const fs::path& path, const std::string& body) {
        std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
        fs::permissions(path, fs::perms::owner_all);
    }
    void Touch(const std::string& name) { std::ofstream(dir_ / "work" / name) << "x"; }
    std::string Log() { return ReadWholeFile((dir_ / "work" / "log").string()).value_or(""); }

    fs::path dir_;
    std::string oldPath_;
};

TEST_F(CommandFixture, RunsProgramsWaitsAndRedirectsInput) {
    Program(dir_ / "bin" / "tolvex", "sleep 0.2; cat >> log; echo done >> log; exit 3");
    std::ofstream(dir_ / "work" / "hist.txt") << "1\r\n2\r\n";
    RecordingSink sink;
    SystemInterpreter sys(&sink);
    sys.Run("tolvex < hist.txt");
    EXPECT_EQ(Log(), "1\r\n2\r\ndone\n");  // it has ended before Run returns; its status is ignored
    EXPECT_TRUE(sink.messages.empty());
}

TEST_F(CommandFixture, SystemProgramsBesideTheRunningProgramFirst) {
    Program(dir_ / "own" / "main", "echo own >> log");
    Program(dir_ / "bin" / "main", "echo path >> log");
    Program(dir_ / "own" / "dravik", "echo own >> log");
    Program(dir_ / "work" / "yarnel", "echo cwd >> log");
    RecordingSink sink;
    SystemInterpreter sys(&sink);
    sys.ownFolder = (dir_ / "own").string();
    sys.Run("main");
    EXPECT_EQ(Log(), "own\n");
    fs::remove(dir_ / "own" / "main");
    sys.Run("main");
    EXPECT_EQ(Log(), "own\npath\n");
    sys.Run("dravik < x");   // outside programs: PATH only, never beside us
    sys.Run("yarnel");       // ... nor in the current folder
    sys.Run("tolvex < missing.txt");
    EXPECT_EQ(sink.messages, (std::vector<std::string>{"無法執行: dravik < x", "無法執行: yarnel",
                                                       "無法執行: tolvex < missing.txt"}));
    Program(dir_ / "bin" / "tolvex", "echo ran >> log");
    sys.Run("tolvex < missing.txt");  // the input file is missing: the program does not run
    EXPECT_EQ(sink.messages.back(), "無法開啟: missing.txt");
    EXPECT_EQ(Log(), "own\npath\n");
}

TEST_F(CommandFixture, DocumentsGoToTheOpener) {
    Program(dir_ / "bin" / "xdg-open", "echo \"$1\" >> log");
    RecordingSink sink;
    SystemInterpreter sys(&sink);
    sys.Run("arcgis.mxd");
    EXPECT_EQ(sink.messages, (std::vector<std::string>{"無法開啟: arcgis.mxd"}));
    Touch("arcgis.mxd");
    sys.Run("arcgis.mxd");
    EXPECT_EQ(Log(), "arcgis.mxd\n");
}

TEST_F(CommandFixture, DelMatchesWildcardsCaseBlindRegularFilesOfTheCurrentFolderOnly) {
    for (const char* f : {"r4a.lan", "R4B.TXT", "r4", "r5x.dat", "xr4.lan", "keep.txt"}) Touch(f);
    fs::create_directories(dir_ / "work" / "r4dir");
    fs::create_directories(dir_ / "work" / "sub");
    std::ofstream(dir_ / "work" / "sub" / "r4c.lan") << "x";
    SystemInterpreter sys;
    sys.Run("del r4*.*");
    std::vector<std::string> left;
    for (auto& e : fs::directory_iterator(dir_ / "work")) left.push_back(e.path().filename().string());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"keep.txt", "r4dir", "r5x.dat", "sub", "xr4.lan"}));
    EXPECT_TRUE(fs::exists(dir_ / "work" / "sub" / "r4c.lan"));
    sys.Run("del r5?.dat");
    EXPECT_FALSE(fs::exists(dir_ / "work" / "r5x.dat"));
}

TEST(Wildcard, Cases) {
    struct Case {
        const char* pattern;
        const char* name;
        bool match;
    };
    const Case cases[] = {
        {"*.*", "a", true},       {"*.*", "a.b", true},    {"r4*.*", "R4.lan", true},
        {"r4*.*", "r5.lan", false}, {"?.txt", "a.txt", true}, {"?.txt", "ab.txt", false},
        {"*.lan", "a.lan.bak", false}, {"a*b*c", "aXbYc", true}, {"a*b*c", "aXbY", false},
    };
    for (const auto& c : cases) EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " " << c.name;
}

TEST(Interpreter, CurrentCanBeReplacedByARecorder) {
    RecordingInterpreter rec;
    SetInterpreter(&rec);
    System("main");
    System("arcgis.mxd");
    SetInterpreter(nullptr);
    EXPECT_EQ(rec.commands, (std::vector<std::string>{"main", "arcgis.mxd"}));
}

TEST(Settings, BadInputsNeverStopTheProgram) {
    struct Case {
        std::string text;
        std::string file1;
    };
    const Case cases[] = {
        {"[Recent File List]\nFile1=/a/b.x\n", "/a/b.x"},
        {"[Recent File List]\r\nFile1=/a/b.x\r\n", "/a/b.x"},   // CR LF
        {"File1=/a/b.x\n", ""},                                // no section
        {"[Recent File List\nFile1=/a/b.x\n", ""},             // broken header
        {"[Recent File List]\nFile1\n=x\n", ""},               // no "=" / no key
        {"[Recent File List]\nFile1=/a", "/a"},                // truncated, no line end
        {std::string("[Recent File List]\nFile1=\0x\n", 28), std::string("\0x", 2)},
        {"[Recent File List]\nFile1=" + std::string(2 << 20, 'a') + "\n", ""},  // oversized
        {"", ""},
    };
    for (const auto& c : cases) {
        Settings s("/nonexistent/settings.ini");
        s.Parse(c.text);
        EXPECT_EQ(s.GetString("Recent File List", "File1"), c.file1);
    }
}

TEST(Settings, RecentFileListOfFourRoundTrips) {
    testing::TempFolder config("settings");
    const fs::path dir = config.path();
    ::setenv("XDG_CONFIG_HOME", dir.c_str(), 1);
    Settings s("本機 AppWizard 所產生的應用程式", "Korvane");
    EXPECT_EQ(s.File(), (dir / "本機 AppWizard 所產生的應用程式" / "Korvane.ini").string());
    RecentFileList mru(4);
    for (const char* f : {"/1", "/2", "/3", "/4", "/5", "/3"}) mru.Add(f);
    EXPECT_EQ(mru.Entries(), (std::vector<std::string>{"/3", "/5", "/4", "/2"}));
    mru.Save(s);
    ASSERT_TRUE(s.Save());
    Settings again("本機 AppWizard 所產生的應用程式", "Korvane");
    again.Load();
    RecentFileList loaded(4);
    loaded.Load(again);
    EXPECT_EQ(loaded.Entries(), mru.Entries());
    loaded.Remove(0);
    loaded.Save(again);
    EXPECT_EQ(again.GetString("Recent File List", "File4"), "");
    ::unsetenv("XDG_CONFIG_HOME");
}

}  // namespace
}  // namespace rice
