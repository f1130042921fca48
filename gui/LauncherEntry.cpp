#include "gui/LauncherEntry.h"

#include <QDBusMessage>

#include <utility>

namespace gui {

LauncherEntry::LauncherEntry(QDBusConnection bus, const QString& desktopId)
    : bus_(std::move(bus)), appUri_(QStringLiteral("application://") + desktopId + QStringLiteral(".desktop")),
      // The docks match on the interface alone; the path only has to be ours
      // and stay the same from run to run.
      path_(QStringLiteral("/com/canonical/unity/launcherentry/%1").arg(qChecksum(appUri_.toUtf8())))
{
}

// A run gone leaves nothing on the dock.
LauncherEntry::~LauncherEntry() { clear(); }

void LauncherEntry::setProgress(double fraction)
{
    const bool wasFailed = shown_.state() == ShownProgress::State::Failed;
    if (!shown_.progress(fraction))
        return;
    QVariantMap properties{{QStringLiteral("progress"), shown_.fraction()}, {QStringLiteral("progress-visible"), true}};
    if (wasFailed)
        properties.insert(QStringLiteral("urgent"), false);
    send(properties);
}

void LauncherEntry::setFailed()
{
    if (shown_.fail())
        send({{QStringLiteral("progress"), shown_.fraction()},
              {QStringLiteral("progress-visible"), true},
              {QStringLiteral("urgent"), true}});
}

void LauncherEntry::clear()
{
    if (shown_.hide())
        send({{QStringLiteral("progress-visible"), false}, {QStringLiteral("urgent"), false}});
}

void LauncherEntry::send(const QVariantMap& properties)
{
    // No session bus (a console login, a service): nobody to tell.
    if (!bus_.isConnected())
        return;
    QDBusMessage update = QDBusMessage::createSignal(path_, QStringLiteral("com.canonical.Unity.LauncherEntry"),
                                                     QStringLiteral("Update"));
    update << appUri_ << properties;
    bus_.send(update);
}

}  // namespace gui
