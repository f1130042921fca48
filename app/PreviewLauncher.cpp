#include "app/PreviewLauncher.h"

#include "movie/SubtitleFile.h"

#include "app/ChoiceList.h"
#include "app/Session.h"
#include "catalogue/Catalogue.h"
#include "dialogs/PreviewWindow.h"
#include "extract/RunArchive.h"
#include "movie/MovieStream.h"

#include <QAction>
#include <QListWidget>
#include <QMenu>

#include <memory>

namespace app {

PreviewLauncher::PreviewLauncher(gui::SystemServices& services, Session& session, QAction* action, QListWidget* titles,
                                 QListWidget* picks, QWidget* window)
    : QObject(window), services_(services), session_(session), action_(action), titles_(titles), picks_(picks),
      window_(window)
{
    // The program selects rows without announcing it, so the item is
    // brought up to date as its menu opens.
    const auto update = [this] { action_->setEnabled(selectedMovie() != 0); };
    for (QObject* o : action_->associatedObjects())
        if (auto* menu = qobject_cast<QMenu*>(o))
            connect(menu, &QMenu::aboutToShow, this, update);
    connect(titles_, &QListWidget::itemSelectionChanged, this, update);
    connect(picks_, &QListWidget::itemSelectionChanged, this, update);
    connect(action_, &QAction::triggered, this, &PreviewLauncher::open);
    update();
}

std::int32_t PreviewLauncher::selectedMovie() const
{
    const PickListRules& rules = session_.picking();
    const int title = selectedRow(titles_);
    const int pick = selectedRow(picks_);
    const auto fromPicks = [&] { return pick >= 0 && pick < rules.picks().count ? rules.picks().at(pick + 1) : 0; };
    if (picks_->hasFocus() && fromPicks() != 0)
        return fromPicks();
    if (title >= 0 && title < rules.titleCount())
        return title + 1;
    return fromPicks();
}

QString PreviewLauncher::key(std::int32_t movie) const
{
    return QStringLiteral("%1|%2|%3").arg(session_.archivePath()).arg(session_.disc()).arg(movie);
}

dialogs::PreviewWindow* PreviewLauncher::preview(std::int32_t movie) const { return previews_.value(key(movie)); }

void PreviewLauncher::open()
{
    const std::int32_t movie = selectedMovie();
    if (movie == 0)
        return;
    if (dialogs::PreviewWindow* shown = preview(movie)) {
        shown->raise();
        shown->activateWindow();
        return;
    }
    const std::int32_t disc = session_.disc();
    // Read on the player's thread, through the archive the session opened:
    // kept to the end, should another archive be opened meanwhile.
    auto make = [shared = session_.archive(), disc, movie](const dialogs::MoviePlayer::StopAsked& stopAsked) {
        auto archive = std::make_shared<hotaru::RunArchive>(shared);
        archive->onStopAsked(stopAsked);
        hotaru::ArchiveRead read = [archive](std::int64_t offset, void* buffer, std::size_t n) {
            archive->read(offset, buffer, n);
        };
        return std::make_unique<hotaru::MovieStream>(std::move(read), hotaru::movieOffset(disc, movie),
                                                     hotaru::movieSize(disc, movie));
    };
    auto* window = new dialogs::PreviewWindow(services_, session_.movieTitle(movie), std::move(make), window_);
    // The subtitles a conversion would use: named like the movie's files. A
    // small local file, unlike the disc, so read here.
    if (!session_.subtitleFolder().isEmpty()) {
        const std::string found =
            hotaru::findSubtitles(session_.subtitleFolder().toStdString(), session_.naming().nameFor(disc, movie));
        if (!found.empty()) {
            auto read = hotaru::readSubtitles(found);
            if (auto* subtitles = std::get_if<hotaru::Subtitles>(&read))
                window->setSubtitles(std::move(*subtitles));
        }
    }
    previews_.insert(key(movie), window);
    window->show();
}

}  // namespace app
