#include "app/RadioMenu.h"

#include <QAction>
#include <QStyleOptionMenuItem>

namespace app {
void RadioMenu::initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const
{
    QMenu::initStyleOption(option, action);
    if (action->isCheckable())
        option->checkType = QStyleOptionMenuItem::Exclusive;
}

}  // namespace app
