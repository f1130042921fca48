#pragma once

#include <QWidget>

class QKeyEvent;

namespace gui {
class SystemServices;
}

// "Form4": names the converter and where it comes from. An ordinary window,
// shown modeless from the converter link dialog; it stays open on its own.
class ConverterInfoWindow : public QWidget {
    Q_OBJECT
public:
    explicit ConverterInfoWindow(gui::SystemServices& services, QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    void onOkClicked();
};
