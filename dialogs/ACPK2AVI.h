#pragma once

#include "DialogSupport.h"

#include <QDialog>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QShowEvent;

// "ACPK2AVIとの連携": names the converter program and switches AVI output on.
// Modeless; hiding keeps the chosen path for the next time.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);
    ~TForm3() override;

    QLabel* Label1;
    QLineEdit* Edit1;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;
    // What the open dialog lists; after a choice it starts at that file.
    dialogs::FileQuery OpenDialog1;

public Q_SLOTS:
    void Button1Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();

Q_SIGNALS:
    // A converter was picked; the path takes effect at once.
    void ConverterChosen(const QString& path);
    // OK with a converter named: AVI output goes on.
    void AviOutputOn();

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;
};

extern TForm3* Form3;

// The names the converter's open dialog lists.
QStringList converterFileNames();
