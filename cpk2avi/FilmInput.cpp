#include "cpk2avi/FilmInput.h"

#include "cpk2avi/FsPath.h"
#include "movie/FilmHeader.h"
#include "platform/File.h"
#include "platform/InOutError.h"

#include <cstring>
#include <filesystem>
#include <optional>

namespace hotaru {

namespace {

// The header and sample table as the window reads them, checked before
// FFmpeg trusts them; "cannot read it" told apart from "not FILM" before
// FFmpeg blurs the two. A FIFO or device is refused without waiting on it.
FilmInfo checkedHeader(const std::string& in)
{
    std::error_code ec;
    if (std::filesystem::is_directory(fsPath(in), ec))
        throw ConvertError(inQuotes(in) + " is a folder, not a FILM/CPK file");
    std::optional<FilmInfo> info;
    try {
        File file = File::openRead(in);
        info = readFilmHeader([&](std::int64_t at, void* buffer, std::size_t n) { file.readAt(at, buffer, n); },
                              file.size());
    } catch (const EInOutError& e) {
        throw ConvertError("cannot open " + inQuotes(in) + ": " +
                           (e.systemError() != 0 ? std::strerror(e.systemError()) : "not a file"));
    }
    if (!info)
        throw ConvertError(inQuotes(in) + " is not a FILM/CPK file");
    if (info->samplesOutside)
        throw ConvertError(inQuotes(in) + " is cut short or damaged: its sample table names bytes past its end");
    return *info;
}

InputPtr openFilm(const std::string& in)
{
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, fileUrl(in).c_str(), nullptr, nullptr) < 0)
        throw ConvertError(inQuotes(in) + " is not a FILM/CPK file");
    InputPtr ic(raw);
    if (std::strcmp(ic->iformat->name, "film_cpk") != 0)
        throw ConvertError(inQuotes(in) + " is not a FILM/CPK file");
    return ic;
}

}  // namespace

FilmInput::FilmInput(const std::string& in) : in_(in)
{
    checkedHeader(in);
    {
        // Probing reads packets ahead and silently drops one it cannot
        // read, so it gets a reading of its own; every packet is then
        // read again from the start by input_, where a bad one fails the run.
        InputPtr probe = openFilm(in);
        if (const int rc = avformat_find_stream_info(probe.get(), nullptr); rc < 0)
            throw ConvertError("cannot read " + inQuotes(in) + ": " + avErrorText(rc));
        pickStreams(*probe);
    }
    input_ = openFilm(in);
    video_ = sameStream(videoIndex_, AV_CODEC_ID_CINEPAK);
    if (audioIndex_ >= 0)
        sameStream(audioIndex_, decoder_->codec_id);
    // As the header says: probing may have blanked a size it could not decode.
    const int width = video_->codecpar->width;
    const int height = video_->codecpar->height;
    if (width <= 0 || height <= 0 || width > MaxPictureSide || height > MaxPictureSide)
        throw ConvertError(inQuotes(in_) + " is damaged: its picture size " + std::to_string(width) + "x" +
                           std::to_string(height) + " is impossible");
}

bool FilmInput::read(AVPacket& pkt)
{
    const int rc = av_read_frame(input_.get(), &pkt);
    if (rc == AVERROR_EOF)
        return false;
    if (rc < 0)
        throw ConvertError("cannot read " + inQuotes(in_) + ", it may be cut short: " + avErrorText(rc));
    return true;
}

void FilmInput::pickStreams(const AVFormatContext& probe)
{
    const AVStream* video = nullptr;
    const AVStream* audio = nullptr;
    for (unsigned i = 0; i < probe.nb_streams; ++i) {
        const AVStream* st = probe.streams[i];
        if (st->codecpar->codec_type == AVMEDIA_TYPE_VIDEO && !video)
            video = st;
        else if (st->codecpar->codec_type == AVMEDIA_TYPE_AUDIO && !audio)
            audio = st;
    }
    if (!video || video->codecpar->codec_id != AV_CODEC_ID_CINEPAK)
        throw ConvertError(inQuotes(in_) + " holds no Cinepak video");
    videoIndex_ = video->index;
    // The writers want a frame rate; FILM clocks often tick finer than the frames.
    frameRate_ = video->r_frame_rate;
    if (frameRate_.num <= 0 || frameRate_.den <= 0)
        frameRate_ = video->avg_frame_rate;
    if (frameRate_.num <= 0 || frameRate_.den <= 0)
        frameRate_ = av_inv_q(video->time_base);
    if (audio) {
        audioIndex_ = audio->index;
        openDecoder(*audio->codecpar);
    }
}

// The unprobed reading's stream at `index`, which must be the probed one.
const AVStream* FilmInput::sameStream(int index, AVCodecID codec) const
{
    if (static_cast<unsigned>(index) >= input_->nb_streams || input_->streams[index]->codecpar->codec_id != codec)
        throw ConvertError(inQuotes(in_) + " changed while it was being read");
    return input_->streams[index];
}

void FilmInput::openDecoder(const AVCodecParameters& par)
{
    const AVCodec* codec = avcodec_find_decoder(par.codec_id);
    if (!codec)
        throw ConvertError("the audio of " + inQuotes(in_) + " uses an unknown codec");
    decoder_.reset(avcodec_alloc_context3(codec));
    if (!decoder_)
        throw std::bad_alloc();
    int rc = avcodec_parameters_to_context(decoder_.get(), &par);
    if (rc >= 0)
        rc = avcodec_open2(decoder_.get(), codec, nullptr);
    if (rc < 0)
        throw ConvertError("cannot decode the audio of " + inQuotes(in_) + ": " + avErrorText(rc));
    sampleFormat_ = decoder_->sample_fmt;
    channels_ = decoder_->ch_layout.nb_channels;
    sampleRate_ = decoder_->sample_rate;
    if (channels_ <= 0 || sampleRate_ <= 0)
        throw ConvertError("the audio of " + inQuotes(in_) + " has no channels or no sample rate");
}

void FilmInput::decodeAudio(const AVPacket* pkt, const std::function<void(const AVFrame&)>& use)
{
    int rc = avcodec_send_packet(decoder_.get(), pkt);
    if (rc < 0 && rc != AVERROR_EOF)
        throw ConvertError("cannot decode the audio of " + inQuotes(in_) + ": " + avErrorText(rc));
    if (!frame_)
        frame_ = newFrame();
    while ((rc = avcodec_receive_frame(decoder_.get(), frame_.get())) >= 0) {
        const AVFrame& f = *frame_;
        if (f.format != sampleFormat_ || f.ch_layout.nb_channels != channels_ || f.sample_rate != sampleRate_)
            throw ConvertError("the audio format of " + inQuotes(in_) + " changes midway");
        if (f.nb_samples > 0)
            use(f);
        av_frame_unref(frame_.get());
    }
    if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF)
        throw ConvertError("cannot decode the audio of " + inQuotes(in_) + ": " + avErrorText(rc));
}

}  // namespace hotaru
