#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QTimer>

#include <functional>
#include <memory>

namespace hotaru {
class MovieStream;
}

namespace gui {
class AudioOutput;
class SystemServices;
}  // namespace gui

namespace dialogs {

class MovieFeed;

// Plays a movie: a thread of its own decodes a little ahead, the sound
// device pulls the sound from there, and each picture shows when the sound
// heard has reached its time (by the wall clock when there is no sound or
// no device).
class MoviePlayer : public QObject {
    Q_OBJECT
public:
    // True once the player is going away: every read of the disc should give up.
    using StopAsked = std::function<bool()>;
    // Opens the movie; called on the decoding thread, since that reads the
    // disc, with what its reads are to ask. Null, or a stream that did not
    // open, when it cannot be read.
    using StreamMaker = std::function<std::unique_ptr<hotaru::MovieStream>(const StopAsked& stopAsked)>;

    // Opens the movie and starts playing it as soon as it is open.
    MoviePlayer(gui::SystemServices& services, StreamMaker make, QObject* parent = nullptr);
    ~MoviePlayer() override;

    bool isPlaying() const { return playing_; }
    double position() const;
    // 0 until opened.
    double length() const { return length_; }
    // Pictures passed over because they were due before they could show.
    int droppedFrames() const { return dropped_; }

    void play();
    void pause();
    void togglePlaying();
    void seek(double seconds);
    // Silent at once, the sound device let go; play() starts again from here.
    void stop();

Q_SIGNALS:
    void opened(double seconds, int width, int height);
    void cannotOpen();
    void picture(const QImage& image);
    void positionChanged(double seconds);
    void playingChanged(bool playing);
    // The movie has sound but no device plays it: the pictures go on alone.
    void soundUnavailable();
    // Played up to where the movie's damage begins, and stopped there.
    void damaged(double at);
    void finished();

private:
    void onOpened();
    void tick();
    qint64 playedBytes() const;
    void openDevice(double at);
    void letDeviceGo();
    void dropSound();

    gui::SystemServices& services_;
    std::unique_ptr<MovieFeed> feed_;
    std::unique_ptr<gui::AudioOutput> audio_;
    QTimer timer_;
    QElapsedTimer wall_;
    double length_ = 0;
    int width_ = 0, height_ = 0;
    int sampleRate_ = 0, channels_ = 0;
    bool open_ = false;
    bool playing_ = false;
    bool wantPlaying_ = true;  // play as soon as it opens
    bool soundGone_ = false;   // no device, or it failed: the wall clock leads from now on
    bool showNext_ = false;    // paused: show the first picture from where it was sought
    double base_ = 0;          // where the wall clock started
    double pausedAt_ = 0;
    double shownPosition_ = 0;  // the last told by positionChanged
    int dropped_ = 0;
};

}  // namespace dialogs
