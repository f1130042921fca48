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
const QString AviOutputKey = QStringLiteral("aviOutput");
const QString Mp4OutputKey = QStringLiteral("mp4Output");
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
    if (!converter.isEmpty()) {
        session_.setConverterPath(converter);
        session_.setAviOutput(store_->value(AviOutputKey).toBool());
    }
    if (!session_.aviOutput())
        session_.setMp4Output(store_->value(Mp4OutputKey).toBool());
}

void RememberedSettings::save()
{
    store_->setValue(VoiceKey, static_cast<int>(session_.voice()));
    store_->setValue(OutputFolderKey, session_.outputFolder());
    store_->setValue(ConverterKey, session_.converterPath());
    store_->setValue(AviOutputKey, session_.aviOutput());
    store_->setValue(Mp4OutputKey, session_.mp4Output());
    store_->setValue(LanguageKey, static_cast<int>(session_.languageChoice()));
    store_->sync();
}

}  // namespace app
