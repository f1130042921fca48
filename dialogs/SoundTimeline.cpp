#include "dialogs/SoundTimeline.h"

#include <cmath>

namespace dialogs {

void SoundTimeline::newDevice(double at)
{
    handedBytes_ = 0;
    restart(at);
}

void SoundTimeline::restart(double at)
{
    runs_.clear();
    standing_ = at;
    nextTime_.reset();
}

void SoundTimeline::handed(double time, qint64 bytes)
{
    if (bytes <= 0)
        return;
    // Sound that follows on without a jump extends the run before it.
    if (!runs_.empty()) {
        Run& last = runs_.back();
        if (last.from + last.bytes == handedBytes_ && std::abs(endOf(last) - time) < 1e-4) {
            last.bytes += bytes;
            handedBytes_ += bytes;
            nextTime_ = endOf(last);
            return;
        }
    }
    runs_.push_back({handedBytes_, bytes, time});
    handedBytes_ += bytes;
    nextTime_ = endOf(runs_.back());
}

double SoundTimeline::timeAt(qint64 played)
{
    // Runs heard to their end are done with; the clock stays at the end of
    // the last until the next one begins.
    while (!runs_.empty() && runs_.front().from + runs_.front().bytes <= played) {
        standing_ = endOf(runs_.front());
        runs_.pop_front();
    }
    if (!runs_.empty() && runs_.front().from <= played)
        return runs_.front().time + double(played - runs_.front().from) / bytesPerSecond_;
    return standing_;
}

bool SoundTimeline::heardOut(qint64 played) const
{
    return runs_.empty() || runs_.back().from + runs_.back().bytes <= played;
}

}  // namespace dialogs
