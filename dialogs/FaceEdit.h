#pragma once

#include "gui/WindowLayout.h"

#include <QString>

class QLineEdit;
class QWidget;

namespace dialogs {

// Read-only, borderless, on the face colour: text that reads like a label
// but can be selected and copied.
QLineEdit* faceEdit(QWidget* parent, const gui::Place& at, const QString& text);

}  // namespace dialogs
