#pragma once
// Byte checks, folder listings and a file-size cap for the extraction-run tests.

#include "FileChecks.h"
#include "app/ExtractionWorker.h"
#include "catalogue/Catalogue.h"
#include "gui/Utf8.h"

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
#include <string_view>
#include <vector>

#ifndef _WIN32
#include <csignal>
#include <sys/resource.h>
#endif

using namespace app;

namespace worker_test {

using gui::fromUtf8;

inline QString title(std::int32_t variant, std::int32_t movie) { return fromUtf8(hotaru::movieTitle(variant, movie)); }
inline QString cpk(std::int32_t variant, std::int32_t movie) { return title(variant, movie) + QStringLiteral(".cpk"); }
inline QString creating(std::int32_t variant, std::int32_t movie)
{
    return cpk(variant, movie) + QStringLiteral("  を作成中です。");
}

// True when `file` holds exactly the movie's range of `archive`.
inline bool sameAsRange(const QString& file, const QString& archive, std::int32_t variant, std::int32_t movie)
{
    return ::sameAsRange(file.toStdString(), archive.toStdString(), hotaru::movieOffset(variant, movie),
                         hotaru::movieSize(variant, movie));
}

// Everything in the folder, sorted, hidden names included.
inline QStringList names(const QString& folder)
{
    QStringList n = QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
    n.sort();
    return n;
}

// Named through UTF-16: a narrow name is read in the ANSI code page on Windows.
inline std::filesystem::path fsPath(const QString& path) { return std::filesystem::path(path.toStdU16String()); }
inline void writeBytes(const QString& path, const std::string& bytes)
{
    std::ofstream(fsPath(path), std::ios::binary) << bytes;
}
inline std::string readBytes(const QString& path)
{
    std::ifstream in(fsPath(path), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline bool hourglass(const QWidget* w)
{
    return w->testAttribute(Qt::WA_SetCursor) && w->cursor().shape() == Qt::WaitCursor;
}

// Records what a worker hands on to the converter step.
class RecordingWorker : public ExtractionWorker {
public:
    using ExtractionWorker::ExtractionWorker;
    QStringList handOffs;

protected:
    hotaru::ConversionOutcome handOff(const hotaru::Conversion& job) override
    {
        handOffs << fromUtf8(job.folder + job.title);
        return hotaru::ConversionOutcome::Converted;
    }
};

}  // namespace worker_test
