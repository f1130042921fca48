#pragma once
// Byte checks, folder listings and a file-size cap for the extraction-run tests.

#include "Catalogue.h"
#include "CutThread.h"
#include "Globals.h"

#include <QDir>
#include <QString>
#include <QStringList>
#include <QWidget>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

namespace worker_test {

inline QString title(std::int32_t variant, std::int32_t movie) { return fromUtf8(hotaru::movieTitle(variant, movie)); }
inline QString cpk(std::int32_t variant, std::int32_t movie) { return title(variant, movie) + QStringLiteral(".cpk"); }
inline QString creating(std::int32_t variant, std::int32_t movie)
{
    return cpk(variant, movie) + QStringLiteral("  を作成中です。");
}

// True when `file` holds exactly the movie's range of `archive`.
inline bool sameAsRange(const QString& file, const QString& archive, std::int32_t variant, std::int32_t movie)
{
    const std::int64_t size = hotaru::movieSize(variant, movie);
    std::ifstream a(archive.toStdString(), std::ios::binary);
    std::ifstream f(file.toStdString(), std::ios::binary);
    std::error_code ec;
    if (!a || !f || static_cast<std::int64_t>(std::filesystem::file_size(file.toStdString(), ec)) != size)
        return false;
    a.seekg(hotaru::movieOffset(variant, movie));
    std::vector<char> x(1 << 20), y(1 << 20);
    for (std::int64_t left = size; left > 0;) {
        const auto n = static_cast<std::streamsize>(std::min<std::int64_t>(left, std::ssize(x)));
        if (!a.read(x.data(), n) || !f.read(y.data(), n) || !std::equal(x.begin(), x.begin() + n, y.begin()))
            return false;
        left -= n;
    }
    return true;
}

// Everything in the folder, sorted, hidden names included.
inline QStringList names(const QString& folder)
{
    QStringList n = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    n.sort();
    return n;
}

inline void writeBytes(const QString& path, const std::string& bytes) { std::ofstream(path.toStdString()) << bytes; }
inline std::string readBytes(const QString& path)
{
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline bool hourglass(const QWidget* w)
{
    return w->testAttribute(Qt::WA_SetCursor) && w->cursor().shape() == Qt::WaitCursor;
}

// A full disk, as far as this process can tell: no file may grow past `bytes`.
// Does nothing where the system has no such limit.
class FileSizeLimit {
public:
    explicit FileSizeLimit(std::int64_t bytes)
    {
#ifndef _WIN32
        ::getrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit lower = saved_;
        lower.rlim_cur = static_cast<rlim_t>(bytes);
        ::setrlimit(RLIMIT_FSIZE, &lower);
#else
        (void)bytes;
#endif
    }
    ~FileSizeLimit()
    {
#ifndef _WIN32
        ::setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, SIG_DFL);
#endif
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
#ifndef _WIN32
    rlimit saved_{};
#endif
};

// Records what a worker hands on to the converter step.
class RecordingThread : public TnewThread {
public:
    using TnewThread::TnewThread;
    QStringList handOffs;

protected:
    void HandOff(const std::string& t, const std::string& folder, const hotaru::RunSettingsValues&) override
    {
        handOffs << fromUtf8(folder + t);
    }
};

}  // namespace worker_test
