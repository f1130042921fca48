#include "gui/WindowLayout.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QWidget>
#include <QtGlobal>

namespace gui {

QFont uiFont(int pixels, bool bold)
{
    QFont f;
    f.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("Noto Sans CJK JP"),
                   QStringLiteral("IPAPGothic"), QStringLiteral("VL PGothic")});
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

void centreOnScreen(QWidget* window)
{
    if (const QScreen* s = window->screen()) {
        const QRect frame = window->frameGeometry();
        window->move(s->availableGeometry().center() - QPoint(frame.width() / 2, frame.height() / 2));
    }
}

QLabel* label(QWidget* parent, const Place& at, const QString& text, int pixels, bool bold)
{
    auto* l = place<QLabel>(parent, at);
    l->setTextFormat(Qt::PlainText);
    l->setFont(uiFont(pixels, bold));
    setLabelText(l, at, text);
    return l;
}

void setLabelText(QLabel* l, const Place& at, const QString& text)
{
    l->setText(text);
    const QSize fits = l->sizeHint();
    l->resize(qMax(at.width, fits.width()), qMax(at.height, fits.height()));
}

QPushButton* button(QWidget* parent, const Place& at, const QString& text)
{
    auto* b = place<QPushButton>(parent, at);
    b->setText(text);
    b->setAutoDefault(false);
    b->setDefault(false);
    return b;
}

QString accelText(const QString& caption)
{
    QString out;
    out.reserve(caption.size());
    for (qsizetype i = 0; i < caption.size(); ++i) {
        if (caption[i] == u'&') {
            if (i + 1 < caption.size() && caption[i + 1] == u'&') {
                out += u'&';
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return out;
}

bool dialogKey(QKeyEvent* e, QPushButton* defaultButton)
{
    const bool plain =
        e->modifiers() == Qt::NoModifier || (e->modifiers() == Qt::KeypadModifier && e->key() == Qt::Key_Enter);
    if (!plain)
        return false;
    switch (e->key()) {
    case Qt::Key_Escape:
        e->accept();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
        e->accept();
        if (defaultButton && defaultButton->isVisible() && defaultButton->isEnabled())
            defaultButton->click();
        return true;
    }
    default:
        return false;
    }
}

void showModeless(QWidget* window)
{
    if (!window)
        return;
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace gui
