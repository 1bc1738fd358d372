#pragma once
// Demo signature files and statistics listings, in the layouts the workbench reads: per map
// sheet a rice and a non-rice .gsg file (merged by the workbench's merge command), and class
// statistics listings of the outside package (formatted by the listing formatter).
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/core/files.h"
#include "platform/core/paths.h"
#include "samples/lan_samples.h"

namespace samples {

struct SignatureClass {
    std::vector<double> mean;  // one per band
    std::vector<double> cov;   // bands x bands, row by row
};

inline std::string SampleNumber(const char* fmt, double v) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, v);
    std::string s = buf;
    for (char& c : s)
        if (c == ',') c = '.';  // whatever the locale
    return s;
}

inline std::string PadTo(std::string s, size_t width) {
    if (s.size() < width) s.resize(width, ' ');
    return s;
}

// A signature file: band count at characters 13-14 of line 6, class count at characters
// 18-19 of line bands + 10, then per class 6 header lines, the mean line, one line and the
// covariance rows (row label first).
inline std::string GsgText(const std::string& sheet, const char* side,
                           const std::vector<SignatureClass>& classes) {
    const size_t bands = classes.empty() ? 0 : classes[0].mean.size();
    std::string t;
    auto line = [&](const std::string& s) { t += s + "\r\n"; };
    line("#SIGNATURE FILE");
    line("#sheet " + sheet);
    line(std::string("#side ") + side);
    line("");
    line("#layers");
    line("  Bands   : " + std::to_string(bands));
    line("");
    for (size_t b = 0; b < bands; ++b) line("    layer " + std::to_string(b + 1));
    line("");
    line("");
    line("  Signatures   : " + std::to_string(classes.size()));
    for (size_t k = 0; k < classes.size(); ++k) {
        line("");
        line("Signature " + std::to_string(k + 1));
        line(std::string("  name: ") + side + "_" + std::to_string(k + 1));
        line("  pixels: " + std::to_string(400 + 37 * k));
        line("");
        line("  Mean vector:");
        std::string m;
        for (double v : classes[k].mean) m += "  " + SampleNumber("%.6f", v);
        line(m);
        line("  Covariance matrix:");
        for (size_t r = 0; r < bands; ++r) {
            std::string row = "  " + std::to_string(r + 1);
            for (size_t c = 0; c < bands; ++c)
                row += "  " + SampleNumber("%.6f", classes[k].cov[r * bands + c]);
            line(row);
        }
    }
    return t;
}

// A class statistics listing: class count at columns 22-23 of line 5, band count at column
// 18(-19) of line 6, per class the means at columns 29-35 and the covariance rows in column
// blocks of seven bands.
inline std::string ListingText(const std::string& title, const std::vector<SignatureClass>& classes) {
    const size_t bands = classes.empty() ? 0 : classes[0].mean.size();
    std::string t;
    auto line = [&](const std::string& s) { t += s + "\r\n"; };
    line("CLASS STATISTICS LISTING");
    line("  " + title);
    line("");
    line("");
    line(PadTo("  Number of classes:", 22) + SampleNumber("%2.0f", double(classes.size())));
    line(PadTo("  Number of bands:", 18) + std::to_string(bands));
    line("");
    for (size_t k = 0; k < classes.size(); ++k) {
        line("");
        line("  CLASS " + std::to_string(k + 1));
        line("");
        line("  BAND                       MEAN      STD DEV");
        for (size_t b = 0; b < bands; ++b) {
            double var = classes[k].cov[b * bands + b];
            line(PadTo("   " + std::to_string(b + 1), 29) + SampleNumber("%7.3f", classes[k].mean[b]) +
                 "    " + SampleNumber("%8.4f", var > 0 ? std::sqrt(var) : 0));
        }
        line("");
        line("  COVARIANCE MATRIX");
        line("");
        for (size_t block = 0; block * 7 < bands; ++block) {
            if (block > 0) {
                line("");
                line("  (continued, bands " + std::to_string(block * 7 + 1) + " on)");
            }
            for (size_t r = 0; r < bands; ++r) {
                std::string row = SampleNumber("%5.0f", double(r + 1));
                for (size_t c = block * 7; c < bands && c < block * 7 + 7; ++c)
                    row += SampleNumber("%10.4f", classes[k].cov[r * bands + c]);
                line(row);
            }
        }
        line("");
        line("");
        line("  ----");
    }
    return t;
}

// Per sheet info<sheet>.gsg in root/rice and in root/nonrice.
inline bool WriteSheetSignatures(const std::string& root, const std::string& sheet,
                                 const std::vector<SignatureClass>& rice,
                                 const std::vector<SignatureClass>& nonRice) {
    const std::string name = "info" + sheet + ".gsg";
    std::error_code ec;
    std::filesystem::create_directories(rice::JoinPath(root, "rice"), ec);
    std::filesystem::create_directories(rice::JoinPath(root, "nonrice"), ec);
    return rice::WriteFileAtomic(rice::JoinPath(rice::JoinPath(root, "rice"), name),
                                 GsgText(sheet, "rice", rice)) &&
           rice::WriteFileAtomic(rice::JoinPath(rice::JoinPath(root, "nonrice"), name),
                                 GsgText(sheet, "nonrice", nonRice));
}

inline SignatureClass ToSignatureClass(const SpectralClass& c) {
    SignatureClass s;
    s.mean = c.mean;
    for (const auto& row : c.cov) s.cov.insert(s.cov.end(), row.begin(), row.end());
    return s;
}

// The demo's signature files and listings under root:
//  - signatures/rice and signatures/nonrice: info<sheet>.gsg for every sheet, the rice
//    classes of `classes` in one, the others in the other; sheets after the first keep only
//    16 rice classes, so that the merge pads them to the non-rice count;
//  - listings/classes4.txt (every class of `classes`) and listings/classes9.txt (the
//    nine-band `wide` classes, printed in two column blocks).
inline bool WriteSignatureDemo(const std::string& root, const std::vector<std::string>& sheets,
                               const std::vector<SpectralClass>& classes,
                               const std::vector<SpectralClass>& wide) {
    std::vector<SignatureClass> rice, nonRice, all, nine;
    for (const auto& c : classes) {
        (c.rice ? rice : nonRice).push_back(ToSignatureClass(c));
        all.push_back(ToSignatureClass(c));
    }
    for (const auto& c : wide) nine.push_back(ToSignatureClass(c));
    const std::string signatures = rice::JoinPath(root, "signatures");
    for (size_t i = 0; i < sheets.size(); ++i) {
        std::vector<SignatureClass> sheetRice = rice;
        if (i > 0 && sheetRice.size() > 16) sheetRice.resize(16);
        if (!WriteSheetSignatures(signatures, sheets[i], sheetRice, nonRice)) return false;
    }
    const std::string listings = rice::JoinPath(root, "listings");
    std::error_code ec;
    std::filesystem::create_directories(listings, ec);
    return rice::WriteFileAtomic(rice::JoinPath(listings, "classes4.txt"), ListingText("demo classes", all)) &&
           rice::WriteFileAtomic(rice::JoinPath(listings, "classes9.txt"), ListingText("nine bands", nine));
}

}  // namespace samples
