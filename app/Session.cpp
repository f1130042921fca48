#include "app/Session.h"

#include "platform/InOutError.h"
#include "platform/Path.h"

namespace app {
Session::Session(QObject* parent)
    : QObject(parent), archive_(std::make_shared<hotaru::SharedArchive>(archivePath_.toStdString()))
{
    connect(&workingFolder_, &gui::WorkingFolder::moved, this, [this] {
        if (outputFolder_.isEmpty())
            Q_EMIT runSettingsChanged();
    });
}

void Session::setArchivePath(const QString& path)
{
    archivePath_ = path;
    archive_ = std::make_shared<hotaru::SharedArchive>(path.toStdString());
}

void Session::setOutputFolder(const QString& folder)
{
    outputFolder_ = folder;
    Q_EMIT runSettingsChanged();
}

void Session::setVoice(Voice voice)
{
    voice_ = voice;
    Q_EMIT voiceChanged(voice);
}

void Session::setLanguageChoice(language::LanguageChoice choice)
{
    languageChoice_ = choice;
    Q_EMIT languageChoiceChanged(choice);
}

void Session::setLanguage(language::Language language)
{
    language_ = language;
    Q_EMIT languageChanged(language);
}

QString Session::movieTitle(std::int32_t movie) const { return language::movieTitle(language_, disc(), movie); }

void Session::setConverterPath(const QString& path)
{
    converterPath_ = path;
    Q_EMIT runSettingsChanged();
}

void Session::setAviOutput(bool on)
{
    if (on && mp4Output_) {
        mp4Output_ = false;
        Q_EMIT mp4OutputChanged(false);
    }
    aviOutput_ = on;
    Q_EMIT aviOutputChanged(on);
    Q_EMIT runSettingsChanged();
}

void Session::setMp4Output(bool on)
{
    on = on && !bundledConverter_.isEmpty();
    if (on && aviOutput_) {
        aviOutput_ = false;
        Q_EMIT aviOutputChanged(false);
    }
    mp4Output_ = on;
    Q_EMIT mp4OutputChanged(on);
    Q_EMIT runSettingsChanged();
}

hotaru::RunSettingsValues Session::runSettings() const
{
    std::string folder = outputFolder_.toStdString();
    try {
        if (folder.empty())
            folder = hotaru::joinPath(workingFolder_.path().toStdString(), std::string());
    } catch (const hotaru::EInOutError&) {
        // Removed under us: the movie's copy then fails and says so.
    }
    return {folder, aviOutput_, converterPath_.toStdString(), mp4Output_, bundledConverter_.toStdString()};
}

}  // namespace app
