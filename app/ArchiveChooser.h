#pragma once

#include "catalogue/Discovery.h"

#include <QCoreApplication>
#include <QString>

#include <optional>

class QMimeData;
class QWidget;

namespace gui {
class SystemServices;
}

namespace app {
// Where an archive comes from: the drive scan at start, File > Open's dialog,
// which starts at the archive opened last, and a file dropped on the window.
class ArchiveChooser {
    Q_DECLARE_TR_FUNCTIONS(ArchiveChooser)

public:
    explicit ArchiveChooser(gui::SystemServices& services) : services_(services) {}

    // The drive scan with its prompts: Retry/Cancel while no drive holds the
    // disc, and a box when there is no CD-ROM drive at all.
    hotaru::Discovery scan() const;
    // The file chosen in the dialog; nothing when cancelled.
    std::optional<QString> ask(QWidget* owner) const;
    // The archive now in use, absolute: the dialog starts there next time.
    void opened(const QString& path) { last_ = path; }
    // The one local file a drag carries, else empty.
    static QString droppedFile(const QMimeData* data);

private:
    gui::SystemServices& services_;
    QString last_;
};

}  // namespace app
