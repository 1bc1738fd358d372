#pragma once
// Cutting a source image to the box of one parcel shapefile.
#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "platform/core/message_sink.h"
#include "workbench/engine/lan_image.h"
#include "workbench/engine/run_inputs.h"

namespace rice {

// The clipped image of a parcel file lies at the parcel path with every lower-case "shp"
// replaced by "lan", folders included. nullopt when the path holds no "shp": the "clip" would
// then be the shapefile itself. The classification runs use this too.
std::optional<std::string> ClippedLanPath(const std::string& parcelPath);

// Writes the part of `source` covered by the bounding box of the shapefile at parcelPath to
// ClippedLanPath(parcelPath). The origin of the clip is the box corner itself, cells are
// squares of side xcell and partial cells at the right and bottom are dropped; cells outside
// the source image are written as 0. Failures are shown through `sink` and nothing is
// written: "錯誤類型0004" + parcel path (shapefile cannot be opened or its box cannot be
// mapped onto the image), "錯誤類型0005" + the path (no "shp" in the parcel path, or the
// output cannot be created). A clip more than SizeIsAbsurd allows next to the source's cells,
// or larger than the free space of its file system, is refused with a message naming the
// parcel file and the size; nothing is written.
// The message refusing a clip of header `clip` cut from `source`, or nullopt when its size is
// acceptable: more than SizeIsAbsurd allows next to the source's cells, or more bytes than
// freeBytes (the free space of the output's file system, when known).
std::optional<std::string> ClipSizeRefusal(const LanHeader& source, const LanHeader& clip,
                                           const std::string& parcelPath,
                                           std::optional<std::uint64_t> freeBytes);

// The lines [first, last) of `source` that the clip of parcelPath takes cells from; nullopt
// when it takes none (no clip can be cut, or its box lies off the image). A reader that needs
// only the clips can read just these lines (ReadLanImageLines).
std::optional<std::pair<std::int64_t, std::int64_t>> ClipSourceLines(const LanHeader& source,
                                                                     const std::string& parcelPath);

// A clip path that is one of the run's inputs (`inputs`, when given: the source image, the
// parcel files, the statistics) or one of the parcel file's own files is refused, naming both
// paths; nothing is written.
// True when the clip was written. After a false, a file at the clip path is not this run's clip
// (an older one, or none) and must not be classified.
bool ClipLanToParcels(const LanImage& source, const std::string& parcelPath, MessageSink& sink,
                      const RunInputs* inputs = nullptr);
// The message refusing a clip that would replace an input of the run.
std::string ClipOverInputMessage(const std::string& clipPath, const std::string& parcelPath);

}  // namespace rice
