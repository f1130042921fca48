#pragma once

#include <QMenu>

namespace app {
// A menu whose checkable items are drawn with radio marks although nothing
// unchecks them on its own: an exclusive action group would draw the same
// marks but also clear the previous item, which the handlers do themselves.
class RadioMenu : public QMenu {
public:
    using QMenu::QMenu;

protected:
    void initStyleOption(QStyleOptionMenuItem* option, const QAction* action) const override;
};

}  // namespace app
