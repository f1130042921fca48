#pragma once

#include <memory>

class QWidget;

namespace gui {

// What a run shows of itself outside the window: its progress on the taskbar
// button or the dock's icon.
class TaskbarProgress {
public:
    virtual ~TaskbarProgress() = default;

    virtual void setProgress(double fraction) = 0;  // 0..1, clamped; normal state, shown
    virtual void setFailed() = 0;                   // the run failed: keeps the value
    virtual void clear() = 0;                       // the run ended: nothing shows
};

// The system's own: the window's taskbar button on Windows; the launcher-entry
// signal on the session bus elsewhere (nothing when there is no session bus).
// Never null.
std::unique_ptr<TaskbarProgress> makeTaskbarProgress(QWidget* window);

// What a taskbar progress last showed. A run reports its progress often; the
// system hears of it only when what shows changes: by 0.5 % or more, to either
// end, or from one state to another.
class ShownProgress {
public:
    enum class State { Hidden, Normal, Failed };

    // Each takes the new state and says whether the system must hear of it.
    bool progress(double fraction);  // clamped to 0..1
    bool fail();
    bool hide();

    State state() const { return state_; }
    double fraction() const { return fraction_; }

private:
    State state_ = State::Hidden;
    double fraction_ = 0;
};

}  // namespace gui
