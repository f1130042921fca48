#pragma once
// What every writer of the converter shares: where encoders hand their
// packets, and the checks that turn a failed write into a ConvertError.

#include "cpk2avi/ConvertError.h"
#include "cpk2avi/CpkToAvi.h"
#include "movie/AvHandles.h"

#include <functional>
#include <string>

namespace hotaru {

// Where an encoder hands its packets, in its codec context's time base.
using PacketSink = std::function<void(AVPacket&)>;

// A failed step of writing the output, reported under its final name `out`.
inline void checkWrite(int rc, const std::string& out)
{
    if (rc < 0)
        throw ConvertError("cannot write " + inQuotes(out) + ": " + avErrorText(rc));
}

// Writes the trailer (through `writeTrailer`, av_write_trailer when null) and
// closes the file, so that a write error that only shows now still fails the
// conversion.
inline void finishOutput(AVFormatContext& output, const std::string& out, TrailerWriter writeTrailer)
{
    checkWrite(writeTrailer ? writeTrailer(&output) : av_write_trailer(&output), out);
    avio_flush(output.pb);
    checkWrite(output.pb->error, out);
    checkWrite(avio_closep(&output.pb), out);
}

}  // namespace hotaru
