#pragma once

#include <cstdint>
#include <string>

namespace hotaru {

enum class SampleFill {
    Stamped,  // a header per movie and a stamp every 16 KiB; holes between
    Full,     // every byte written with a pattern of its own
};

// Writes an archive of disc `disc`'s exact size in which every movie's range
// starts with a header naming disc, movie number and title and continues with
// content that tells movies and positions apart. Replaces `path` atomically.
//
// With clipsFolder, a movie for which the folder holds "clip-NN.cpk" (NN its
// two-digit number) starts with that real movie instead, followed by zeros to
// the movie's catalogue size.
void writeSampleArchive(const std::string& path, std::int32_t disc, SampleFill fill = SampleFill::Stamped,
                        const std::string& clipsFolder = {});

// The name a movie's clip has in a clips folder.
std::string clipFileName(std::int32_t movie);

// The header text written at the start of a movie's range.
std::string sampleHeader(std::int32_t disc, std::int32_t movie);

}  // namespace hotaru
