// The inputs of the runs that bench/peers.sh times against the peer tools, and its plain writer.
//   peer_inputs FOLDER                 writes the inputs (see Write* below) into FOLDER
//   peer_inputs --rewrite DST ROUNDS FILE...  reads the files, then writes them into DST as new
//                                      files with plain writes, ROUNDS times (see Rewrite); prints
//                                      the best time in seconds
//   peer_inputs --time COMMAND...      runs COMMAND; prints its wall time and minor page faults
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <shapefil.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "platform/core/files.h"
#include "platform/core/paths.h"
#include "samples/lan_samples.h"
#include "workbench/engine/lan_image.h"

namespace {

constexpr const char* kSheet = "94203021";  // the parcel file's name, and its merge-info name

const std::vector<samples::SpectralClass>& Classes() {
    static const auto classes = samples::MakeSpectralClasses(4, 20, 20, 5);
    return classes;
}

// A parcel file of one parcel covering the whole image, and its merged class statistics where
// the classification runs look for them; the output folder.
bool WriteSheet(const std::string& dir, const rice::LanHeader& h) {
    std::error_code ec;
    for (const char* sub : {"parcels", "cls", "out"}) std::filesystem::create_directories(rice::JoinPath(dir, sub), ec);
    const std::string stem = rice::JoinPath(rice::JoinPath(dir, "parcels"), kSheet);
    SHPHandle shp = SHPCreate(stem.c_str(), SHPT_POLYGON);
    DBFHandle dbf = DBFCreate((stem + ".dbf").c_str());
    if (!shp || !dbf) return false;
    DBFAddField(dbf, "AREA", FTDouble, 12, 1);
    DBFAddField(dbf, "culture", FTString, 4, 0);
    const double x0 = h.xmap, y1 = h.ymap;
    const double x1 = x0 + h.icols * static_cast<double>(h.xcell), y0 = y1 - h.irows * static_cast<double>(h.xcell);
    double xs[] = {x0, x0, x1, x1, x0}, ys[] = {y0, y1, y1, y0, y0};  // clockwise: an outer ring
    SHPObject* o = SHPCreateSimpleObject(SHPT_POLYGON, 5, xs, ys, nullptr);
    SHPWriteObject(shp, -1, o);
    SHPDestroyObject(o);
    DBFWriteDoubleAttribute(dbf, 0, 0, (x1 - x0) * (y1 - y0));
    DBFWriteStringAttribute(dbf, 0, 1, "1");
    SHPClose(shp);
    DBFClose(dbf);
    return rice::WriteFileAtomic(rice::JoinPath(rice::JoinPath(dir, "cls"), std::string("info") + kSheet + "_Merge.gsg"),
                                 samples::ClassStatisticsText(Classes()));
}

// The classification run: a 4000 x 4000, 4-band image of fields of 40 classes, its parcel
// file, and for the peers the class of every cell (1 to 40, 0 where there is no data) as a
// one-band image to train their signatures on.
std::optional<samples::FieldImage> WriteClassification(const std::string& dir) {
    samples::FieldImageSpec spec;
    spec.icols = 4000;
    spec.irows = 4000;
    spec.fieldCols = 40;
    spec.fieldRows = 32;
    spec.noDataWedge = 0.05;
    samples::FieldImage field = samples::MakeFieldImage(spec, Classes());
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (!rice::WriteLanImage(rice::JoinPath(dir, "source.lan"), field.image)) return std::nullopt;
    rice::LanHeader truthHeader = field.image.header;
    truthHeader.nbands = 1;
    rice::LanImage truth = rice::LanImage::Blank(truthHeader);
    for (int r = 0; r < spec.irows; ++r) {
        auto line = truth.lines[static_cast<size_t>(r)];
        for (int c = 0; c < spec.icols; ++c) {
            if (field.image.Cell(r, 0, c) == 0) continue;
            const int f = (r / spec.fieldRows) * field.fieldsAcross + c / spec.fieldCols;
            line[static_cast<size_t>(c)] = static_cast<std::uint8_t>(field.fieldClass[static_cast<size_t>(f)] + 1);
        }
    }
    if (!rice::WriteLanImage(rice::JoinPath(dir, "truth.lan"), truth)) return std::nullopt;
    if (!WriteSheet(dir, field.image.header)) return std::nullopt;
    return field;
}

// The threshold grid: the classification image as its source, and a parcel file covering a
// 500 x 500 part of it away from its no-data corner, which the run clips.
bool WriteGrid(const std::string& dir, const rice::LanImage& big) {
    constexpr int kSide = 500, kFrom = 1000;
    rice::LanHeader box = big.header;
    box.icols = kSide;
    box.irows = kSide;
    box.xmap = big.header.xmap + kFrom * big.header.xcell;
    box.ymap = big.header.ymap - kFrom * big.header.xcell;
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return rice::WriteLanImage(rice::JoinPath(dir, "source.lan"), big) && WriteSheet(dir, box);
}

// The GLCM run: a random 512 x 512 8-bit image as the texture tool's text grid, and the same
// cells as a binary PGM for the peers.
bool WriteTexture(const std::string& dir) {
    constexpr unsigned kSide = 512;
    std::mt19937 gen(42);
    std::uniform_int_distribution<unsigned> level(0, 255);
    std::string grid, pgm = "P5\n512 512\n255\n";
    for (unsigned y = 0; y < kSide; ++y) {
        for (unsigned x = 0; x < kSide; ++x) {
            unsigned v = level(gen);
            grid += std::to_string(v) + " ";
            pgm += static_cast<char>(v);
        }
        grid += "\r\n";
    }
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    return rice::WriteFileAtomic(rice::JoinPath(dir, "tex.txt"), grid) &&
           rice::WriteFileAtomic(rice::JoinPath(dir, "tex.pgm"), pgm);
}

// Reads the files (untimed), then `rounds` times: removes the copies of an earlier round and
// syncs (untimed, as bench/peers.sh does before each of our runs), then writes the files into
// dst as new files with open, write and close. Prints the best round's time in seconds.
int Rewrite(const std::string& dst, int rounds, const std::vector<std::string>& files) {
    std::vector<std::pair<std::string, std::string>> contents;
    for (const auto& f : files) {
        auto bytes = rice::ReadWholeFile(f);
        if (!bytes) {
            std::fprintf(stderr, "peer_inputs: cannot read %s\n", f.c_str());
            return 1;
        }
        contents.emplace_back(rice::JoinPath(dst, rice::FileNameOf(f)), std::move(*bytes));
    }
    double best = 1e30;
    for (int round = 0; round < rounds; ++round) {
        std::error_code ec;
        std::filesystem::create_directories(dst, ec);
        for (const auto& content : contents) std::filesystem::remove(content.first, ec);
        ::sync();
        auto start = std::chrono::steady_clock::now();
        for (const auto& [path, bytes] : contents) {
            int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
            if (fd < 0 || ::write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
                ::close(fd) != 0) {
                std::fprintf(stderr, "peer_inputs: cannot write %s\n", path.c_str());
                return 1;
            }
        }
        best = std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::printf("%.3f\n", best);
    return 0;
}

// Runs the command with its output discarded; prints its wall time in seconds and its minor
// page faults. Fails with the command.
int Time(char** command) {
    auto start = std::chrono::steady_clock::now();
    const pid_t child = ::fork();
    if (child < 0) return 1;
    if (child == 0) {
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0) ::dup2(null, 1), ::dup2(null, 2);
        ::execvp(command[0], command);
        ::_exit(127);
    }
    int status = 0;
    struct rusage usage {};
    while (::wait4(child, &status, 0, &usage) < 0)
        if (errno != EINTR) return 1;
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.3f %ld\n", seconds, usage.ru_minflt);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 4 && std::string(argv[1]) == "--rewrite")
        return Rewrite(argv[2], std::max(1, std::atoi(argv[3])), std::vector<std::string>(argv + 4, argv + argc));
    if (argc >= 3 && std::string(argv[1]) == "--time") return Time(argv + 2);
    if (argc != 2) {
        std::fprintf(stderr, "usage: peer_inputs FOLDER | peer_inputs --rewrite DST ROUNDS FILE... | peer_inputs --time COMMAND...\n");
        return 2;
    }
    const std::string folder = argv[1];
    auto field = WriteClassification(rice::JoinPath(folder, "classify"));
    if (!field || !WriteGrid(rice::JoinPath(folder, "grid"), field->image) ||
        !WriteTexture(rice::JoinPath(folder, "texture"))) {
        std::fprintf(stderr, "peer_inputs: cannot write the inputs in %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
