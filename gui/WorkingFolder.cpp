#include "gui/WorkingFolder.h"

#include "platform/File.h"
#include "platform/InOutError.h"

#include <QDir>

namespace gui {

WorkingFolder::WorkingFolder(QObject* parent) : QObject(parent)
{
    try {
        found_ = hotaru::currentDirectory();
    } catch (const hotaru::EInOutError&) {
        // Started in a folder since removed: nothing to put back.
    }
}

WorkingFolder::~WorkingFolder()
{
    if (found_.empty())
        return;
    try {
        hotaru::setCurrentDirectory(found_);
    } catch (const hotaru::EInOutError&) {
        // Gone meanwhile: stay where we are.
    }
}

QString WorkingFolder::path() const
{
    return QDir::toNativeSeparators(QString::fromStdString(hotaru::currentDirectory()));
}

void WorkingFolder::moveTo(const QString& folder)
{
    hotaru::setCurrentDirectory(QDir::toNativeSeparators(folder).toStdString());
    Q_EMIT moved(path());
}

}  // namespace gui
