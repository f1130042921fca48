#pragma once

#include "gui/FixedWindow.h"

#include <QWidget>

class QKeyEvent;

namespace gui {
class SystemServices;
}

namespace dialogs {
// "Form4": names the converter and where it comes from. An ordinary window,
// shown modeless from the converter link dialog; it stays open on its own.
class ConverterInfoWindow : public gui::FixedWindow<QWidget> {
    Q_OBJECT
public:
    explicit ConverterInfoWindow(gui::SystemServices& services, QWidget* parent = nullptr);

private:
    void onOkClicked();
};

}  // namespace dialogs
