// Reading operator files: only regular files, never blocking, never beyond a cap.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/core/files.h"
#include "platform/core/settings.h"
#include "platform/testing/temp_folder.h"

namespace rice {
namespace {

namespace fs = std::filesystem;

TEST(Files, WholeFileReadsRefuseSpecialAndOversizedFiles) {
    testing::TempFolder folder("read");
    const fs::path dir = folder.path();
    std::ofstream(dir / "ten.txt", std::ios::binary) << "0123456789";
    fs::create_symlink("/dev/zero", dir / "zero.txt");
    ASSERT_EQ(::mkfifo((dir / "pipe.txt").c_str(), 0600), 0);
    fs::create_directories(dir / "folder.txt");

    struct Case {
        const char* name;
        std::uint64_t cap;
        ReadRefusal why;
    };
    const Case cases[] = {
        {"ten.txt", 10, ReadRefusal::kNone},
        {"ten.txt", 9, ReadRefusal::kTooLarge},
        {"missing.txt", 10, ReadRefusal::kCannotOpen},
        {"zero.txt", 10, ReadRefusal::kNotRegular},  // would never end
        {"pipe.txt", 10, ReadRefusal::kNotRegular},  // would block with no writer
        {"folder.txt", 10, ReadRefusal::kNotRegular},
    };
    for (const auto& c : cases) {
        ReadRefusal why = ReadRefusal::kReadError;
        std::optional<std::string> bytes = ReadWholeFile((dir / c.name).string(), c.cap, &why);
        EXPECT_EQ(why, c.why) << c.name << " cap " << c.cap;
        EXPECT_EQ(bytes.has_value(), c.why == ReadRefusal::kNone) << c.name;
        if (bytes) {
            EXPECT_EQ(*bytes, "0123456789");
        }
    }
    // The same refusals for readers that stream the file themselves.
    std::uint64_t size = 0;
    std::FILE* f = OpenRegularFile((dir / "ten.txt").string(), &size);
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(size, 10u);
    std::fclose(f);
    ReadRefusal why = ReadRefusal::kNone;
    EXPECT_EQ(OpenRegularFile((dir / "pipe.txt").string(), nullptr, &why), nullptr);
    EXPECT_EQ(why, ReadRefusal::kNotRegular);
}

TEST(Files, SettingsFileThatIsADeviceOrAPipeHoldsNothing) {
    testing::TempFolder folder("settings");
    const fs::path dir = folder.path();
    fs::create_symlink("/dev/zero", dir / "zero.ini");
    ASSERT_EQ(::mkfifo((dir / "pipe.ini").c_str(), 0600), 0);
    for (const char* name : {"zero.ini", "pipe.ini"}) {
        Settings s((dir / name).string());
        s.WriteString("Recent File List", "File1", "/kept");
        s.Load();  // returns at once, with nothing read
        EXPECT_EQ(s.GetString("Recent File List", "File1"), "") << name;
    }
}

}  // namespace
}  // namespace rice
