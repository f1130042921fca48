#include "gui/TaskbarProgress.h"

#include <algorithm>
#include <cmath>
#include <utility>

#ifdef _WIN32
#include <QPointer>
#include <QWidget>

#include <shobjidl.h>
#else
#include "config/ProgramInfo.h"
#include "gui/LauncherEntry.h"
#endif

namespace gui {

bool ShownProgress::progress(double fraction)
{
    // NaN, a run of nothing to copy, shows as nothing done.
    fraction = std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0);
    const bool moved =
        std::abs(fraction - fraction_) >= 0.005 || (fraction != fraction_ && (fraction == 0.0 || fraction == 1.0));
    if (state_ == State::Normal && !moved)
        return false;
    state_ = State::Normal;
    fraction_ = fraction;
    return true;
}

bool ShownProgress::fail() { return std::exchange(state_, State::Failed) != State::Failed; }

bool ShownProgress::hide() { return std::exchange(state_, State::Hidden) != State::Hidden; }

#ifdef _WIN32
namespace {

// A run's progress on the window's taskbar button. Without a taskbar (a
// session without Explorer) the button simply shows nothing.
class TaskbarButton final : public TaskbarProgress {
public:
    explicit TaskbarButton(QWidget* window) : window_(window) {}
    ~TaskbarButton() override
    {
        clear();
        if (list_)
            list_->Release();
    }

    void setProgress(double fraction) override
    {
        if (shown_.progress(fraction))
            show();
    }
    void setFailed() override
    {
        if (shown_.fail())
            show();
    }
    void clear() override
    {
        if (shown_.hide())
            show();
    }

private:
    void show()
    {
        // A window not (or no longer) on screen has no button; asking for
        // its handle would make one.
        const HWND button = window_ ? reinterpret_cast<HWND>(window_->internalWinId()) : nullptr;
        ITaskbarList3* list = button ? taskbar() : nullptr;
        if (!list)
            return;
        switch (shown_.state()) {
        case ShownProgress::State::Hidden:
            list->SetProgressState(button, TBPF_NOPROGRESS);
            return;
        case ShownProgress::State::Failed:
            list->SetProgressState(button, TBPF_ERROR);
            break;
        case ShownProgress::State::Normal:
            list->SetProgressState(button, TBPF_NORMAL);
            break;
        }
        list->SetProgressValue(button, static_cast<ULONGLONG>(std::lround(shown_.fraction() * 1000)), 1000);
    }

    // Made on first use: Qt has initialised COM on the GUI thread by then.
    ITaskbarList3* taskbar()
    {
        if (std::exchange(tried_, true))
            return list_;
        ITaskbarList3* list = nullptr;
        if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&list))))
            return nullptr;
        if (FAILED(list->HrInit()))
            list->Release();
        else
            list_ = list;
        return list_;
    }

    QPointer<QWidget> window_;
    ITaskbarList3* list_ = nullptr;
    bool tried_ = false;
    ShownProgress shown_;
};

}  // namespace

std::unique_ptr<TaskbarProgress> makeTaskbarProgress(QWidget* window)
{
    return std::make_unique<TaskbarButton>(window);
}
#else
std::unique_ptr<TaskbarProgress> makeTaskbarProgress(QWidget*)
{
    return std::make_unique<LauncherEntry>(QDBusConnection::sessionBus(), QString::fromLatin1(hotaru::ProgramName));
}
#endif

}  // namespace gui
