#include "app/ArchiveInspection.h"

#include "catalogue/Archive.h"
#include "catalogue/Catalogue.h"
#include "gui/Handlers.h"

namespace app {

ArchiveInspection::ArchiveInspection(gui::SystemServices& services, QWidget* owner)
    : services_(services), owner_(owner), reader_(new QObject)
{
    reader_->moveToThread(&thread_);
    connect(&thread_, &QThread::finished, reader_, &QObject::deleteLater);
}

ArchiveInspection::~ArchiveInspection()
{
    if (!thread_.isRunning()) {
        delete reader_;  // its thread never ran, so nothing else will
        return;
    }
    // An image being read on a scratched stretch is given up, not waited for.
    leaving_.store(true);
    thread_.quit();
    thread_.wait();
}

void ArchiveInspection::inspect(const std::shared_ptr<hotaru::SharedArchive>& archive, const Known& known)
{
    const std::uint64_t ticket = ++current_;
    const hotaru::ArchiveInfo glance = hotaru::glanceAtArchive(archive->path());
    if (glance.disc != 0) {
        known(glance.disc);
        return;
    }
    if (!thread_.isRunning())
        thread_.start();
    const auto answer = [this, ticket](std::function<void()> told) {
        QMetaObject::invokeMethod(
            this,
            [this, ticket, told = std::move(told)] {
                if (ticket != current_.load())
                    return;
                told();
            },
            Qt::QueuedConnection);
    };
    QMetaObject::invokeMethod(
        reader_,
        [this, ticket, archive, known, answer] {
            hotaru::disc::ReadEvents events;
            events.stopRequested = [this, ticket] { return leaving_.load() || ticket != current_.load(); };
            try {
                const std::int32_t disc = hotaru::discOfSize(archive->size(events));
                answer([known, disc] { known(disc); });
            } catch (...) {
                answer([this, error = std::current_exception()] {
                    gui::runHandler(services_, owner_, [&] { std::rethrow_exception(error); });
                });
            }
        },
        Qt::QueuedConnection);
}

}  // namespace app
