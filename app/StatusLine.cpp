#include "app/StatusLine.h"

#include <QStatusBar>

namespace app {

QString StatusLine::text() const { return bar_->currentMessage(); }

void StatusLine::show(const QString& text)
{
    spoken_ = nullptr;
    if (text.isEmpty())
        bar_->clearMessage();
    else
        bar_->showMessage(text);
}

void StatusLine::speak(std::function<QString()> words)
{
    show(words());
    spoken_ = std::move(words);
    spokenText_ = bar_->currentMessage();
}

void StatusLine::setHint(const QString& hint)
{
    if (hint == hint_)
        return;
    hint_ = hint;
    if (hint_.isEmpty())
        bar_->clearMessage();
    else
        bar_->showMessage(hint_);
}

void StatusLine::retranslate()
{
    const QString now = bar_->currentMessage();
    if (!spoken_ || !(now.isEmpty() || now == spokenText_))
        return;
    spokenText_ = spoken_();
    bar_->showMessage(spokenText_);
}

}  // namespace app
