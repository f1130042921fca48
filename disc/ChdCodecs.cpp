#include "disc/ChdCodecs.h"

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

bool inflateRaw(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize)
{
    z_stream z{};
    if (inflateInit2(&z, -MAX_WBITS) != Z_OK)
        return false;
    z.next_in = const_cast<Bytef*>(in);
    z.avail_in = static_cast<uInt>(inSize);
    z.next_out = out;
    z.avail_out = static_cast<uInt>(outSize);
    const int result = inflate(&z, Z_FINISH);
    const bool ok = (result == Z_STREAM_END || result == Z_OK || result == Z_BUF_ERROR) && z.total_out == outSize;
    inflateEnd(&z);
    return ok;
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

// Raw LZMA1 with lc=3 lp=0 pb=2 and no end marker: it stops when the output is full.
bool lzmaRaw(const std::uint8_t* in, std::size_t inSize, std::uint8_t* out, std::size_t outSize)
{
    lzma_options_lzma options{};
    options.dict_size = std::max<std::uint32_t>(lzmaDictionary(outSize), LZMA_DICT_SIZE_MIN);
    options.lc = 3;
    options.lp = 0;
    options.pb = 2;
    const lzma_filter filters[] = {{LZMA_FILTER_LZMA1, &options}, {LZMA_VLI_UNKNOWN, nullptr}};
    lzma_stream s = LZMA_STREAM_INIT;
    if (lzma_raw_decoder(&s, filters) != LZMA_OK)
        return false;
    s.next_in = in;
    s.avail_in = inSize;
    s.next_out = out;
    s.avail_out = outSize;
    lzma_ret result = LZMA_OK;
    while (s.avail_out > 0 && result == LZMA_OK) {
        const std::size_t before = s.avail_out;
        result = lzma_code(&s, LZMA_RUN);
        if (s.avail_out == before && s.avail_in == 0)
            break;  // nothing left to give it
    }
    const bool ok = s.avail_out == 0 && (result == LZMA_OK || result == LZMA_STREAM_END);
    lzma_end(&s);
    return ok;
}

struct Parts {
    std::size_t frames;
    std::vector<std::uint8_t> sectors;  // frames * 2352
    std::vector<std::uint8_t> subcode;  // frames * 96
};

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
    Parts p{outSize / FrameSize, {}, {}};
    const std::size_t eccBytes = (p.frames + 7) / 8;
    const std::size_t lengthBytes = outSize < 65536 ? 2 : 3;
    const std::size_t header = eccBytes + lengthBytes;
    if (inSize < header)
        return false;
    std::size_t baseSize = std::size_t{in[eccBytes]} << 8 | in[eccBytes + 1];
    if (lengthBytes > 2)
        baseSize = baseSize << 8 | in[eccBytes + 2];
    if (baseSize > inSize - header)
        return false;
    p.sectors.resize(p.frames * RawSectorSize);
    p.subcode.resize(p.frames * SubcodeSize);
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
    Parts p{outSize / FrameSize, {}, {}};
    p.sectors.resize(p.frames * RawSectorSize);
    p.subcode.resize(p.frames * SubcodeSize);
    const std::size_t used = FlacHunk(in, inSize, p.sectors.data(), p.sectors.size() / 4).run();
    if (used == 0 || used > inSize || !inflateRaw(in + used, inSize - used, p.subcode.data(), p.subcode.size()))
        return false;
    assemble(p, nullptr, out);
    return true;
}

}  // namespace hotaru::disc
