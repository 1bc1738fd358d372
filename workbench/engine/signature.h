#pragma once
// Signature files (.gsg): conversion into class-statistics texts, padding of the class
// counts and the merge of a sheet's rice and non-rice signatures into one "_Merge" file.
#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/message_sink.h"

namespace rice {

// A.gsg -> A_temp.gsg, beside the signature file.
std::string ConvertedPathOf(const std::string& gsgPath);
// A.gsg -> A_temp2.gsg: the copy that lives while one padding runs.
std::string PaddingCopyPathOf(const std::string& gsgPath);
// output folder / A_Merge.gsg for the rice file A.gsg.
std::string MergedPathOf(const std::string& outputFolder, const std::string& riceGsgPath);

struct SignatureCounts {
    int classes = 0;  // 0: nothing usable was converted (a message was shown)
    int bands = 0;
};

// Converts the signature file into its temporary class-statistics text. On any failure the
// result has 0 classes, a message names the file and no temporary file is left.
// A signature file holds at most 99 classes of 99 bands in lines read to 255 characters:
// under 11 000 lines, so 16 MiB is far beyond any real one.
inline constexpr std::uint64_t kMaxSignatureFileBytes = std::uint64_t{16} << 20;

SignatureCounts ConvertSignatureFile(const std::string& gsgPath, MessageSink& sink);

// Appends `extra` copies of the last class block to the file's temporary text and raises its
// class count. False (after a message) when it failed; the temporary text is then unchanged
// and no padding copy is left.
bool PadSignatureClasses(const std::string& gsgPath, int extra, MessageSink& sink);

// Appends the rice signature files found from `folder` (subfolders whose names match the
// pattern are searched too) to `found`.
void CollectGsgFiles(const std::string& folder, std::vector<std::string>& found);

// One sheet: converts the rice file and its same-named partner directly in the non-rice
// folder, pads the smaller side and writes the merged file. False when the pair was skipped.
// Both temporary texts are gone afterwards.
bool MergeSignaturePair(const std::string& riceGsgPath, const std::string& nonRiceFolder,
                        const std::string& outputFolder, MessageSink& sink);

}  // namespace rice
