#pragma once
// Temporary folders for tests. Each use gets a fresh folder of its own under one test root and
// the folder goes with its owner, so a test that fails half-way leaves nothing behind either.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "platform/core/paths.h"

namespace rice::testing {

// Every test folder sits under $TMPDIR (ctest points it into the build tree's test-tmp), else
// under /tmp. The root is made when missing (temp_directory_path would fall back to /tmp).
inline std::filesystem::path TestRoot() {
    const char* env = std::getenv("TMPDIR");
    std::filesystem::path root = env && *env ? env : "/tmp";
    std::error_code ec;
    std::filesystem::create_directories(root, ec);
    return root;
}

// A fresh, empty folder, removed with everything in it when the object goes away. `label`
// starts the folder's name, to tell whose it is while a test runs.
class TempFolder {
public:
    explicit TempFolder(std::string label = "rice") {
        for (char& c : label)
            if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '.') c = '_';
        if (label.size() > 80) label.resize(80);
        std::string name = (TestRoot() / (label + "-XXXXXX")).string();
        if (::mkdtemp(name.data()) == nullptr)
            throw std::system_error(errno, std::generic_category(), "mkdtemp " + name);
        path_ = name;
    }
    ~TempFolder() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    // A path inside the folder.
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    // Everything inside, files and folders, as sorted paths relative to the folder: what the
    // code under test left there.
    std::vector<std::string> Contents() const {
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::recursive_directory_iterator(path_))
            names.push_back(std::filesystem::relative(e.path(), path_).string());
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    std::string path_;
};

// A TempFolder that is the current folder while the object lives; the previous current folder
// comes back when it goes, whatever the test changed it to meanwhile.
class InTempFolder : public TempFolder {
public:
    explicit InTempFolder(std::string label = "rice")
        : TempFolder(std::move(label)), previous_(CurrentFolder()) {
        if (!SetCurrentFolder(path()))
            throw std::system_error(errno, std::generic_category(), "chdir " + path());
    }
    ~InTempFolder() { SetCurrentFolder(previous_); }

    // The current folder before this one.
    const std::string& previous() const { return previous_; }

private:
    std::string previous_;
};

// The running test's suite and name, to label its folder.
inline std::string CurrentTestLabel() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    if (info == nullptr) return "rice";
    return std::string(info->test_suite_name()) + "." + info->name();
}

// GoogleTest fixtures: a fresh folder per test (TempFolderTest), or one that is also the
// current folder during the test (InTempFolderTest).
template <class Folder>
class BasicTempFolderTest : public ::testing::Test {
protected:
    const std::string& folder() const { return folder_.path(); }
    // A path inside the test's folder.
    std::string Path(const std::string& name) const { return folder_ / name; }

private:
    Folder folder_{CurrentTestLabel()};
};
using TempFolderTest = BasicTempFolderTest<TempFolder>;
using InTempFolderTest = BasicTempFolderTest<InTempFolder>;

}  // namespace rice::testing
