#pragma once
// Writing to the terminal: whole lines, the width of Japanese text, and the
// one progress line of --extract.

#include "gui/Utf8.h"

#include <QString>

#include <cstdio>
#include <string>
#include <string_view>

namespace cli {

using gui::fromUtf8;
// Writes `text` in UTF-8 and flushes, so lines keep their order across streams.
void write(std::FILE* stream, const QString& text);
// Columns a terminal gives the text: East Asian wide and full-width characters take two.
int displayWidth(const QString& text);
bool stdoutIsTerminal();

// One line rewritten in place on a terminal; a line per finished file otherwise.
class Progress {
public:
    explicit Progress(int total) : total_(total), terminal_(stdoutIsTerminal()) {}

    void copying(int k, const QString& title, int percent);
    void converting(int k, const QString& title);
    void done(const char* verb, const std::string& path);
    // A passing remark: on the progress line on a terminal, else a line of its own on stderr.
    void note(const QString& text);
    // Ends the progress line before a message or the summary.
    void finish();
    bool terminal() const { return terminal_; }

private:
    void show(int k, const QString& title, const QString& state);

    int total_;
    bool terminal_;
    int k_ = 0;
    int percent_ = -1;
};

}  // namespace cli
