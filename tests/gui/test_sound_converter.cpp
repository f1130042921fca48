// The sound turned into a device's own format (Windows' mix format): clicks
// must keep their time through the resampler, and the source must be read
// at the device's pace, since the movie's clock counts what it gave.
#include "gui/SoundConverter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Silence with a loud click of 10 frames every tenth of a second, in every channel.
class Clicks final : public gui::SoundSource {
public:
    Clicks(int rate, int channels) : rate_(rate), channels_(channels) {}
    qint64 readSound(char* out, qint64 bytes) override
    {
        const qint64 frames = bytes / (2 * channels_);
        for (qint64 i = 0; i < frames; ++i, ++given) {
            const std::int16_t v = given % (rate_ / 10) < 10 ? 16000 : 0;
            for (int c = 0; c < channels_; ++c)
                std::memcpy(out + (i * channels_ + c) * 2, &v, 2);
        }
        return frames * 2 * channels_;
    }
    qint64 soundReady() override { return 0; }
    qint64 given = 0;  // frames

private:
    int rate_, channels_;
};

QAudioFormat format(int rate, int channels, QAudioFormat::SampleFormat sample)
{
    QAudioFormat f;
    f.setSampleRate(rate);
    f.setChannelCount(channels);
    f.setSampleFormat(sample);
    return f;
}

// Reads `seconds` of float stereo at 48 kHz in uneven pieces, as a device asks.
std::vector<float> play(gui::SoundConverter& converter, Clicks& source, double seconds)
{
    std::vector<float> out(std::size_t(seconds * 48000) * 2);
    std::size_t at = 0;
    for (std::size_t piece = 1; at < out.size(); piece = piece * 7 % 4093) {
        const std::size_t n = std::min(out.size() - at, piece * 2);
        EXPECT_EQ(converter.read(source, reinterpret_cast<char*>(out.data() + at), qint64(n * 4)), qint64(n * 4));
        at += n;
    }
    return out;
}

TEST(SoundConverter, ClicksKeepTheirTimeInEveryChannel)
{
    for (const int channels : {1, 2}) {
        Clicks source(22050, channels);
        const auto converter = gui::SoundConverter::make(format(22050, channels, QAudioFormat::Int16),
                                                         format(48000, 2, QAudioFormat::Float));
        ASSERT_TRUE(converter);
        const std::vector<float> out = play(*converter, source, 2);
        // Those at the very start and end may be cut; the 19 between are whole.
        std::vector<std::size_t> onsets[2];
        for (std::size_t c = 0; c < 2; ++c)
            for (std::size_t i = c, quiet = 0; i < out.size() - 4800; i += 2) {
                if (std::abs(out[i]) > 0.25f && quiet > 1000)
                    onsets[c].push_back(i / 2);
                quiet = std::abs(out[i]) > 0.25f ? 0 : quiet + 1;
            }
        ASSERT_EQ(onsets[0].size(), 19u) << channels << " channel(s)";
        EXPECT_EQ(onsets[1], onsets[0]);
        for (std::size_t k = 0; k < onsets[0].size(); ++k)
            EXPECT_NEAR(double(onsets[0][k]), 4800.0 * double(k + 1), 48) << "click " << k + 1;
    }
}

TEST(SoundConverter, ReadsTheSourceAtTheDevicesPace)
{
    Clicks source(22050, 2);
    const auto converter =
        gui::SoundConverter::make(format(22050, 2, QAudioFormat::Int16), format(44100, 2, QAudioFormat::Float));
    ASSERT_TRUE(converter);
    for (int second = 1; second <= 10; ++second) {
        std::vector<float> out(44100 * 2);
        for (std::size_t at = 0; at < out.size(); at += 882)
            ASSERT_EQ(converter->read(source, reinterpret_cast<char*>(out.data() + at), 882 * 4), 882 * 4);
        // Never more ahead than the resampler's own delay, however long it plays.
        EXPECT_NEAR(double(source.given) / 22050, double(second), 0.002) << "after " << second << " s";
    }
}

TEST(SoundConverter, RefusesAFormatItCannotMake)
{
    EXPECT_FALSE(
        gui::SoundConverter::make(format(22050, 2, QAudioFormat::Int16), format(48000, 2, QAudioFormat::Unknown)));
}

}  // namespace
