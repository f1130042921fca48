#include "disc/ChdCodecs.h"

#include "platform/Bytes.h"

#include "disc/CdSector.h"

#include <FLAC/stream_decoder.h>
#include <lzma.h>
#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace hotaru::disc {

namespace {

// One inflater per thread, reset for each hunk rather than set up anew.
class Inflater {
public:
    Inflater() { ready_ = inflateInit2(&z_, -MAX_WBITS) == Z_OK; }
    ~Inflater()
    {
        if (ready_)
            inflateEnd(&z_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;

    bool run(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize)
    {
        if (!ready_ || inflateReset(&z_) != Z_OK)
            return false;
        z_.next_in = const_cast<Bytef*>(in);
        z_.avail_in = static_cast<uInt>(inSize);
        z_.next_out = out;
        z_.avail_out = static_cast<uInt>(outSize);
        const int result = inflate(&z_, Z_FINISH);
        return (result == Z_STREAM_END || result == Z_OK || result == Z_BUF_ERROR) && z_.total_out == outSize;
    }

private:
    z_stream z_{};
    bool ready_ = false;
};

bool inflateRaw(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize)
{
    thread_local Inflater inflater;
    return inflater.run(in, inSize, out, outSize);
}

// The dictionary the compressor chose for data of this size (LZMA level 9,
// shrunk to the smallest 2^n or 3*2^n that holds the data).
std::uint32_t lzmaDictionary(std::size_t size)
{
    for (int i = 11; i <= 30; ++i) {
        if (size <= (std::size_t{2} << i))
            return 2u << i;
        if (size <= (std::size_t{3} << i))
            return 3u << i;
    }
    return 1u << 26;
}

// Raw LZMA1 with lc=3 lp=0 pb=2 and no end marker: it stops when the output is
// full. One decoder per thread: setting it up again for the same dictionary
// size keeps its dictionary and tables instead of allocating them per hunk.
class LzmaDecoder {
public:
    ~LzmaDecoder() { lzma_end(&s_); }
    LzmaDecoder() = default;
    LzmaDecoder(const LzmaDecoder&) = delete;
    LzmaDecoder& operator=(const LzmaDecoder&) = delete;

    bool run(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize)
    {
        lzma_options_lzma options{};
        options.dict_size = std::max<std::uint32_t>(lzmaDictionary(outSize), LZMA_DICT_SIZE_MIN);
        options.lc = 3;
        options.lp = 0;
        options.pb = 2;
        const lzma_filter filters[] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
        if (lzma_raw_decoder(&s_, filters) != LZMA_OK)
            return false;
        s_.next_in = in;
        s_.avail_in = inSize;
        s_.next_out = out;
        s_.avail_out = outSize;
        lzma_ret result = LZMA_OK;
        while (s_.avail_out > 0 && result == LZMA_OK) {
            const std::size_t before = s_.avail_out;
            result = lzma_code(&s_, LZMA_RUN);
            if (s_.avail_out == before && s_.avail_in == 0)
                break;  // nothing left to give it
        }
        return s_.avail_out == 0 && (result == LZMA_OK || result == LZMA_STREAM_END);
    }

private:
    lzma_stream s_ = LZMA_STREAM_INIT;
};

bool lzmaRaw(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize)
{
    thread_local LzmaDecoder decoder;
    return decoder.run(in, inSize, out, outSize);
}

struct Parts {
    std::size_t frames;
    std::vector<std::uint8_t> sectors;  // frames * 2352
    std::vector<std::uint8_t> subcode;  // frames * 96
};

// This thread's parts for a hunk of `frames`, kept from hunk to hunk.
Parts& scratch(std::size_t frames)
{
    thread_local Parts p{0, {}, {}};
    p.frames = frames;
    p.sectors.resize(frames * RawSectorSize);
    p.subcode.resize(frames * SubcodeSize);
    return p;
}

// Sectors and subcode into frames; a frame whose bit is set in `eccFlags` gets
// its sync pattern and ECC back.
void assemble(const Parts& p, const std::uint8_t* eccFlags, std::uint8_t* out)
{
    for (std::size_t f = 0; f < p.frames; ++f) {
        std::uint8_t* frame = out + f * FrameSize;
        std::memcpy(frame, p.sectors.data() + f * RawSectorSize, RawSectorSize);
        std::memcpy(frame + RawSectorSize, p.subcode.data() + f * SubcodeSize, SubcodeSize);
        if (eccFlags && (eccFlags[f / 8] & (1 << (f % 8)))) {
            std::memcpy(frame, SyncPattern, sizeof SyncPattern);
            generateEcc(frame);
        }
    }
}

using BaseDecoder = bool (*)(const std::uint8_t*, std::size_t, std::uint8_t*, std::size_t);

// cdzl and cdlz: ECC flags, the base stream's length, the base stream, then deflated subcode.
bool decodeWithEcc(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize, BaseDecoder base)
{
    const std::size_t frames = outSize / FrameSize;
    const std::size_t eccBytes = (frames + 7) / 8;
    const std::size_t lengthBytes = outSize < 65536 ? 2 : 3;
    const std::size_t header = eccBytes + lengthBytes;
    if (inSize < header)
        return false;
    const auto baseSize = static_cast<std::size_t>(bigEndian(in + eccBytes, lengthBytes));
    if (baseSize > inSize - header)
        return false;
    Parts& p = scratch(frames);
    if (!base(in + header, baseSize, p.sectors.data(), p.sectors.size()) ||
        !inflateRaw(in + header + baseSize, inSize - header - baseSize, p.subcode.data(), p.subcode.size()))
        return false;
    assemble(p, in, out);
    return true;
}

// FLAC through libFLAC, given a STREAMINFO block of our own as the compressor
// stored none: 44.1 kHz, stereo, 16 bits, the block size it used.
class FlacHunk {
public:
    FlacHunk(const std::uint8_t* in, std::size_t inSize, std::uint8_t* samples, std::size_t sampleCount)
        : in_(in), inSize_(inSize), out_(samples), wanted_(sampleCount)
    {
        static const std::uint8_t streamInfo[HeaderSize] = {
            'f',  'L',  'a',  'C',  0x80, 0x00, 0x00, 0x22, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
            0x00, 0x00, 0x00, 0x00, 0x0A, 0xC4, 0x42, 0xF0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
            0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00};
        std::memcpy(header_, streamInfo, HeaderSize);
        // The compressor's block size: a quarter of the bytes, halved down to 2048 samples at most.
        std::size_t block = sampleCount;
        while (block > 2048)
            block /= 2;
        header_[8] = header_[10] = static_cast<std::uint8_t>(block >> 8);
        header_[9] = header_[11] = static_cast<std::uint8_t>(block & 0xFF);
    }

    // Decodes the samples; returns the bytes of `in` it used, or 0 on damage.
    std::size_t run()
    {
        const std::unique_ptr<FLAC__StreamDecoder, void (*)(FLAC__StreamDecoder*)> d(FLAC__stream_decoder_new(),
                                                                                     FLAC__stream_decoder_delete);
        if (!d || FLAC__stream_decoder_init_stream(d.get(), &FlacHunk::read, nullptr, &FlacHunk::tell, nullptr, nullptr,
                                                   &FlacHunk::write, nullptr, &FlacHunk::error,
                                                   this) != FLAC__STREAM_DECODER_INIT_STATUS_OK)
            return 0;
        while (done_ < wanted_ && !failed_)
            if (!FLAC__stream_decoder_process_single(d.get()) ||
                FLAC__stream_decoder_get_state(d.get()) == FLAC__STREAM_DECODER_END_OF_STREAM)
                break;
        FLAC__uint64 position = 0;
        const bool ok = done_ == wanted_ && !failed_ && FLAC__stream_decoder_get_decode_position(d.get(), &position) &&
                        position >= HeaderSize;
        FLAC__stream_decoder_finish(d.get());
        return ok ? static_cast<std::size_t>(position - HeaderSize) : 0;
    }

private:
    static constexpr std::size_t HeaderSize = 0x2A;

    static FLAC__StreamDecoderReadStatus read(const FLAC__StreamDecoder*, FLAC__byte buffer[], size_t* bytes,
                                              void* self)
    {
        auto* h = static_cast<FlacHunk*>(self);
        std::size_t given = 0;
        while (given < *bytes && h->at_ < HeaderSize + h->inSize_) {
            const bool inHeader = h->at_ < HeaderSize;
            const std::uint8_t* from = inHeader ? h->header_ + h->at_ : h->in_ + (h->at_ - HeaderSize);
            const std::size_t left = inHeader ? HeaderSize - h->at_ : HeaderSize + h->inSize_ - h->at_;
            const std::size_t k = std::min(left, *bytes - given);
            std::memcpy(buffer + given, from, k);
            given += k;
            h->at_ += k;
        }
        *bytes = given;
        return given == 0 ? FLAC__STREAM_DECODER_READ_STATUS_END_OF_STREAM : FLAC__STREAM_DECODER_READ_STATUS_CONTINUE;
    }

    static FLAC__StreamDecoderTellStatus tell(const FLAC__StreamDecoder*, FLAC__uint64* offset, void* self)
    {
        *offset = static_cast<FlacHunk*>(self)->at_;
        return FLAC__STREAM_DECODER_TELL_STATUS_OK;
    }

    static FLAC__StreamDecoderWriteStatus write(const FLAC__StreamDecoder*, const FLAC__Frame* frame,
                                                const FLAC__int32* const channels[], void* self)
    {
        auto* h = static_cast<FlacHunk*>(self);
        if (frame->header.channels != 2 || frame->header.bits_per_sample != 16) {
            h->failed_ = true;
            return FLAC__STREAM_DECODER_WRITE_STATUS_ABORT;
        }
        // The hunk keeps CD audio big-endian.
        for (unsigned i = 0; i < frame->header.blocksize && h->done_ < h->wanted_; ++i, ++h->done_)
            for (int c = 0; c < 2; ++c) {
                const auto v = static_cast<std::uint16_t>(channels[c][i]);
                h->out_[h->done_ * 4 + static_cast<std::size_t>(c) * 2] = static_cast<std::uint8_t>(v >> 8);
                h->out_[h->done_ * 4 + static_cast<std::size_t>(c) * 2 + 1] = static_cast<std::uint8_t>(v);
            }
        return FLAC__STREAM_DECODER_WRITE_STATUS_CONTINUE;
    }

    static void error(const FLAC__StreamDecoder*, FLAC__StreamDecoderErrorStatus, void* self)
    {
        static_cast<FlacHunk*>(self)->failed_ = true;
    }

    const std::uint8_t* in_;
    std::size_t inSize_;
    std::uint8_t* out_;
    std::size_t wanted_;
    std::size_t done_ = 0;
    std::size_t at_ = 0;
    bool failed_ = false;
    std::uint8_t header_[HeaderSize];
};

}  // namespace

bool decodeCdZlib(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize)
{
    return decodeWithEcc(in, inSize, out, outSize, inflateRaw);
}

bool decodeCdLzma(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize)
{
    return decodeWithEcc(in, inSize, out, outSize, lzmaRaw);
}

bool decodeCdFlac(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize)
{
    Parts& p = scratch(outSize / FrameSize);
    const std::size_t used = FlacHunk(in, inSize, p.sectors.data(), p.sectors.size() / 4).run();
    if (used == 0 || used > inSize || !inflateRaw(in + used, inSize - used, p.subcode.data(), p.subcode.size()))
        return false;
    assemble(p, nullptr, out);
    return true;
}

}  // namespace hotaru::disc
