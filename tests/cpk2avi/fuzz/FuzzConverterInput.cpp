// libFuzzer's entry for the converter's reading of a movie: the input is a
// .cpk file, opened as the converter opens it (the one FILM reader first,
// then FFmpeg), every packet read and its sound decoded. A damaged file may
// be refused (ConvertError); nothing else may happen.
#include "cpk2avi/ConvertError.h"
#include "cpk2avi/FilmInput.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // A file of its own per process: the converter reads by name.
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        return std::string(tmp ? tmp : "/tmp") + "/hotaru-fuzz-" + std::to_string(::getpid()) + ".cpk";
    }();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f || std::fwrite(data, 1, size, f) != size || std::fclose(f) != 0)
        std::abort();
    try {
        hotaru::FilmInput input(path);
        hotaru::PacketPtr packet = hotaru::newPacket();
        while (input.read(*packet)) {
            if (input.isAudio(*packet))
                input.decodeAudio(packet.get(), [](const AVFrame&) {});
            av_packet_unref(packet.get());
        }
        if (input.hasAudio())
            input.decodeAudio(nullptr, [](const AVFrame&) {});
    } catch (const hotaru::ConvertError&) {
    }
    std::remove(path.c_str());
    return 0;
}
