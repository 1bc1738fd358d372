#pragma once
// The input files of a run, so that no output of the run lands on one of them.
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace rice {

// Every input of a run: its images, its parcel files with their .shx and .dbf, and any other
// file it reads (the merge-info statistics). An output is refused when it is one of them,
// whatever the spelling or link that reaches it (device and inode once links are followed),
// or when its name is one of theirs.
class RunInputs {
public:
    RunInputs(const std::vector<std::string>& images, const std::vector<std::string>& parcelPaths,
              const std::vector<std::string>& others = {});
    bool Holds(const std::string& path) const;

private:
    void Add(const std::string& path);
    static std::string CanonicalName(const std::string& path);
    std::set<std::pair<std::uint64_t, std::uint64_t>> files_;
    std::set<std::string> names_;
};

}  // namespace rice
