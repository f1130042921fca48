#pragma once

#include <QObject>
#include <QPoint>
#include <QPointer>

#include "app/MoviePictures.h"

#include <cstdint>

class QListWidget;

namespace app {
class Session;

// The lists' tooltips: hovering a title shows a picture from its movie with
// its length, picture size and frame rate. A picture not yet decoded shows as
// soon as it is, if the pointer is still on that row.
class MovieToolTips : public QObject {
    Q_OBJECT
public:
    // For the disc's titles and the picked movies.
    MovieToolTips(Session& session, QListWidget* titles, QListWidget* picks, QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // The movie a row stands for; 0 for none.
    std::int32_t movieAt(const QListWidget* list, int row) const;
    void show();

    Session& session_;
    QListWidget* titles_;
    QListWidget* picks_;
    MoviePictures pictures_;
    // Where the last tooltip was asked for.
    QPointer<QListWidget> list_;
    QPoint globalPos_;
    std::int32_t movie_ = 0;
    int row_ = -1;  // movie_'s row in list_
};

}  // namespace app
