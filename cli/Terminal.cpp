#include "cli/Terminal.h"

#include <QList>

#ifdef _WIN32
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace cli {

#ifdef _WIN32
// A console shows UTF-16 as it is, whatever its code page; false when the
// stream is no console (a file or a pipe, which get UTF-8).
bool writeToConsole(std::FILE* stream, const QString& text)
{
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(::_fileno(stream)));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || !GetConsoleMode(handle, &mode))
        return false;
    std::fflush(stream);
    const auto* p = reinterpret_cast<const wchar_t*>(text.utf16());
    auto left = static_cast<DWORD>(text.size());
    while (left > 0) {
        DWORD written = 0;
        if (!WriteConsoleW(handle, p, left, &written, nullptr) || written == 0)
            return left != static_cast<DWORD>(text.size());
        p += written;
        left -= written;
    }
    return true;
}
#endif

void write(std::FILE* stream, const QString& text)
{
#ifdef _WIN32
    if (writeToConsole(stream, text))
        return;
#endif
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

int displayWidth(const QString& text)
{
    int width = 0;
    for (const char32_t c : text.toUcs4()) {
        const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF) ||
                          (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF) ||
                          (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60) ||
                          (c >= 0xFFE0 && c <= 0xFFE6) || (c >= 0x20000 && c <= 0x3FFFD);
        width += wide ? 2 : 1;
    }
    return width;
}

bool stdoutIsTerminal()
{
#ifdef _WIN32
    return ::_isatty(::_fileno(stdout)) != 0;
#else
    return ::isatty(STDOUT_FILENO) != 0;
#endif
}

Progress::Progress(const hotaru::RunProgress& run, int total) : run_(run), total_(total), terminal_(stdoutIsTerminal())
{
}

void Progress::copying(int k, const QString& title)
{
    const int percent = run_.movieSlices() * 100 / hotaru::SlicesPerMovie;
    if (terminal_ && (k != k_ || percent != percent_))
        show(k, title, QStringLiteral("%1%").arg(percent, 3));
    percent_ = percent;
}

void Progress::converting(int k, const QString& title)
{
    if (terminal_)
        show(k, title, Texts::tr("converting"));
}

void Progress::written(const std::string& path)
{
    if (!terminal_)
        write(stdout, Texts::tr("written %1").arg(fromUtf8(path)) + u'\n');
}

void Progress::converted(const std::string& path)
{
    if (!terminal_)
        write(stdout, Texts::tr("converted %1").arg(fromUtf8(path)) + u'\n');
}

void Progress::note(const QString& text)
{
    if (terminal_)
        write(stdout, QStringLiteral("\r\x1b[K%1").arg(text));
    else
        write(stderr, text + u'\n');
}

void Progress::finish()
{
    if (terminal_ && k_ != 0)
        write(stdout, QStringLiteral("\n"));
    k_ = 0;
}

QString Progress::rate() const
{
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    const auto mb = [](std::int64_t bytes) { return QString::number(static_cast<double>(bytes) / 1e6, 'f', 1); };
    QString text = QStringLiteral("%1/%2 MB").arg(mb(run_.copied()), mb(run_.copyTotal()));
    const std::optional<long long> left = run_.secondsLeft(seconds);
    if (seconds < 1.0 || !left)
        return text;
    const auto copiedPerSecond = static_cast<std::int64_t>(static_cast<double>(run_.copied()) / seconds);
    return text + QStringLiteral("  %1 MB/s  ").arg(mb(copiedPerSecond)) +
           Texts::tr("%1:%2 left").arg(*left / 60).arg(*left % 60, 2, 10, QLatin1Char('0'));
}

void Progress::show(int k, const QString& title, const QString& state)
{
    k_ = k;
    write(stdout, QStringLiteral("\r\x1b[K[%1/%2] %3  %4  %5").arg(k).arg(total_).arg(title, state, rate()));
}

}  // namespace cli
