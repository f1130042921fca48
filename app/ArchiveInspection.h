#pragma once

#include "extract/SharedArchive.h"

#include <QObject>
#include <QThread>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class QWidget;
namespace gui {
class SystemServices;
}

namespace app {
// Learns which disc an opened archive holds. A plain archive is known at
// once by its size; an image's sheet, map and folders are read on a thread
// of its own, so a scratch or a slow image never holds the window, and the
// answer comes later on the window's thread, a failure in the standard
// error box.
class ArchiveInspection : public QObject {
    Q_OBJECT
public:
    using Known = std::function<void(std::int32_t disc)>;

    ArchiveInspection(gui::SystemServices& services, QWidget* owner);
    ~ArchiveInspection() override;

    // Opens `archive`'s file and, when its size tells the disc, calls `known`
    // before returning; throws as hotaru::inspectArchive when the file cannot
    // be opened. Otherwise reads it on the thread and later calls `known` or
    // shows what failed, unless another inspection began meanwhile: the one
    // it replaced gives up its reads.
    void inspect(const std::shared_ptr<hotaru::SharedArchive>& archive, const Known& known);

private:
    gui::SystemServices& services_;
    QWidget* owner_;
    std::atomic<std::uint64_t> current_{0};  // the inspection wanted; the thread's reads give up on any other
    std::atomic<bool> leaving_{false};
    QThread thread_;
    QObject* reader_ = nullptr;  // lives on thread_
};

}  // namespace app
