#include "app/ProgramIcon.h"

static void registerIcons()
{
    // The icons live in this static library, which nothing else registers.
    Q_INIT_RESOURCE(app);
}

QIcon programIcon()
{
    static const bool registered = (registerIcons(), true);
    Q_UNUSED(registered);
    QIcon icon;
    icon.addFile(QStringLiteral(":/icons/hotaru-16.png"), QSize(16, 16));
    icon.addFile(QStringLiteral(":/icons/hotaru-32.png"), QSize(32, 32));
    return icon;
}
