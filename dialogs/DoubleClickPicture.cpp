#include "dialogs/DoubleClickPicture.h"

#include <QMouseEvent>

void DoubleClickPicture::mouseDoubleClickEvent(QMouseEvent* e)
{
    e->accept();
    Q_EMIT doubleClicked();
}
