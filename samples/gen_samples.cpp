// Writes the demo data set into a folder: gen_samples OUTPUT_FOLDER [--classify]
// One function per family of files; main calls them in order. With --classify the source
// image is then classified with its statistics.
#include <cmath>
#include <cstdio>
#include <optional>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/core/files.h"
#include "platform/core/message_sink.h"
#include "platform/core/paths.h"
#include "samples/cover_samples.h"
#include "samples/lan_samples.h"
#include "samples/overlay_samples.h"
#include "samples/signature_samples.h"
#include "workbench/engine/classifier.h"

namespace {

constexpr const char* kSourceLan = "source.lan";       // 4-band 8-bit source image
constexpr const char* kClassStats = "classes.txt";     // 20 rice + 20 non-rice classes
constexpr const char* kClassified = "classified.lan";  // written by --classify

// The spectral classes every family draws from: 20 rice classes, then 20 non-rice ones.
const std::vector<samples::SpectralClass>& DemoClasses() {
    static const auto classes = samples::MakeSpectralClasses(4, 20, 20, 1994);
    return classes;
}

// A 600 x 500 source image of 10-unit cells: fields of the demo classes, a no-data corner.
bool WriteSourceImage(const std::string& folder) {
    samples::FieldImageSpec spec;  // 600 x 500, 4 bands, origin (250000, 2655000)
    samples::FieldImage image = samples::MakeFieldImage(spec, DemoClasses());
    return rice::WriteLanImage(rice::JoinPath(folder, kSourceLan), image.image);
}

// Two bands of a 33 x 33 piece of the source image as the texture tool's text grids, in
// "texture": band1.txt and band2.txt.
bool WriteTextureGrids(const std::string& folder) {
    samples::FieldImageSpec spec;
    samples::FieldImage image = samples::MakeFieldImage(spec, DemoClasses());
    const std::string dir = rice::JoinPath(folder, "texture");
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    for (int band = 0; band < 2; ++band) {
        std::string grid;
        for (int r = 200; r < 233; ++r) {
            for (int c = 280; c < 313; ++c) grid += std::to_string(image.image.Cell(r, band, c)) + " ";
            grid += "\r\n";
        }
        if (!rice::WriteFileAtomic(rice::JoinPath(dir, "band" + std::to_string(band + 1) + ".txt"), grid))
            return false;
    }
    return true;
}

// The class-statistics text of the demo classes, as the signature converter writes it.
bool WriteClassStatistics(const std::string& folder) {
    return rice::WriteFileAtomic(rice::JoinPath(folder, kClassStats),
                                 samples::ClassStatisticsText(DemoClasses()));
}

// The parcel files of two map sheets over the source image in "parcels", and their merged
// class statistics in "cls" where the classification run looks for them.
bool WriteParcelSheets(const std::string& folder) {
    samples::FieldImageSpec spec;
    samples::FieldImage image = samples::MakeFieldImage(spec, DemoClasses());
    const auto& h = image.image.header;
    auto truthAt = [&](double x, double y) -> std::optional<bool> {
        long col = std::lround(std::floor((x - h.xmap) / h.xcell));
        long row = std::lround(std::floor((h.ymap - y) / h.xcell));
        if (col < 0 || row < 0 || col >= h.icols || row >= h.irows) return std::nullopt;
        if (image.image.Cell(static_cast<int>(row), 0, static_cast<int>(col)) == 0 &&
            image.image.Cell(static_cast<int>(row), 1, static_cast<int>(col)) == 0)
            return std::nullopt;  // no data
        int field = static_cast<int>(row / spec.fieldRows) * image.fieldsAcross +
                    static_cast<int>(col / spec.fieldCols);
        return DemoClasses()[image.fieldClass[field]].rice;
    };
    const std::string parcels = rice::JoinPath(folder, "parcels");
    const std::string classes = rice::JoinPath(folder, "cls");
    std::error_code ec;
    std::filesystem::create_directories(parcels, ec);
    std::filesystem::create_directories(classes, ec);
    std::filesystem::create_directories(rice::JoinPath(folder, "out"), ec);
    return samples::WriteOverlaySamples(h, samples::ClassStatisticsText(DemoClasses()), truthAt,
                                        parcels, classes)
        .has_value();
}

// Per map sheet a rice and a non-rice signature file in "signatures" (the workbench's merge
// command joins them into the merged statistics), and statistics listings in "listings".
bool WriteSignatureSamples(const std::string& folder) {
    return samples::WriteSignatureDemo(folder, {"94203021", "94203022"}, DemoClasses(),
                                       samples::MakeSpectralClasses(9, 3, 3, 2026));
}

// Classifies the source image (thresholds 0.5 and 0.2) and says where the result is.
bool ClassifySource(const std::string& folder) {
    class PrintSink : public rice::MessageSink {
    public:
        void ShowMessage(const std::string& text) override { std::fprintf(stderr, "%s\n", text.c_str()); }
    } sink;
    const std::string out = rice::JoinPath(folder, kClassified);
    int cells = rice::ClassifyMaximumLikelihood(rice::JoinPath(folder, kSourceLan),
                                                rice::JoinPath(folder, kClassStats), out, 0.5, 0.2, sink);
    if (cells == 0) return false;
    std::printf("classified image: %s\nclassified cells: %d\n", out.c_str(), cells);
    return true;
}

// A folder of two covers for Tessmar (tables, .doc and .SML files, "covlist.txt").
bool WriteCovers(const std::string& folder) {
    return samples::WriteCoverSamples(rice::JoinPath(folder, "covers"));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: gen_samples OUTPUT_FOLDER [--classify]\n");
        return 2;
    }
    std::string folder = argv[1];
    bool classify = false;
    for (int i = 2; i < argc; ++i) {
        if (std::string(argv[i]) == "--classify") classify = true;
        else {
            std::fprintf(stderr, "gen_samples: unknown option %s\n", argv[i]);
            return 2;
        }
    }
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!rice::IsFolder(folder)) {
        std::fprintf(stderr, "gen_samples: cannot create %s\n", folder.c_str());
        return 1;
    }
    struct Family {
        const char* what;
        bool (*write)(const std::string&);
    };
    const Family families[] = {
        {"source image", WriteSourceImage},
        {"class statistics", WriteClassStatistics},
        {"parcel sheets", WriteParcelSheets},
        {"covers", WriteCovers},
        {"signature files and listings", WriteSignatureSamples},
        {"texture grids", WriteTextureGrids},
    };
    for (const auto& f : families) {
        if (!f.write(folder)) {
            std::fprintf(stderr, "gen_samples: cannot write the %s in %s\n", f.what, folder.c_str());
            return 1;
        }
    }
    std::printf("demo data in %s\n", folder.c_str());
    if (classify && !ClassifySource(folder)) return 1;
    return 0;
}
