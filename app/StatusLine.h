#pragma once

#include <QString>

#include <functional>

class QStatusBar;

namespace app {
// What the main window's status line shows: the latest message, or the hint
// of a menu item or control while one is pointed at. The last line the
// program spoke (a voice's) is said again in the new language when the
// language changes, unless a run's message has come since or a hint shows:
// the menu that switches clears the line as it closes.
class StatusLine {
public:
    explicit StatusLine(QStatusBar* bar = nullptr) : bar_(bar) {}

    QString text() const;
    void show(const QString& text);
    // Shows what `words` says now, and again after each retranslate().
    void speak(std::function<QString()> words);
    // Only a change of hint reaches the line, so a message outlives a repeated hint.
    void setHint(const QString& hint);
    void retranslate();

private:
    QStatusBar* bar_;
    QString hint_;
    std::function<QString()> spoken_;
    QString spokenText_;  // what spoken_ said when last shown
};

}  // namespace app
