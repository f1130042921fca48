#pragma once

#include <QDialog>
#include <QLabel>

class QFrame;
class QKeyEvent;
class QLineEdit;
class QMouseEvent;
class QPushButton;
class QShowEvent;

// A picture that reports double-clicks.
class TImage : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

Q_SIGNALS:
    void DblClick();

protected:
    void mouseDoubleClickEvent(QMouseEvent* e) override;
};

// "バージョン情報": the about box, shown modally. Double-clicking the emblem
// swaps the contact lines for a large picture; double-clicking that swaps
// them back. Which is showing survives closing.
class TOKRightDlg : public QDialog {
    Q_OBJECT
public:
    explicit TOKRightDlg(QWidget* parent = nullptr);
    ~TOKRightDlg() override;

    QFrame* Bevel1;
    TImage* Image1;
    QLabel* Label1;
    QLabel* Label8;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label5;
    QLineEdit* Edit1;
    QLabel* Label7;
    QLineEdit* Edit2;
    TImage* Image2;
    QPushButton* OKBtn;

public Q_SLOTS:
    void OKBtnClick();
    void Image1DblClick();
    void Image2DblClick();

protected:
    bool event(QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;
};

extern TOKRightDlg* OKRightDlg;
