#include "app/ArchiveChooser.h"

#include "gui/SystemServices.h"

#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

namespace app {
namespace {

// What the open dialog's second entry lists: the disc images the program reads.
QStringList discImagePatterns()
{
    QStringList patterns;
    for (const char* ext : {"iso", "cue", "bin", "chd", "ccd", "img", "mds", "mdf", "nrg"})
        patterns << QStringLiteral("*.%1").arg(QLatin1String(ext))
                 << QStringLiteral("*.%1").arg(QLatin1String(ext)).toUpper();
    return patterns;
}

}  // namespace

hotaru::Discovery ArchiveChooser::scan() const
{
    const hotaru::Discovery found = hotaru::discoverArchive(services_.drives(), [this] {
        return services_.messageBox(nullptr, tr("ホタル奇譚のCDROMが入っていません。"), tr("エラー"),
                                    gui::BoxButtons::RetryCancel, gui::BoxIcon::Stop) != gui::BoxAnswer::Cancel;
    });
    if (found.outcome == hotaru::DiscoveryOutcome::NoCdRom)
        services_.messageBox(nullptr, tr("CD-ROMが見つかりませんわ。"), tr("エラーですわよ。"));
    return found;
}

std::optional<QString> ArchiveChooser::ask(QWidget* owner) const
{
    gui::FileRequest request{
        QString(),
        tr("ホタル奇譚ムービーファイル(hotaru4)"),
        {QStringLiteral("hotaru4")},
        QStringLiteral("hotaru4"),
        QString(),
        {{tr("ディスクイメージ(iso, cue, bin, chd, ccd, img, mds, mdf, nrg)"), discImagePatterns()}}};
    if (!last_.isEmpty()) {
        const QFileInfo last(last_);
        request.initialName = last.fileName();
        request.initialFolder = last.absolutePath();
    }
    return services_.openFile(owner, request);
}

QString ArchiveChooser::droppedFile(const QMimeData* data)
{
    if (!data->hasUrls() || data->urls().size() != 1 || !data->urls().constFirst().isLocalFile())
        return {};
    const QString path = data->urls().constFirst().toLocalFile();
    return QFileInfo(path).isDir() ? QString() : path;
}

}  // namespace app
