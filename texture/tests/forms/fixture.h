#pragma once
// A folder of its own per test, the texture tool run in it under the scripted operator.
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "platform/core/exit.h"
#include "platform/core/files.h"
#include "platform/core/paths.h"
#include "platform/script/operator.h"
#include "platform/testing/temp_folder.h"
#include "platform/ui/ui.h"
#include "texture/forms/Gis.h"
#include "texture/forms/form_support.h"

namespace tex::test {

namespace fs = std::filesystem;

// The tool looks for its settings in the current folder, so each test runs in its own.
class ToolFolder : public rice::testing::InTempFolderTest {
protected:
    void SetUp() override { ui::SetAppTitle(kProgramTitle); }
    static void Write(const std::string& path, const std::string& bytes) {
        ASSERT_TRUE(rice::WriteFileAtomic(path, bytes)) << path;
    }
    static std::string Bytes(const std::string& path) { return rice::ReadWholeFile(path).value_or("<missing>"); }

    // Runs script over an application made beforehand (keeps its forms for inspection);
    // returns the message boxes shown, one "[caption] text" line each.
    std::string Run(TextureApplication& app, const std::string& script) {
        std::ostringstream out, err;
        script::Operator op(script, "test.script", out, err);
        ui::ScopedUi scope(op);
        status = rice::RunUntilExit([&] {
            app.Run();
            return 0;
        });
        errors = err.str();
        return out.str();
    }
    // Makes the application (start-up) and runs script over it.
    std::string Run(const std::string& script) {
        std::ostringstream out, err;
        script::Operator op(script, "test.script", out, err);
        ui::ScopedUi scope(op);
        status = rice::RunUntilExit([&] { return WinMain(); });
        errors = err.str();
        return out.str();
    }
    // Makes the application under a silent operator (start-up messages are not looked at).
    std::unique_ptr<TextureApplication> Start() {
        std::ostringstream out, err;
        script::Operator op("", "start", out, err);
        ui::ScopedUi scope(op);
        return std::make_unique<TextureApplication>();
    }

    // A grid of width x height in the tool's text format.
    template <class F>
    static std::string Grid(int width, int height, F value) {
        std::string s;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) s += std::to_string(value(x, y)) + " ";
            s += "\r\n";
        }
        return s;
    }
    // width x height cells of text, the border given separately.
    static std::string Framed(int width, int height, int border, const std::string& inner,
                              const std::string& outer) {
        std::string s;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                bool edge = x < border || y < border || x >= width - border || y >= height - border;
                s += (edge ? outer : inner) + " ";
            }
            s += "\r\n";
        }
        return s;
    }
    std::vector<std::string> Files() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder())) names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    std::string errors;
    int status = 0;
};

}  // namespace tex::test
