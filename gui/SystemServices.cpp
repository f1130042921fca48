#include "gui/SystemServices.h"

#include "config/ProgramInfo.h"
#include "gui/QtAudioOutput.h"
#include "gui/TaskbarProgress.h"
#include "platform/Drives.h"
#include "platform/InOutError.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStorageInfo>

namespace gui {

namespace {

class RealSystemServices final : public SystemServices {
public:
    BoxAnswer messageBox(QWidget* owner, const QString& text, const QString& caption, BoxButtons buttons,
                         BoxIcon icon) override
    {
        QMessageBox box(owner);
        box.setWindowTitle(caption);
        box.setText(text);
        box.setIcon(icon == BoxIcon::Stop ? QMessageBox::Critical : QMessageBox::NoIcon);
        if (buttons == BoxButtons::OkCancel) {
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Ok);
            return box.exec() == QMessageBox::Ok ? BoxAnswer::Ok : BoxAnswer::Cancel;
        }
        if (buttons == BoxButtons::RetryCancel) {
            box.setStandardButtons(QMessageBox::Retry | QMessageBox::Cancel);
            box.setDefaultButton(QMessageBox::Retry);
            return box.exec() == QMessageBox::Cancel ? BoxAnswer::Cancel : BoxAnswer::Retry;
        }
        box.setStandardButtons(QMessageBox::Ok);
        box.exec();
        return BoxAnswer::Ok;
    }

    void notify(QWidget* owner, const QString& text, const QString& caption, std::function<void()> dismissed) override
    {
        auto* box = new QMessageBox(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, owner);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->setWindowModality(Qt::NonModal);
        QObject::connect(box, &QMessageBox::finished, box, [dismissed = std::move(dismissed)] {
            if (dismissed)
                dismissed();
        });
        box->show();
    }

    std::optional<QString> chooseFolder(QWidget* owner, const QString& title, const QString& start) override
    {
        const QString chosen = QFileDialog::getExistingDirectory(owner, title, start);
        if (chosen.isEmpty())
            return std::nullopt;
        return chosen;
    }

    std::optional<QString> openFile(QWidget* owner, const FileRequest& request) override
    {
        // Qt's dialog never changes the current directory, as the tool requires.
        QFileDialog dialog(owner, request.title);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        // Listed by its description alone, as the system's own dialogs do.
        dialog.setOption(QFileDialog::HideNameFilterDetails);
        QStringList filters{request.filterName + QStringLiteral(" (") + request.fileNames.join(u' ') + u')'};
        for (const auto& [name, patterns] : request.moreFilters)
            filters << name + QStringLiteral(" (") + patterns.join(u' ') + u')';
        dialog.setNameFilters(filters);
        if (!request.initialFolder.isEmpty())
            dialog.setDirectory(request.initialFolder);
        dialog.selectFile(request.initialName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().constFirst();
    }

    const hotaru::DriveProbe& drives() const override { return *drives_; }

    QStringList folderDrives() const override
    {
        QStringList roots;
#ifdef _WIN32
        for (const QFileInfo& d : QDir::drives())
            roots << QDir::toNativeSeparators(d.absoluteFilePath());
#else
        roots << QStringLiteral("/");
        QStringList media;
        for (const QStorageInfo& v : QStorageInfo::mountedVolumes()) {
            const QString r = v.rootPath();
            if (r.startsWith(QStringLiteral("/media/")) || r.startsWith(QStringLiteral("/run/media/")) ||
                r.startsWith(QStringLiteral("/mnt/")))
                media << r;
        }
        media.sort();
        media.removeDuplicates();
        roots << media;
#endif
        return roots;
    }

private:
    std::unique_ptr<hotaru::DriveProbe> drives_ = hotaru::makeSystemDriveProbe();
};

}  // namespace

std::unique_ptr<TaskbarProgress> SystemServices::taskbarProgress(QWidget* window)
{
    return makeTaskbarProgress(window);
}

void SystemServices::requestAttention(QWidget* window) { QApplication::alert(window); }

std::optional<std::int64_t> SystemServices::freeSpace(const QString& folder) const
{
    const QStorageInfo volume(folder);
    if (!volume.isValid() || !volume.isReady())
        return std::nullopt;
    return volume.bytesAvailable();
}

void SystemServices::showError(QWidget* owner, const QString& message)
{
    messageBox(owner, asSentence(message), programTitle(), BoxButtons::Ok, BoxIcon::Stop);
}

QString asSentence(const QString& text)
{
    QString sentence = QString::fromStdString(hotaru::withFullStop(text.toStdString()));
    const qsizetype start = sentence.lastIndexOf(u'\n') + 1;
    if (start < sentence.size() && sentence[start].isLower())
        sentence[start] = sentence[start].toUpper();
    return sentence;
}

std::unique_ptr<SystemServices> makeSystemServices() { return std::make_unique<RealSystemServices>(); }

QString programTitle() { return QString::fromUtf8(hotaru::ProgramTitle); }

}  // namespace gui

namespace gui {

std::unique_ptr<AudioOutput> SystemServices::openAudio(int sampleRate, int channels, SoundSource& source)
{
    return QtAudioOutput::open(sampleRate, channels, source);
}

}  // namespace gui
