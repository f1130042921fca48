// Execute: the extraction run, and closing the window while one goes on.
#include "Form1.h"

#include "CutThread.h"
#include "Globals.h"
#include "InOutError.h"
#include "Prompts.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

void TForm1::CutThreadStopper::operator()(QThread* thread) const
{
    // The worker looks at the request after every slice, so this wait is short.
    thread->requestInterruption();
    thread->wait();
    delete thread;
}

TCutThread* TForm1::cutThread() const { return static_cast<TCutThread*>(cutThread_.get()); }

void TForm1::publishRunSettings()
{
    if (TCutThread* worker = cutThread())
        worker->settings().update({OutputFolder.toStdString(), ACPK2AVI->isChecked(), ConverterPath.toStdString()});
}

void TForm1::Button4Click()
{
    if (running_)
        return;
    for (QPushButton* b : {Button2, Button3, Button4, Button5, Button6})
        b->setEnabled(false);
    running_ = true;

    auto* worker = new TnewThread(hotaru::RunSnapshot{ArchivePath.toStdString(), ArchiveVariant, PickList.live()});
    cutThread_.reset(worker);
    publishRunSettings();
    // The AVI switch is published by its handlers, never on Qt's own toggling:
    // a click ticks the item for a moment before the handler decides.
    connect(worker, &TCutThread::statusChanged, this, &TForm1::SetStatusText, Qt::QueuedConnection);
    connect(worker, &TCutThread::labelChanged, Label2, &QLabel::setText, Qt::QueuedConnection);
    connect(worker, &TCutThread::stepped, this, &TForm1::cutStep, Qt::QueuedConnection);
    connect(worker, &TCutThread::completed, this, &TForm1::cutCompleted, Qt::QueuedConnection);
    connect(worker, &TCutThread::failed, this, &TForm1::cutFailed, Qt::QueuedConnection);

    setRunCursors(true);
    ListBox1->setEnabled(false);
    ListBox2->setEnabled(false);
    worker->start();  // the worker lowers itself to idle priority
}

void TForm1::setRunCursors(bool busy)
{
    for (QWidget* w : std::initializer_list<QWidget*>{this, ListBox1, ListBox2, Button2, Button3, Button4, Button5,
                                                      Button6, StatusBar1, ProgressBar1}) {
        if (busy)
            w->setCursor(Qt::WaitCursor);
        else
            w->unsetCursor();
    }
}

void TForm1::cutStep()
{
    TCutThread* worker = cutThread();
    if (!worker)
        return;
    // One step per slice; past the maximum the bar starts over, so each movie fills it once.
    const int span = ProgressBar1->maximum() - ProgressBar1->minimum();
    for (int n = worker->takeSteps(); n > 0; --n) {
        int next = ProgressBar1->value() + 1;
        if (next > ProgressBar1->maximum())
            next = ProgressBar1->minimum() + (next - ProgressBar1->minimum()) % span;
        ProgressBar1->setValue(next);
    }
    // A folder chosen meanwhile reaches the next movie even if nobody announced it.
    publishRunSettings();
}

void TForm1::cutCompleted()
{
    if (!cutThread_)
        return;  // the window was closed meanwhile
    cutThread_.reset();
    prompts::current().message(this, QStringLiteral("ファイルの作成が終了しました。"), QStringLiteral("終了"));
    SetStatusText(QStringLiteral("終了しました。"));
    // File > Open during the run may already have emptied both.
    for (std::int32_t i = 0; i < PickList.count; ++i)
        delete ListBox2->takeItem(0);
    PickList.clear();
    selectRow(ListBox2, -1);
    selectRow(ListBox1, 0);
    Button4->setEnabled(false);
    endRun();
}

void TForm1::cutFailed(const QString& path, const QString& message)
{
    if (!cutThread_)
        return;
    cutThread_.reset();
    const QString text = QString::fromStdString(hotaru::withFullStop(message.toStdString()));
    const QString shown = path.isEmpty() ? text : QDir::toNativeSeparators(path) + u'\n' + text;
    prompts::current().messageBox(this, shown, QStringLiteral("ｱﾌﾟﾘｹｰｼｮﾝ ｴﾗｰ"), prompts::MB_OK | prompts::MB_ICONSTOP);
    SetStatusText(text);
    // The picks stay, so the same run can be started again.
    selectRow(ListBox2, -1);
    selectRow(ListBox1, 0);
    Button4->setEnabled(PickList.count > 0);
    endRun();
}

void TForm1::endRun()
{
    setRunCursors(false);
    ListBox1->setEnabled(true);
    ListBox2->setEnabled(true);
    Button2->setEnabled(true);
    Button3->setEnabled(false);
    Button5->setEnabled(true);
    Button6->setEnabled(true);
    ProgressBar1->setValue(0);
    Label2->setText(QString());
    running_ = false;
}

void TForm1::closeEvent(QCloseEvent* e)
{
    if (cutThread_) {
        // Stops at the next slice; the movie being written leaves no file behind.
        disconnect(cutThread_.get(), nullptr, nullptr, nullptr);
        cutThread_.reset();
        // What it sent before stopping is still queued: let it land now, not on a later run.
        QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
        QCoreApplication::sendPostedEvents(Label2, QEvent::MetaCall);
        endRun();
    }
    QMainWindow::closeEvent(e);
}
