#include "app/ProgramIcon.h"

// The icons live in this static library, which nothing else registers.
// Outside any namespace, as Qt's resource initialiser must be.
static void registerIcons() { Q_INIT_RESOURCE(app); }

namespace app {

QIcon programIcon()
{
    static const bool registered = (registerIcons(), true);
    Q_UNUSED(registered);
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/hotaru-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/hotaru-32.png"), QSize(32, 32));
    return icon;
}

}  // namespace app
