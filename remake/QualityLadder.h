#pragma once

#include <cstdint>
#include <span>

namespace hotaru {

// One setting of the Cinepak encoder, from the best pictures to the smallest.
struct QualityStep {
    int percent;       // as the result reports it
    int lambda;        // the encoder's rate-distortion weight: higher, fewer bytes
    int keyInterval;   // frames from one key frame to the next
    double sizeRatio;  // pictures' bytes against the best step's, as measured on typical footage
};

// The steps a movie that does not fit goes down.
class QualityLadder {
public:
    static std::span<const QualityStep> steps();

    // The step to try after step `tried` made `pictureBytes` bytes of
    // pictures where there was room for `room`: the best below it whose
    // pictures should fit, else the lowest; -1 when `tried` was the lowest.
    static int next(int tried, std::int64_t pictureBytes, std::int64_t room);
};

}  // namespace hotaru
