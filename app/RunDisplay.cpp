#include "app/RunDisplay.h"

#include <QLabel>
#include <QProgressBar>

namespace app {

void RunDisplay::started() const
{
    for (QWidget* w : busy_)
        w->setCursor(Qt::WaitCursor);
}

void RunDisplay::stepped(int slices) const
{
    // Past the maximum the bar starts over, so each movie fills it once.
    const int span = bar_->maximum() - bar_->minimum();
    for (; slices > 0; --slices) {
        int next = bar_->value() + 1;
        if (next > bar_->maximum())
            next = bar_->minimum() + (next - bar_->minimum()) % span;
        bar_->setValue(next);
    }
}

void RunDisplay::showFileName(const QString& name) const { fileName_->setText(name); }

void RunDisplay::ended() const
{
    bar_->setValue(0);
    fileName_->clear();
    for (QWidget* w : busy_)
        w->unsetCursor();
}

}  // namespace app
