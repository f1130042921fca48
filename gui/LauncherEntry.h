#pragma once

#include "gui/TaskbarProgress.h"

#include <QDBusConnection>
#include <QString>
#include <QVariantMap>

namespace gui {

// A run's progress on the dock's icon: the launcher-entry signal that KDE
// Plasma's task manager and Ubuntu's dock read. They find the icon by the
// desktop file's id (its name without ".desktop"), which the application
// declares as its own.
class LauncherEntry final : public TaskbarProgress {
public:
    LauncherEntry(QDBusConnection bus, const QString& desktopId);
    ~LauncherEntry() override;

    void setProgress(double fraction) override;
    void setFailed() override;  // shows the icon as urgent too
    void clear() override;

private:
    void send(const QVariantMap& properties);

    QDBusConnection bus_;
    QString appUri_;
    QString path_;
    ShownProgress shown_;
};

}  // namespace gui
