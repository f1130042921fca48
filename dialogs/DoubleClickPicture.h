#pragma once

#include <QLabel>

class QMouseEvent;

namespace dialogs {
// A picture that reports double-clicks.
class DoubleClickPicture : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

Q_SIGNALS:
    void doubleClicked();

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;
};

}  // namespace dialogs
