#pragma once

#include "catalogue/MovieFiles.h"

#include <functional>
#include <string>

namespace hotaru {

struct Conversion {
    std::string converterPath;  // the program, taken as it is
    std::string folder;         // where the .cpk was written; never empty
    std::string title;          // gives "<title>.cpk" in and "<title>.avi" (or .mp4, .mkv) out
    VideoFormat format = VideoFormat::Avi;
    int scale = 1;               // above 1, asked of the converter with --scale (the bundled one takes it)
    std::string subtitles = {};  // a subtitle file, given with --subtitles; empty: none
    bool burnSubtitles = false;  // with --burn-subtitles: drawn into the pictures
};

enum class ConversionOutcome {
    Converted,  // the converter succeeded and the .cpk is gone
    Failed,     // it could not start, failed or wrote nothing: the .cpk is kept
    Stopped,    // ended on request: the .cpk is kept
};

// The converter that comes with the program, installed (and built) beside it.
#ifdef _WIN32
inline constexpr char BundledConverterName[] = "cpk2avi.exe";
#else
inline constexpr char BundledConverterName[] = "cpk2avi";
#endif
// Its full path in `programFolder`, or empty when it is not there to run.
std::string bundledConverter(const std::string& programFolder);

// Runs the converter in the .cpk's own folder with the bare names
// "<title>.cpk" and "<title>.avi" (or .mp4, .mkv), after "--scale N" when
// the pictures are to be enlarged and "--subtitles FILE" (and
// "--burn-subtitles") when there are subtitles, waits for it, and deletes the
// .cpk only when the converter exited with 0 and left a new, non-empty video.
// A video that a failed or stopped converter wrote is removed; an older one it
// left alone stays.
ConversionOutcome convertMovie(const Conversion& job, const std::function<bool()>& stopRequested = {});

}  // namespace hotaru
