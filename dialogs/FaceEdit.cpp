#include "dialogs/FaceEdit.h"

#include <QLineEdit>
#include <QPalette>

namespace dialogs {

QLineEdit* faceEdit(QWidget* parent, const gui::Place& at, const QString& text)
{
    auto* e = gui::place<QLineEdit>(parent, at);
    e->setText(text);
    e->setReadOnly(true);
    e->setFrame(false);
    QPalette face = e->palette();
    face.setColor(QPalette::Base, face.color(QPalette::Button));
    e->setPalette(face);
    return e;
}

}  // namespace dialogs
