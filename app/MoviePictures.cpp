#include "app/MoviePictures.h"

#include "catalogue/Catalogue.h"
#include "extract/RunArchive.h"
#include "movie/MovieThumbnail.h"

#include <functional>
#include <memory>

namespace app {
namespace {

// Lives on the decoding thread: keeps its way into the last archive asked
// for, which the session keeps open for the previews and the run too.
class Decoder : public QObject {
    Q_OBJECT
public:
    using Wanted = std::function<bool(const QString& key)>;

    Decoder(const std::atomic<bool>& leaving, Wanted wanted) : leaving_(leaving), wanted_(std::move(wanted)) {}

    void decode(const std::shared_ptr<hotaru::SharedArchive>& shared, std::int32_t disc, std::int32_t movie)
    {
        const QString archive = QString::fromStdString(shared->path());
        current_ = MoviePictures::key(archive, disc, movie);
        if (!wanted_(current_)) {
            Q_EMIT passedOver(archive, disc, movie);
            return;
        }
        if (!archive_ || archive_->shared() != shared) {
            archive_ = std::make_unique<hotaru::RunArchive>(shared);
            // On a scratch, a picture no longer wanted is not waited for.
            archive_->onStopAsked([this] { return leaving_.load() || !wanted_(current_); });
        }
        const hotaru::ArchiveRead read = [this](std::int64_t offset, void* buffer, std::size_t n) {
            archive_->read(offset, buffer, n);
        };
        const hotaru::Thumbnail t =
            hotaru::movieThumbnail(read, hotaru::movieOffset(disc, movie), hotaru::movieSize(disc, movie));
        MoviePicture picture;
        if (!t.damaged && t.width > 0) {
            picture.image = QImage(t.rgb.data(), t.width, t.height, t.width * 3, QImage::Format_RGB888).copy();
            const auto whole = static_cast<long long>(t.seconds + 0.5);
            picture.facts = QStringLiteral("%1:%2  %3x%4  %5 fps")
                                .arg(whole / 60)
                                .arg(whole % 60, 2, 10, QLatin1Char('0'))
                                .arg(t.movieWidth)
                                .arg(t.movieHeight)
                                .arg(QString::number(t.frameRate, 'g', 3));
        }
        Q_EMIT decoded(archive, disc, movie, picture.image, picture.facts);
    }

Q_SIGNALS:
    void decoded(const QString& archive, std::int32_t disc, std::int32_t movie, const QImage& image,
                 const QString& facts);
    void passedOver(const QString& archive, std::int32_t disc, std::int32_t movie);

private:
    const std::atomic<bool>& leaving_;
    Wanted wanted_;
    QString current_;
    std::unique_ptr<hotaru::RunArchive> archive_;
};

}  // namespace

MoviePictures::MoviePictures(QObject* parent) : QObject(parent)
{
    auto* decoder = new Decoder(leaving_, [this](const QString& k) { return wanted(k); });
    decoder_ = decoder;
    decoder->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, decoder, &QObject::deleteLater);
    connect(this, &MoviePictures::decode, decoder, &Decoder::decode, Qt::QueuedConnection);
    connect(
        decoder, &Decoder::decoded, this,
        [this](const QString& archive, std::int32_t disc, std::int32_t movie, const QImage& image,
               const QString& facts) {
            const QString k = key(archive, disc, movie);
            // A failure is told to whoever still waits for it, and not kept.
            if (!image.isNull() || wanted(k))
                known_.insert(k, {image, facts});
            else
                asked_.remove(k);
            Q_EMIT ready(archive, disc, movie);
        },
        Qt::QueuedConnection);
    connect(
        decoder, &Decoder::passedOver, this,
        [this](const QString& archive, std::int32_t disc, std::int32_t movie) {
            asked_.remove(key(archive, disc, movie));
        },
        Qt::QueuedConnection);
}

bool MoviePictures::wanted(const QString& key) const
{
    const std::lock_guard lock(wantedMutex_);
    return key == wanted_;
}

MoviePictures::~MoviePictures()
{
    if (!thread_.isRunning()) {
        delete decoder_;  // its thread never ran, so nothing else will
        return;
    }
    // A picture being read from a scratched stretch is given up, not waited for.
    leaving_.store(true);
    thread_.quit();
    thread_.wait();
}

QString MoviePictures::key(const QString& archive, std::int32_t disc, std::int32_t movie)
{
    return QStringLiteral("%1|%2|%3").arg(archive).arg(disc).arg(movie);
}

std::optional<MoviePicture> MoviePictures::picture(const std::shared_ptr<hotaru::SharedArchive>& archive,
                                                   std::int32_t disc, std::int32_t movie)
{
    const QString k = key(QString::fromStdString(archive->path()), disc, movie);
    {
        const std::lock_guard lock(wantedMutex_);
        wanted_ = k;
    }
    if (const auto found = known_.constFind(k); found != known_.constEnd()) {
        const MoviePicture picture = *found;
        if (picture.image.isNull()) {  // told once; asked again, tried again
            known_.erase(found);
            asked_.remove(k);
        }
        return picture;
    }
    if (!asked_.contains(k)) {
        asked_.insert(k);
        // Started on the first picture asked for, so a session that never
        // shows one has no thread; below the window's own work: a picture
        // waits, a click never does.
        if (!thread_.isRunning())
            thread_.start(QThread::LowPriority);
        Q_EMIT decode(archive, disc, movie);
    }
    return std::nullopt;
}

}  // namespace app

#include "MoviePictures.moc"
