#pragma once

#include <QWidget>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;

// "Form4": names the converter and where it comes from. An ordinary window,
// shown modeless from the converter link dialog; it stays open on its own.
class TForm4 : public QWidget {
    Q_OBJECT
public:
    explicit TForm4(QWidget* parent = nullptr);
    ~TForm4() override;

    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLineEdit* Edit1;
    QPushButton* Button1;

public Q_SLOTS:
    void Button1Click();

protected:
    void keyPressEvent(QKeyEvent* e) override;
};

extern TForm4* Form4;
