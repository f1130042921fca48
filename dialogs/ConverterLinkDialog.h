#pragma once

#include "gui/SystemServices.h"

#include "gui/FixedWindow.h"

#include <QDialog>

#include <memory>

class QKeyEvent;
class QLineEdit;
class QShowEvent;

namespace dialogs {
class ConverterInfoWindow;

// "ACPK2AVIとの連携": names the converter program and switches AVI output on.
// Modeless; hiding keeps the chosen path for the next time. Its help button
// shows the converter information window, which it owns.
class ConverterLinkDialog : public gui::FixedWindow<QDialog> {
    Q_OBJECT
public:
    explicit ConverterLinkDialog(gui::SystemServices& services, QWidget* parent = nullptr);
    ~ConverterLinkDialog() override;

    // A window of its own, not a child: it stays open when this one closes.
    ConverterInfoWindow* infoWindow() const;

    // The converter the field shows: one chosen before, or one offered while
    // none is. The picker starts at it; nothing is announced.
    void setConverterPath(const QString& path);
    QString converterPath() const;

Q_SIGNALS:
    // A converter was picked; the path takes effect at once.
    void converterChosen(const QString& path);
    // OK with a converter named: AVI output goes on.
    void aviOutputRequested();

private:
    void onBrowseClicked();
    void onOkClicked();
    void onCancelClicked();
    void onHelpClicked();

    gui::SystemServices& services_;
    QLineEdit* converterPathEdit_;
    // What the open dialog lists; after a choice it starts at that file.
    gui::FileRequest converterRequest_;
    std::unique_ptr<ConverterInfoWindow> infoWindow_;
};

// The names the converter's open dialog lists.
QStringList converterFileNames();

}  // namespace dialogs
