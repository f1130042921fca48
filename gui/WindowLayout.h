#pragma once
// Building windows to their layout: the face, controls placed by the
// layout's coordinates under the layout's names, and keys and placing that
// every window of the program shares.

#include <QFont>
#include <QString>

class QKeyEvent;
class QLabel;
class QPushButton;
class QWidget;

namespace gui {

// Where a control sits in its window, in client pixels, under its layout name
// (kept as its objectName, so the layout and the tests find it).
struct Place {
    const char* name;
    int left, top, width, height;
};

// "ＭＳ Ｐゴシック", or a CJK gothic of the system where that is missing.
QFont uiFont(int pixels, bool bold = false);

template <typename W>
W* place(QWidget* parent, const Place& at)
{
    auto* w = new W(parent);
    w->setObjectName(QString::fromLatin1(at.name));
    w->setGeometry(at.left, at.top, at.width, at.height);
    return w;
}

// A label sized to its text (never smaller than its place), as auto-sized
// labels are, so a wider fallback face does not clip it.
QLabel* label(QWidget* parent, const Place& at, const QString& text, int pixels, bool bold = false);
// Another text for such a label, sized again.
void setLabelText(QLabel* label, const Place& at, const QString& text);
// A button that is nobody's default: Enter does not press it unless it has the focus.
QPushButton* button(QWidget* parent, const Place& at, const QString& text);

// A caption as the layout writes it: "&&" shows one ampersand, a lone "&" none.
QString accelText(const QString& caption);

// Enter and Escape where no button is the cancel button: Escape presses
// nothing, Enter only `defaultButton` when there is one. Returns false for
// any other key.
bool dialogKey(QKeyEvent* e, QPushButton* defaultButton = nullptr);

// Puts a window's frame in the middle of its screen.
void centreOnScreen(QWidget* window);

// Makes a hidden window visible and brings it to the front; a visible one is only brought forward.
void showModeless(QWidget* window);

}  // namespace gui
