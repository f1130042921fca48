#pragma once

#include "extract/SharedArchive.h"
#include "remake/PutBack.h"

#include <QString>
#include <QStringList>
#include <QThread>

#include <memory>

namespace app {

// The thread of one put-back: reads the movie through the window's opened
// disc, re-makes it and writes the copy of the disc. It never touches a
// widget; the dialog hears of it through these signals, queued to its thread,
// and stops it with requestInterruption().
class PutBackWorker : public QThread {
    Q_OBJECT
public:
    PutBackWorker(std::shared_ptr<hotaru::SharedArchive> archive, hotaru::PutBackRequest request,
                  QObject* parent = nullptr);

Q_SIGNALS:
    // What it is doing, worded, and how far that is, 0..1000.
    void progressed(const QString& stage, int permille);
    // Done: the copy's files, the first to open first, and the quality reached.
    void done(const QStringList& files, int quality, qint64 movieBytes, qint64 budget, bool chdAsBinCue);
    // Failed or stopped, worded; nothing was written.
    void failed(const QString& message, bool stopped);

protected:
    void run() override;

private:
    std::shared_ptr<hotaru::SharedArchive> archive_;
    hotaru::PutBackRequest request_;
};

}  // namespace app
