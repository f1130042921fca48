#include "dialogs/PreviewWindow.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QShortcut>
#include <QSlider>
#include <QStyle>
#include <QVBoxLayout>

#include <cmath>

namespace dialogs {

namespace {

// The slider counts tenths of a second.
constexpr int SliderSteps = 10;
// Small movies show at least this wide, enlarged by a whole factor.
constexpr int MinShownWidth = 320;

QString minutesSeconds(double seconds)
{
    const auto whole = static_cast<long long>(std::floor(std::max(0.0, seconds)));
    return QStringLiteral("%1:%2").arg(whole / 60).arg(whole % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

// The movie's picture, as large as the window lets it be, its aspect kept.
class PictureView : public QWidget {
public:
    explicit PictureView(QWidget* parent) : QWidget(parent)
    {
        setObjectName(QStringLiteral("Picture"));
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    void setPicture(const QImage& image)
    {
        image_ = image;
        update();
    }
    const QImage& picture() const { return image_; }
    void setCaption(const QString& text)
    {
        if (text == caption_)
            return;
        caption_ = text;
        update();
    }
    const QString& caption() const { return caption_; }
    void setMovieSize(QSize size)
    {
        movieSize_ = size;
        updateGeometry();
    }
    QSize sizeHint() const override
    {
        const int factor = std::max(1, MinShownWidth / std::max(1, movieSize_.width()));
        return movieSize_ * factor;
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::black);
        if (image_.isNull())
            return;
        QSize shown = image_.size().scaled(size(), Qt::KeepAspectRatio);
        QRect target(QPoint(), shown);
        target.moveCenter(rect().center());
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(target, image_);
        if (!caption_.isEmpty())
            drawCaption(p, target);
    }

private:
    // White with a dark outline near the bottom, as a burnt-in subtitle looks.
    void drawCaption(QPainter& p, const QRect& picture) const
    {
        QFont face = font();
        face.setPixelSize(std::max(10, picture.height() / 14));
        QPainterPath path;
        const QFontMetrics metrics(face);
        const QStringList lines = caption_.split(u'\n');
        int y = picture.bottom() - picture.height() / 20 - metrics.descent() -
                (static_cast<int>(lines.size()) - 1) * metrics.lineSpacing();
        for (const QString& line : lines) {
            path.addText(picture.center().x() - metrics.horizontalAdvance(line) / 2, y, face, line);
            y += metrics.lineSpacing();
        }
        p.setRenderHint(QPainter::Antialiasing);
        p.strokePath(path,
                     QPen(Qt::black, std::max(2, face.pixelSize() / 8), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.fillPath(path, Qt::white);
    }

    QImage image_;
    QString caption_;
    QSize movieSize_{MinShownWidth, 240};
};

PreviewWindow::PreviewWindow(gui::SystemServices& services, const QString& title, MoviePlayer::StreamMaker make,
                             QWidget* parent)
    : QWidget(parent, Qt::Window), player_(new MoviePlayer(services, std::move(make), this))
{
    setObjectName(QStringLiteral("PreviewWindow"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(tr("ﾌﾟﾚﾋﾞｭｰ - %1").arg(title));

    view_ = new PictureView(this);
    message_ = new QLabel(tr("読み込み中..."), this);
    message_->setObjectName(QStringLiteral("Message"));
    playButton_ = new QPushButton(this);
    playButton_->setObjectName(QStringLiteral("PlayButton"));
    // Space belongs to the window, not to a focused button.
    playButton_->setFocusPolicy(Qt::NoFocus);
    playButton_->setEnabled(false);
    slider_ = new QSlider(Qt::Horizontal, this);
    slider_->setObjectName(QStringLiteral("Position"));
    slider_->setFocusPolicy(Qt::NoFocus);
    slider_->setEnabled(false);
    time_ = new QLabel(QStringLiteral("0:00 / -:--"), this);
    time_->setObjectName(QStringLiteral("Time"));
    showPlaying(false);

    auto* controls = new QHBoxLayout;
    controls->addWidget(playButton_);
    controls->addWidget(slider_, 1);
    controls->addWidget(time_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_, 1);
    layout->addWidget(message_);
    layout->addLayout(controls);

    connect(playButton_, &QPushButton::clicked, player_, &MoviePlayer::togglePlaying);
    auto* space = new QShortcut(QKeySequence(Qt::Key_Space), this);
    connect(space, &QShortcut::activated, player_, &MoviePlayer::togglePlaying);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
    // While the knob is dragged the time follows it; the movie goes there on release.
    connect(slider_, &QSlider::sliderMoved, this, [this](int value) {
        time_->setText(
            QStringLiteral("%1 / %2").arg(minutesSeconds(double(value) / SliderSteps), minutesSeconds(length_)));
    });
    connect(slider_, &QSlider::sliderReleased, this, [this] { player_->seek(double(slider_->value()) / SliderSteps); });
    connect(slider_, &QSlider::actionTriggered, this, [this](int action) {
        if (action != QAbstractSlider::SliderMove)
            player_->seek(double(slider_->sliderPosition()) / SliderSteps);
    });

    connect(player_, &MoviePlayer::opened, this, &PreviewWindow::onOpened);
    connect(player_, &MoviePlayer::cannotOpen, this, [this] { message_->setText(tr("ﾑｰﾋﾞｰを読み込めません。")); });
    connect(player_, &MoviePlayer::picture, view_, &PictureView::setPicture);
    connect(player_, &MoviePlayer::positionChanged, this, &PreviewWindow::showPosition);
    connect(player_, &MoviePlayer::playingChanged, this, &PreviewWindow::showPlaying);
    connect(player_, &MoviePlayer::soundUnavailable, this,
            [this] { message_->setText(tr("音声を再生できません。映像だけを再生します。")); });
    connect(player_, &MoviePlayer::damaged, this,
            [this](double at) { message_->setText(tr("ﾑｰﾋﾞｰの %1 から先が壊れています。").arg(minutesSeconds(at))); });
}

void PreviewWindow::closeEvent(QCloseEvent* e)
{
    player_->stop();
    QWidget::closeEvent(e);
}

QImage PreviewWindow::picture() const { return view_->picture(); }

QString PreviewWindow::message() const { return message_->text(); }

void PreviewWindow::onOpened(double seconds, int width, int height)
{
    length_ = seconds;
    message_->clear();
    view_->setMovieSize(QSize(width, height));
    slider_->setRange(0, int(std::lround(seconds * SliderSteps)));
    slider_->setEnabled(true);
    playButton_->setEnabled(true);
    showPosition(0);
    adjustSize();
}

void PreviewWindow::setSubtitles(hotaru::Subtitles subtitles) { subtitles_ = std::move(subtitles); }

QString PreviewWindow::subtitle() const { return view_->caption(); }

void PreviewWindow::showPosition(double seconds)
{
    const hotaru::SubtitleCue* cue = hotaru::cueAt(subtitles_, std::llround(seconds * 1000));
    view_->setCaption(cue ? QString::fromStdString(cue->text) : QString());
    if (!slider_->isSliderDown()) {
        const QSignalBlocker quiet(slider_);
        slider_->setValue(int(std::lround(seconds * SliderSteps)));
        time_->setText(QStringLiteral("%1 / %2").arg(minutesSeconds(seconds), minutesSeconds(length_)));
    }
}

void PreviewWindow::showPlaying(bool playing)
{
    playButton_->setText(playing ? tr("一時停止") : tr("再生"));
    playButton_->setIcon(style()->standardIcon(playing ? QStyle::SP_MediaPause : QStyle::SP_MediaPlay));
}

}  // namespace dialogs
