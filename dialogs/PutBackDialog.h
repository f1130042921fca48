#pragma once

#include "gui/FixedWindow.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <cstdint>

class QCloseEvent;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace gui {
class SystemServices;
}

namespace dialogs {

// What the user asked to put back.
struct PutBackChoice {
    std::int32_t movie = 0;
    QString file;    // a video, or subtitles to draw into the disc's own movie
    QString folder;  // where the copy of the disc goes
    double maxSeconds = 0;
};

// "ﾑｰﾋﾞｰの書き戻し": a movie of the open disc, the file it is re-made from
// and the folder the patched copy of the disc goes into; then the progress,
// with a stop, and what came of it. Modal while it works.
class PutBackDialog : public gui::FixedWindow<QDialog> {
    Q_OBJECT
public:
    PutBackDialog(gui::SystemServices& services, QWidget* parent = nullptr);

    // The open disc's movies, titled in the language of the moment; disc 0: none open.
    void setDisc(std::int32_t disc, const QString& archivePath);
    void setMovie(std::int32_t movie);
    bool isWorking() const { return working_; }

public Q_SLOTS:
    void showProgress(const QString& stage, int permille);
    void showFinished(const QStringList& files, int quality, qint64 movieBytes, qint64 budget, bool chdAsBinCue);
    void showFailed(const QString& message, bool stopped);

Q_SIGNALS:
    void putBackAsked(const dialogs::PutBackChoice& choice);
    void stopAsked();

protected:
    void closeEvent(QCloseEvent* e) override;
    void reject() override;

private:
    void fillMovies();
    void refresh();
    void chooseFile();
    void chooseFolder();
    void start();
    void setWorking(bool working);

    gui::SystemServices& services_;
    std::int32_t disc_ = 0;
    QString archivePath_;
    bool working_ = false;
    QComboBox* movie_;
    QLineEdit* file_;
    QPushButton* fileButton_;
    QLineEdit* folder_;
    QPushButton* folderButton_;
    QDoubleSpinBox* maxSeconds_;
    QLabel* stage_;
    QProgressBar* progress_;
    QLabel* outcome_;
    QPushButton* start_;
    QPushButton* stop_;
    QPushButton* close_;
};

}  // namespace dialogs
