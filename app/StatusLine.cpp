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
}

void StatusLine::setHint(const QString& hint)
{
    if (hint == hint_)
        return;
    hint_ = hint;
    show(hint_);
}

void StatusLine::retranslate()
{
    if (spoken_)
        bar_->showMessage(spoken_());
}

}  // namespace app
