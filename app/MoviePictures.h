#pragma once

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>
#include <QString>
#include <QThread>

#include "extract/SharedArchive.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>

namespace app {
// What a title's tooltip shows of its movie: a picture from it (null when
// the movie could not be decoded) and a line of facts.
struct MoviePicture {
    QImage image;
    QString facts;  // "1:23  320x224  15 fps"; empty for a damaged movie
};

// Pictures of the movies, read through the opened archive they are asked
// for and decoded on a thread of their own, one at a time, and kept for the
// session. The one asked for last comes first: one asked for before it and
// not yet begun is passed over, and a read for it that the disc makes wait is
// given up. A picture that could not be decoded is not kept: asked for again,
// it is tried again.
class MoviePictures : public QObject {
    Q_OBJECT
public:
    explicit MoviePictures(QObject* parent = nullptr);
    ~MoviePictures() override;

    // The movie's picture if it is known; otherwise nothing, and ready()
    // follows once it is decoded.
    std::optional<MoviePicture> picture(const std::shared_ptr<hotaru::SharedArchive>& archive, std::int32_t disc,
                                        std::int32_t movie);

    // What identifies a movie's picture, for the decoding thread too.
    static QString key(const QString& archive, std::int32_t disc, std::int32_t movie);

Q_SIGNALS:
    void ready(const QString& archive, std::int32_t disc, std::int32_t movie);
    // To the decoding thread.
    void decode(const std::shared_ptr<hotaru::SharedArchive>& archive, std::int32_t disc, std::int32_t movie);

private:
    // Whether `key` is the picture asked for last; from either thread.
    bool wanted(const QString& key) const;

    std::atomic<bool> leaving_{false};  // the decoder's reads give up
    mutable std::mutex wantedMutex_;
    QString wanted_;
    QThread thread_;
    QObject* decoder_ = nullptr;
    QHash<QString, MoviePicture> known_;
    QSet<QString> asked_;
};

}  // namespace app
