#pragma once

#include "ChoiceList.h"
#include "OpenDialog.h"

#include <QMainWindow>

#include <cstdint>
#include <memory>

class QAction;
class QFrame;
class QLabel;
class QListWidget;
class QMenu;
class QProgressBar;
class QPushButton;
class QStatusBar;

// The main window. Controls and handlers keep the names of the window layout.
class TForm1 : public QMainWindow {
    Q_OBJECT
public:
    // Builds the window and runs FormCreate, before the window is shown.
    explicit TForm1(QWidget* parent = nullptr);
    ~TForm1() override;

    std::int32_t MessageVoice = 0;
    QString ConverterPath;

    QFrame* Panel1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label4;
    ChoiceList* ListBox1;
    ChoiceList* ListBox2;
    QPushButton* Button1;
    QPushButton* Button2;
    QPushButton* Button3;
    QPushButton* Button4;
    QPushButton* Button5;
    QPushButton* Button6;
    QProgressBar* ProgressBar1;
    QStatusBar* StatusBar1;
    std::unique_ptr<TOpenDialog> OpenDialog1;

    QMenu* File1;
    QAction* Open1;
    QAction* KS1;
    QAction* N1;
    QAction* Exit1;
    QMenu* opt;
    QAction* ACPK2AVI;
    QMenu* K1;
    QAction* K2;
    QAction* K3;
    QAction* K4;
    QMenu* Help1;
    QAction* About1;

    // The status line's text.
    QString StatusText() const;
    void SetStatusText(const QString& text);

public Q_SLOTS:
    void FormCreate();
    void ShowHint(const QString& hint);
    void Open1Click();
    void KS1Click();
    void Exit1Click();
    void Button1Click();
    void About1Click();
    void ACPK2AVIClick();
    void K2Click();
    void K3Click();
    void K4Click();
    void Button2Click();
    void Button3Click();
    void Button4Click();
    void Button5Click();
    void Button6Click();
    void ListBox1Click();
    void ListBox2Click();

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void buildControls();
    void buildMenu();
    void wireHandlers();
    void runDiscovery();
    void openArchive();
    void listTitles();
    void setVoice(std::int32_t voice);

    bool centred_ = false;

    // --- extraction run (worker) ---
public:
    // From the click on "実行" until the run's end has been dealt with.
    bool isRunning() const { return running_; }
    // Hands OutputFolder, the AVI switch and ConverterPath to a running worker;
    // call after changing any of them.
    void publishRunSettings();

private:
    struct CutThreadStopper {
        void operator()(class QThread* thread) const;
    };
    class TCutThread* cutThread() const;
    void cutStep();
    void cutCompleted();
    void cutFailed(const QString& path, const QString& message);
    void setRunCursors(bool busy);
    void endRun();
    std::unique_ptr<QThread, CutThreadStopper> cutThread_;
    bool running_ = false;

    // --- dialogs ---
public:
    // Joins the dialogs made at start-up (OKRightDlg, Form2, Form3, Form4) to
    // this window and the program-wide state; call once they all exist.
    void AttachDialogs();
};

extern TForm1* Form1;
