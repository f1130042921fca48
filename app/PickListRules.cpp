#include "app/PickListRules.h"

#include "catalogue/Catalogue.h"

#include <algorithm>

namespace app {
std::int32_t PickListRules::titleCount() const { return listed_ ? hotaru::movieCount(disc_) : 0; }

void PickListRules::listedAtStart(std::int32_t disc)
{
    disc_ = disc;
    listed_ = true;
    view_.titleRow = titleCount() > 0 ? 0 : -1;

    changed();
}

void PickListRules::gaveUpAtStart()
{
    disc_ = 0;
    view_.add = view_.selectAll = view_.clearAll = false;

    changed();
}

void PickListRules::openingArchive()
{
    // A failed read leaves both lists empty and the disc as it was.
    listed_ = false;
    picks_.clear();
    view_.titleRow = -1;
    view_.pickRow = -1;
    view_.run = false;

    changed();
}

void PickListRules::listedByOpen(std::int32_t disc)
{
    disc_ = disc;
    listed_ = true;
    // A run keeps the pick buttons off until its end gives them back.
    if (!running_)
        view_.add = view_.selectAll = view_.clearAll = true;
    view_.titleRow = titleCount() > 0 ? 0 : -1;

    changed();
}

std::optional<PickNote> PickListRules::chooseTitle(int row)
{
    view_.titleRow = row;
    view_.pickRow = -1;
    view_.add = true;
    view_.remove = false;
    changed();
    const std::int32_t n = row + 1;
    if (!hotaru::isMovie(disc_, n))
        return std::nullopt;
    return PickNote{Message::TitleInfo, n};
}

std::optional<PickNote> PickListRules::choosePick(int row)
{
    view_.pickRow = row;
    view_.titleRow = -1;
    view_.add = false;
    view_.remove = true;
    changed();
    const std::int32_t k = row + 1;
    if (k < 1 || k > picks_.count)
        return std::nullopt;
    return PickNote{Message::PickInfo, picks_.at(k)};
}

AddResult PickListRules::add()
{
    const std::int32_t n = view_.titleRow + 1;
    // Nothing selected, or a row the disc does not have: nothing to add.
    if (titleCount() == 0 || !hotaru::isMovie(disc_, n))
        return {};
    if (picks_.contains(n))
        return {AddOutcome::AlreadyPicked, n};
    picks_.add(disc_, n);
    view_.run = true;
    changed();
    return {AddOutcome::Added, n};
}

std::optional<PickNote> PickListRules::remove()
{
    const std::int32_t k = view_.pickRow + 1;
    if (k < 1 || k > picks_.count)
        return std::nullopt;
    const PickNote note{Message::Removed, picks_.at(k)};
    picks_.removeAt(k);
    if (picks_.count > 0) {
        view_.pickRow = 0;
    } else {
        view_.pickRow = -1;
        view_.titleRow = titleCount() > 0 ? 0 : -1;
        view_.add = view_.selectAll = true;
        view_.remove = view_.run = false;
    }
    changed();
    return note;
}

void PickListRules::selectAll()
{
    picks_.fill(disc_);
    view_.pickRow = -1;
    if (disc_ != 0)
        view_.run = true;

    changed();
}

void PickListRules::clearAll()
{
    picks_.clear();
    view_.pickRow = -1;
    view_.titleRow = titleCount() > 0 ? 0 : -1;
    view_.run = false;

    changed();
}

void PickListRules::runStarted()
{
    running_ = true;
    view_.add = view_.remove = view_.run = view_.selectAll = view_.clearAll = false;
    view_.listsEnabled = false;

    changed();
}

void PickListRules::runCompleted()
{
    picks_.clear();
    view_.run = false;
    runEnded();
}

void PickListRules::runFailed()
{
    view_.run = picks_.count > 0;
    runEnded();
}

void PickListRules::runStopped(const std::vector<std::int32_t>& done)
{
    hotaru::PickList left;
    for (const std::int32_t movie : picks_.live()) {
        if (std::find(done.begin(), done.end(), movie) == done.end())
            left.add(disc_, movie);
    }
    picks_ = left;
    view_.run = picks_.count > 0;
    runEnded();
}

void PickListRules::runEnded()
{
    running_ = false;
    view_.pickRow = -1;
    view_.titleRow = titleCount() > 0 ? 0 : -1;
    view_.listsEnabled = true;
    view_.add = view_.selectAll = view_.clearAll = true;
    view_.remove = false;

    changed();
}

}  // namespace app
