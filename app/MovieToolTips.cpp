#include "app/MovieToolTips.h"

#include "app/Session.h"
#include "catalogue/Catalogue.h"

#include <QBuffer>
#include <QHelpEvent>
#include <QListWidget>
#include <QToolTip>

namespace app {

MovieToolTips::MovieToolTips(Session& session, QListWidget* titles, QListWidget* picks, QObject* parent)
    : QObject(parent), session_(session), titles_(titles), picks_(picks)
{
    for (QListWidget* list : {titles, picks})
        list->viewport()->installEventFilter(this);
    connect(&pictures_, &MoviePictures::ready, this,
            [this](const QString& archive, std::int32_t disc, std::int32_t movie) {
                if (list_ && movie == movie_ && archive == session_.archivePath() && disc == session_.disc())
                    show();
            });
}

std::int32_t MovieToolTips::movieAt(const QListWidget* list, int row) const
{
    const PickListRules& rules = session_.picking();
    if (list == titles_)
        return row < rules.titleCount() ? row + 1 : 0;
    if (list == picks_ && row < rules.picks().count)
        return rules.picks().at(row + 1);
    return 0;
}

bool MovieToolTips::eventFilter(QObject* watched, QEvent* e)
{
    // Gone from the list: a picture decoded later has nowhere to show.
    if (e->type() == QEvent::Leave)
        movie_ = 0;
    if (e->type() != QEvent::ToolTip)
        return QObject::eventFilter(watched, e);
    auto* list = qobject_cast<QListWidget*>(watched->parent());
    const auto* help = static_cast<QHelpEvent*>(e);
    const QModelIndex index = list ? list->indexAt(help->pos()) : QModelIndex();
    const std::int32_t movie = index.isValid() ? movieAt(list, index.row()) : 0;
    if (movie == 0) {
        QToolTip::hideText();
        movie_ = 0;
        return true;
    }
    list_ = list;
    row_ = index.row();
    globalPos_ = help->globalPos();
    movie_ = movie;
    show();
    return true;
}

void MovieToolTips::show()
{
    const std::optional<MoviePicture> picture = pictures_.picture(session_.archive(), session_.disc(), movie_);
    if (!picture)
        return;  // shown once decoded
    QString html = QStringLiteral("<b>%1</b><br>").arg(session_.movieTitle(movie_).toHtmlEscaped());
    if (!picture->image.isNull()) {
        QByteArray png;
        QBuffer buffer(&png);
        buffer.open(QIODevice::WriteOnly);
        picture->image.save(&buffer, "PNG");
        html += QStringLiteral("<img src=\"data:image/png;base64,%1\"><br>").arg(QString::fromLatin1(png.toBase64()));
    }
    const QString facts = picture->image.isNull() ? tr("画像なし") : picture->facts;
    html += facts.toHtmlEscaped();
    // What the picture shows a reader, a screen reader hears of the row.
    if (QListWidgetItem* item = list_->item(row_))
        item->setData(Qt::AccessibleDescriptionRole, facts);
    QToolTip::showText(globalPos_, html, list_);
}

}  // namespace app
