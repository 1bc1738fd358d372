#pragma once
// Fake outside programs for tests: small shell scripts in a temporary folder put first on
// PATH. Each appends its name to "calls" and records its working folder and standard input.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/core/files.h"
#include "platform/testing/temp_folder.h"

namespace rice::testing_fakes {

class FakePrograms {
public:
    // `ruskelOutput`: what the fake ruskel writes into the output file named on the third
    // line of its standard input.
    explicit FakePrograms(const std::string& ruskelOutput = "K123 45\r\nK124\r\n") {
        for (const char* name : {"dravik", "tolvex", "pemrod", "yarnel", "ruskel"}) {
            std::string script = "#!/bin/sh\n"
                                 "echo " + std::string(name) + " >> '" + dir_ + "/calls'\n"
                                 "pwd > '" + dir_ + "/" + name + ".cwd'\n"
                                 "cat > '" + dir_ + "/" + name + ".stdin'\n";
            if (std::string(name) == "ruskel") {
                std::ofstream(dir_ + "/ruskel.out", std::ios::binary) << ruskelOutput;
                script += "out=$(sed -n 3p '" + dir_ + "/ruskel.stdin' | tr -d '\\r')\n"
                          "cp '" + dir_ + "/ruskel.out' \"$out\"\n";
            }
            std::string path = dir_ + "/" + name;
            std::ofstream(path) << script;
            std::filesystem::permissions(path, std::filesystem::perms::owner_all |
                                                   std::filesystem::perms::group_read |
                                                   std::filesystem::perms::group_exec);
        }
        const char* old = std::getenv("PATH");
        savedPath_ = old ? old : "";
        ::setenv("PATH", (dir_ + ":" + savedPath_).c_str(), 1);
    }
    ~FakePrograms() { ::setenv("PATH", savedPath_.c_str(), 1); }
    FakePrograms(const FakePrograms&) = delete;
    FakePrograms& operator=(const FakePrograms&) = delete;

    // Program names in the order they ran.
    std::vector<std::string> Calls() const {
        std::vector<std::string> out;
        std::ifstream in(dir_ + "/calls");
        for (std::string line; std::getline(in, line);) out.push_back(line);
        return out;
    }
    std::string WorkingFolder(const std::string& name) const {
        std::string s = ReadWholeFile(dir_ + "/" + name + ".cwd").value_or("");
        if (!s.empty() && s.back() == '\n') s.pop_back();
        return s;
    }
    std::string Input(const std::string& name) const {
        return ReadWholeFile(dir_ + "/" + name + ".stdin").value_or("<not run>");
    }

private:
    rice::testing::TempFolder folder_{"fakes"};
    const std::string dir_ = folder_.path();
    std::string savedPath_;
};

}  // namespace rice::testing_fakes
