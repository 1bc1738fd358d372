#include "workbench/engine/signature.h"

#include <algorithm>
#include <cstdio>
#include <dirent.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "platform/core/files.h"
#include "platform/core/paths.h"
#include "workbench/engine/classifier.h"
#include "workbench/engine/text_fields.h"

namespace rice {
namespace {

constexpr const char* kEol = "\r\n";

std::string InsertBeforeExtension(const std::string& path, const char* text) {
    size_t at = path.size() >= 4 ? path.size() - 4 : 0;
    return path.substr(0, at) + text + path.substr(at);
}

// Our temporary files only: never a folder that happens to carry the name.
void RemoveFile(const std::string& path) { ::unlink(path.c_str()); }

bool WritePlainFile(const std::string& path, const std::string& bytes) {
    return WriteFileAtomic(path, bytes);
}

void AppendLine(std::string& out, std::string_view line) {
    out.append(line);
    out.append(kEol);
}

// Converts the text of a signature file. Empty `error` on success.
std::string ConvertText(std::string_view gsg, SignatureCounts& counts, std::string& error) {
    std::vector<std::string_view> lines = SplitTextLines(gsg);
    auto line = [&](size_t number) -> std::string_view {  // counted from 1
        return number <= lines.size() ? lines[number - 1] : std::string_view();
    };
    int n = TwoCharCount(line(6), 12);
    int classes = n > 0 ? TwoCharCount(line(static_cast<size_t>(n) + 10), 17) : -1;
    if (n <= 0 || classes <= 0) {
        error = "DoConv Read Count ";
        return {};
    }
    const size_t bands = static_cast<size_t>(n);
    const size_t block = bands + 8;
    if (lines.size() < bands + 10 + static_cast<size_t>(classes) * block) {
        error = "DoConv Short Input ";
        return {};
    }
    std::string out;
    AppendLine(out, std::to_string(classes));
    AppendLine(out, std::to_string(n));
    for (size_t k = 0; k < static_cast<size_t>(classes); ++k) {
        size_t meanLine = bands + 17 + k * block;
        for (double v : LeadingNumbers(line(meanLine))) AppendLine(out, FixedText(v, 5));
        for (size_t r = 0; r < bands; ++r) {
            std::vector<double> row = LeadingNumbers(line(meanLine + 2 + r));
            for (size_t i = 1; i < row.size(); ++i) {
                out += FixedText(row[i], 5);
                out += ' ';
            }
            out += kEol;
        }
    }
    counts.classes = classes;
    counts.bands = n;
    return out;
}

bool MatchesGsgPattern(const std::string& name) {
    // "*.gsg" as the folder listing matches it: case-blind.
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return tail == ".gsg";
}

std::string ExtensionOf(const std::string& name) {
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(dot + 1);
}

void Collect(const std::string& folder, std::vector<std::string>& found,
             std::set<std::pair<dev_t, ino_t>>& visited) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) != 0 || !visited.insert({st.st_dev, st.st_ino}).second) return;
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name != "." && name != ".." && MatchesGsgPattern(name)) names.push_back(name);
    }
    ::closedir(dir);
    // A steady order, whatever the file system hands out.
    std::sort(names.begin(), names.end());
    for (const std::string& name : names) {
        std::string full = JoinPath(folder, name);
        if (IsFolder(full))
            Collect(full, found, visited);
        else if (ExtensionOf(name) == "gsg")
            found.push_back(full);
    }
}

}  // namespace

std::string ConvertedPathOf(const std::string& gsgPath) {
    return InsertBeforeExtension(gsgPath, "_temp");
}

std::string PaddingCopyPathOf(const std::string& gsgPath) {
    return InsertBeforeExtension(ConvertedPathOf(gsgPath), "2");
}

std::string MergedPathOf(const std::string& outputFolder, const std::string& riceGsgPath) {
    return JoinPath(outputFolder, InsertBeforeExtension(FileNameOf(riceGsgPath), "_Merge"));
}

SignatureCounts ConvertSignatureFile(const std::string& gsgPath, MessageSink& sink) {
    const std::string temp = ConvertedPathOf(gsgPath);
    std::optional<std::string> input = ReadWholeFile(gsgPath, kMaxSignatureFileBytes);
    if (!input) {
        RemoveFile(temp);
        sink.ShowMessage("DoConv Open Input " + gsgPath + " Fail");
        return {};
    }
    SignatureCounts counts;
    std::string error;
    std::string text = ConvertText(*input, counts, error);
    if (!error.empty()) {
        RemoveFile(temp);
        sink.ShowMessage(error + gsgPath + " Fail");
        return {};
    }
    if (!WritePlainFile(temp, text)) {
        RemoveFile(temp);
        sink.ShowMessage("DoConv Open Output " + temp + " Fail");
        return {};
    }
    return counts;
}

bool PadSignatureClasses(const std::string& gsgPath, int extra, MessageSink& sink) {
    const std::string temp = ConvertedPathOf(gsgPath);
    const std::string copy = PaddingCopyPathOf(gsgPath);
    auto fail = [&](const char* what, const std::string& path) {
        RemoveFile(copy);
        sink.ShowMessage(what + path + " Fail");
        return false;
    };
    std::optional<std::string> original = ReadWholeFile(temp, kMaxStatisticsTextBytes);
    if (!original) return fail("複製補分類數檔 ", temp);
    if (!WritePlainFile(copy, *original)) return fail("複製補分類數檔 ", copy);
    std::optional<std::string> text = ReadWholeFile(copy, kMaxStatisticsTextBytes);
    if (!text) return fail("開啟補分類檔 ", copy);

    std::vector<std::string_view> lines = SplitTextLines(*text);
    auto line = [&](size_t index) -> std::string_view {  // counted from 0
        return index < lines.size() ? lines[index] : std::string_view();
    };
    int e = TwoCharCount(line(0), 0);
    int g = TwoCharCount(line(1), 0);
    if (e < 1 || g < 1) return fail("開啟補分類檔 ", copy);
    const size_t blockLines = 2 * static_cast<size_t>(g);
    std::string out;
    AppendLine(out, std::to_string(e + extra));
    AppendLine(out, std::to_string(g));
    auto copyLines = [&](size_t from, size_t count) {
        for (size_t i = from; i < from + count; ++i)
            if (!line(i).empty()) AppendLine(out, line(i));
    };
    copyLines(2, blockLines * static_cast<size_t>(e));
    for (int i = 0; i < extra; ++i) copyLines(2 + blockLines * static_cast<size_t>(e - 1), blockLines);
    if (!WriteFileAtomic(temp, out)) return fail("開啟補分類檔 ", temp);
    RemoveFile(copy);
    return true;
}

void CollectGsgFiles(const std::string& folder, std::vector<std::string>& found) {
    std::set<std::pair<dev_t, ino_t>> visited;
    Collect(folder, found, visited);
}

bool MergeSignaturePair(const std::string& riceGsgPath, const std::string& nonRiceFolder,
                        const std::string& outputFolder, MessageSink& sink) {
    const std::string partner = JoinPath(nonRiceFolder, FileNameOf(riceGsgPath));
    const std::string riceTemp = ConvertedPathOf(riceGsgPath);
    const std::string partnerTemp = ConvertedPathOf(partner);
    SignatureCounts rice = ConvertSignatureFile(riceGsgPath, sink);
    SignatureCounts other = ConvertSignatureFile(partner, sink);  // whatever the first gave
    auto done = [&](bool merged) {
        RemoveFile(riceTemp);
        RemoveFile(partnerTemp);
        return merged;
    };
    if (rice.classes == 0 || other.classes == 0) return done(false);
    if (rice.bands != other.bands) {
        sink.ShowMessage("Merge Band Count " + riceGsgPath + " , " + partner + " Fail");
        return done(false);
    }
    if (rice.classes > other.classes) {
        if (!PadSignatureClasses(partner, rice.classes - other.classes, sink)) return done(false);
    } else if (other.classes > rice.classes) {
        if (!PadSignatureClasses(riceGsgPath, other.classes - rice.classes, sink)) return done(false);
    }
    std::optional<std::string> riceText = ReadWholeFile(riceTemp, kMaxStatisticsTextBytes);
    if (!riceText) {
        sink.ShowMessage("Merge Open Input " + riceTemp + " Fail");
        return done(false);
    }
    std::optional<std::string> otherText = ReadWholeFile(partnerTemp, kMaxStatisticsTextBytes);
    if (!otherText) {
        sink.ShowMessage("Merge Open Input " + partnerTemp + " Fail");
        return done(false);
    }
    std::vector<std::string_view> r = SplitTextLines(*riceText);
    std::vector<std::string_view> n = SplitTextLines(*otherText);
    auto at = [](const std::vector<std::string_view>& v, size_t i) {
        return i < v.size() ? v[i] : std::string_view();
    };
    int count1 = std::max(0, TwoCharCount(at(r, 0), 0));
    int count2 = std::max(0, TwoCharCount(at(n, 0), 0));
    std::string out;
    AppendLine(out, std::to_string(count1 + count2));
    AppendLine(out, at(r, 1));
    for (size_t i = 2; i < r.size(); ++i)
        if (!r[i].empty()) AppendLine(out, r[i]);
    for (size_t i = 2; i < n.size(); ++i) AppendLine(out, n[i]);
    out += kEol;  // the read that meets the end of the non-rice text
    const std::string merged = MergedPathOf(outputFolder, riceGsgPath);
    if (!WriteFileAtomic(merged, out)) {
        sink.ShowMessage("Merge Open Output " + merged + " Fail");
        return done(false);
    }
    return done(true);
}

}  // namespace rice
