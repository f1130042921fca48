#include "dialogs/DoubleClickPicture.h"

#include <QMouseEvent>

namespace dialogs {
void DoubleClickPicture::mouseDoubleClickEvent(QMouseEvent* e)
{
    e->accept();
    Q_EMIT doubleClicked();
}

}  // namespace dialogs
