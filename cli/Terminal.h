#pragma once
// Writing to the terminal: whole lines, the width of Japanese text, and the
// one progress line of --extract.

#include "extract/RunProgress.h"
#include "gui/Utf8.h"

#include <QCoreApplication>
#include <QString>

#include <chrono>
#include <cstdio>
#include <string>
#include <string_view>

namespace cli {

using gui::fromUtf8;

// The context of the command line's texts: English in the code, Japanese in
// translations/cli_ja.ts, chosen by the system's language when a run starts.
class Texts {
    Q_DECLARE_TR_FUNCTIONS(Texts)
};
// Writes `text` in UTF-8 and flushes, so lines keep their order across streams.
void write(std::FILE* stream, const QString& text);
// Columns a terminal gives the text: East Asian wide and full-width characters take two.
int displayWidth(const QString& text);
bool stdoutIsTerminal();

// One line rewritten in place on a terminal: the movie, its title, the
// run's bytes, speed and time left; a line per finished file otherwise.
class Progress {
public:
    explicit Progress(const hotaru::RunProgress& run, int total);

    // The movie under way is being copied; shown when the percentage changed.
    void copying(int k, const QString& title);
    void converting(int k, const QString& title);
    // A file finished: a line of its own when no terminal shows the progress.
    void written(const std::string& path);
    void converted(const std::string& path);
    // A passing remark: on the progress line on a terminal, else a line of its own on stderr.
    void note(const QString& text);
    // Ends the progress line before a message or the summary.
    void finish();
    bool terminal() const { return terminal_; }

private:
    void show(int k, const QString& title, const QString& state);
    // "12.3/45.6 MB  3.1 MB/s  0:11 left", once a second of the run has passed.
    QString rate() const;

    const hotaru::RunProgress& run_;
    int total_;
    bool terminal_;
    std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
    int k_ = 0;
    int percent_ = -1;
};

}  // namespace cli
