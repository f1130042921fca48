#pragma once

#include "gui/FixedWindow.h"

#include <QDialog>

class QKeyEvent;
class QLineEdit;
class QPushButton;
class QShowEvent;

namespace gui {
class SystemServices;
}

namespace dialogs {
class DoubleClickPicture;

// "バージョン情報": the about box, shown modally. Double-clicking the emblem
// swaps the contact lines for a large picture; double-clicking that swaps
// them back. Which is showing survives closing.
class AboutDialog : public gui::FixedWindow<QDialog> {
    Q_OBJECT
public:
    explicit AboutDialog(gui::SystemServices& services, QWidget* parent = nullptr);

Q_SIGNALS:
    // The hint of the contact line under the mouse, empty when it leaves;
    // the program shows it where it shows its other hints.
    void hintChanged(const QString& hint);

protected:
    bool event(QEvent* e) override;

private:
    void onOkClicked();
    void onEmblemDoubleClicked();
    void onPictureDoubleClicked();

    QLineEdit* contactEdit_;
    QLineEdit* homePageEdit_;
    DoubleClickPicture* picture_;
    QPushButton* okButton_;
};

}  // namespace dialogs
