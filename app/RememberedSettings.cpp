#include "app/RememberedSettings.h"

#include "app/Session.h"
#include "app/Voices.h"
#include "config/ProgramInfo.h"
#include "platform/InOutError.h"
#include "platform/Path.h"

#include <QDir>
#include <QSettings>

namespace app {
namespace {

const QString VoiceKey = QStringLiteral("voice");
const QString OutputFolderKey = QStringLiteral("outputFolder");
const QString ConverterKey = QStringLiteral("converter");
const QString OutputFormatKey = QStringLiteral("outputFormat");  // a format's name, or empty
const QString ScaleKey = QStringLiteral("scale");
const QString ChecksumsKey = QStringLiteral("checksums");
const QString NameTemplateKey = QStringLiteral("nameTemplate");
const QString SubtitleFolderKey = QStringLiteral("subtitleFolder");
const QString BurnSubtitlesKey = QStringLiteral("burnSubtitles");
const QString ExistingFilesKey = QStringLiteral("existingFiles");
// Before the formats had one setting, each had a switch of its own.
const QString OldAviOutputKey = QStringLiteral("aviOutput");
const QString OldMp4OutputKey = QStringLiteral("mp4Output");

// The format saved, in either way of saving it.
const hotaru::OutputFormat* savedFormat(const QSettings& store)
{
    if (store.contains(OutputFormatKey))
        return hotaru::outputFormatNamed(store.value(OutputFormatKey).toString().toStdString());
    if (store.value(OldAviOutputKey).toBool())
        return &hotaru::outputFormat(hotaru::VideoFormat::Avi);
    if (store.value(OldMp4OutputKey).toBool())
        return &hotaru::outputFormat(hotaru::VideoFormat::Mp4);
    return nullptr;
}
const QString LanguageKey = QStringLiteral("language");

}  // namespace

std::unique_ptr<QSettings> RememberedSettings::userStore()
{
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       QString::fromUtf8(hotaru::ProgramName), QString::fromUtf8(hotaru::ProgramName));
}

RememberedSettings::RememberedSettings(std::unique_ptr<QSettings> store, Session& session)
    : QObject(&session), store_(std::move(store)), session_(session)
{
    restore();
    connect(&session_, &Session::voiceChanged, this, &RememberedSettings::save);
    connect(&session_, &Session::languageChoiceChanged, this, &RememberedSettings::save);
    connect(&session_, &Session::runSettingsChanged, this, &RememberedSettings::save);
}

RememberedSettings::~RememberedSettings() = default;

void RememberedSettings::restore()
{
    bool ok = false;
    const int voice = store_->value(VoiceKey).toInt(&ok);
    if (ok && voice >= 0 && voice < VoiceCount)
        session_.setVoice(static_cast<Voice>(voice));
    const int language = store_->value(LanguageKey).toInt(&ok);
    if (ok && language >= 0 && language < language::LanguageChoiceCount)
        session_.setLanguageChoice(static_cast<language::LanguageChoice>(language));
    // A folder that has gone since is forgotten quietly: the current directory serves.
    const QString folder = store_->value(OutputFolderKey).toString();
    if (!folder.isEmpty() && QDir(folder).exists()) {
        try {
            session_.workingFolder().moveTo(folder);
            // Written by hand or by another tool, it may lack the separator
            // that movie names are put after: it still means that folder.
            session_.setOutputFolder(QString::fromStdString(hotaru::joinPath(folder.toStdString(), {})));
        } catch (const hotaru::EInOutError&) {
        }
    }
    const QString converter = store_->value(ConverterKey).toString();
    if (!converter.isEmpty())
        session_.setConverterPath(converter);
    // The user's converter must be linked for its format; the bundled one must be there for the others.
    if (const hotaru::OutputFormat* format = savedFormat(*store_);
        format && (format->bundledConverter || !converter.isEmpty()))
        session_.setConverting(format->format, true);
    const int scale = store_->value(ScaleKey).toInt(&ok);
    if (ok && scale >= hotaru::MinScale && scale <= hotaru::MaxScale)
        session_.setScale(scale);
    session_.setChecksums(store_->value(ChecksumsKey).toBool());
    // A template edited by hand into one that fails is dropped for the default.
    const hotaru::NameTemplate naming(
        store_
            ->value(NameTemplateKey, QString::fromUtf8(hotaru::NameTemplate::Default.data(),
                                                       static_cast<qsizetype>(hotaru::NameTemplate::Default.size())))
            .toString()
            .toStdString());
    const std::optional<hotaru::ExistingFiles> existing =
        hotaru::parseExistingFiles(store_->value(ExistingFilesKey).toString().toStdString());
    session_.setNaming(naming, existing.value_or(hotaru::ExistingFiles::Overwrite));
    if (const QString subtitles = store_->value(SubtitleFolderKey).toString(); QDir(subtitles).exists())
        session_.setSubtitleFolder(subtitles);
    session_.setBurnSubtitles(store_->value(BurnSubtitlesKey).toBool());
}

void RememberedSettings::save()
{
    store_->setValue(VoiceKey, static_cast<int>(session_.voice()));
    store_->setValue(OutputFolderKey, session_.outputFolder());
    store_->setValue(ConverterKey, session_.converterPath());
    const std::optional<hotaru::VideoFormat> format = session_.outputFormat();
    store_->setValue(OutputFormatKey,
                     format ? QString::fromUtf8(hotaru::outputFormat(*format).name.data(),
                                                static_cast<qsizetype>(hotaru::outputFormat(*format).name.size()))
                            : QString());
    store_->remove(OldAviOutputKey);
    store_->remove(OldMp4OutputKey);
    store_->setValue(ScaleKey, session_.scale());
    store_->setValue(ChecksumsKey, session_.checksums());
    store_->setValue(NameTemplateKey, QString::fromStdString(session_.naming().text()));
    store_->setValue(SubtitleFolderKey, session_.subtitleFolder());
    store_->setValue(BurnSubtitlesKey, session_.burnSubtitles());
    store_->setValue(
        ExistingFilesKey,
        QString::fromLatin1(hotaru::existingFilesName(session_.existingFiles()).data(),
                            static_cast<qsizetype>(hotaru::existingFilesName(session_.existingFiles()).size())));
    store_->setValue(LanguageKey, static_cast<int>(session_.languageChoice()));
    store_->sync();
}

}  // namespace app
