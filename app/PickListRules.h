#pragma once

#include "app/Voices.h"
#include "catalogue/PickList.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace app {
// What the pick-list side of the main window shows: the selected row of each
// list (-1 for none) and which of its buttons are enabled.
struct PickView {
    int titleRow = -1;    // left list, the disc's titles
    int pickRow = -1;     // right list, the picked movies
    bool add = true;      // "->"
    bool remove = false;  // "<-"
    bool run = false;     // "実行"
    bool selectAll = true;
    bool clearAll = true;
    bool listsEnabled = true;

    bool operator==(const PickView&) const = default;
};

// A status-line message about one movie, or the duplicate box.
struct PickNote {
    Message message;
    std::int32_t movie = 0;
};

// What "->" did: added the movie, refused it as already picked (nothing
// changes then), or found nothing selected to add.
enum class AddOutcome { Added, AlreadyPicked, NothingSelected };
struct AddResult {
    AddOutcome outcome = AddOutcome::NothingSelected;
    std::int32_t movie = 0;
};

// The rules of choosing movies, free of widgets: the disc and its listed
// titles, the pick list, and the state table of selections and buttons for
// every event. Every event announces itself through the change callback, so
// the view follows; the events return the notes the status line shows.
class PickListRules {
public:
    std::int32_t disc() const { return disc_; }
    // The left list holds the disc's titles only once an archive was listed.
    std::int32_t titleCount() const;
    const hotaru::PickList& picks() const { return picks_; }
    const PickView& view() const { return view_; }
    // Called after every event, whether or not it changed anything.
    void setChangeCallback(std::function<void()> changed) { changed_ = std::move(changed); }

    // Start-up found the archive and listed its disc.
    void listedAtStart(std::int32_t disc);
    // Start-up found drives but no archive, and the user gave up.
    void gaveUpAtStart();
    // File > Open: the lists and picks empty before the archive is read...
    void openingArchive();
    // ...and, once it was read, its titles are listed.
    void listedByOpen(std::int32_t disc);

    // The user chose a row of the left or the right list.
    std::optional<PickNote> chooseTitle(int row);
    std::optional<PickNote> choosePick(int row);
    // "->".
    AddResult add();
    // "<-": the removed message is composed before the movie goes.
    std::optional<PickNote> remove();
    void selectAll();
    void clearAll();

    // The run copies picks(); until it ends nothing here may change them.
    void runStarted();
    void runCompleted();
    // A failed run keeps the picks, so it can be started again.
    void runFailed();
    // A stopped run drops the movies it wrote and keeps the others in their
    // order, so that a new run goes on from there.
    void runStopped(const std::vector<std::int32_t>& done);

private:
    void runEnded();
    void changed() const
    {
        if (changed_)
            changed_();
    }

    std::int32_t disc_ = 0;
    bool listed_ = false;
    bool running_ = false;
    hotaru::PickList picks_;
    PickView view_;
    std::function<void()> changed_;
};

}  // namespace app
