#pragma once

#include "movie/SubtitleFile.h"

#include "dialogs/MoviePlayer.h"

#include <QWidget>

class QLabel;
class QPushButton;
class QSlider;

namespace gui {
class SystemServices;
}

namespace dialogs {

class PictureView;

// Plays one movie where it lies, with its sound: play and pause (also
// Space), a position slider, the time played and the whole. Closing it
// stops the sound at once; it deletes itself.
class PreviewWindow : public QWidget {
    Q_OBJECT
public:
    PreviewWindow(gui::SystemServices& services, const QString& title, MoviePlayer::StreamMaker make,
                  QWidget* parent = nullptr);

    MoviePlayer& player() { return *player_; }
    // What shows now: the last picture, or null before the first.
    QImage picture() const;
    // The line under the picture: empty, or why the movie does not play on.
    QString message() const;
    // Subtitles shown over the picture, each during its cue.
    void setSubtitles(hotaru::Subtitles subtitles);
    // The subtitle shown now; empty between cues.
    QString subtitle() const;

protected:
    void closeEvent(QCloseEvent* e) override;

private:
    void onOpened(double seconds, int width, int height);
    void showPosition(double seconds);
    void showPlaying(bool playing);

    MoviePlayer* player_;
    PictureView* view_;
    QLabel* message_;
    QPushButton* playButton_;
    QSlider* slider_;
    QLabel* time_;
    double length_ = 0;
    hotaru::Subtitles subtitles_;
};

}  // namespace dialogs
