#include "app/Session.h"

#include "platform/InOutError.h"
#include "platform/Path.h"

#include <QDir>

#include <algorithm>

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

void Session::setConverting(hotaru::VideoFormat format, bool on)
{
    if (on && hotaru::outputFormat(format).bundledConverter && bundledConverter_.isEmpty())
        on = false;
    if (on)
        outputFormat_ = format;
    else if (outputFormat_ == format)
        outputFormat_.reset();
    Q_EMIT outputFormatChanged(outputFormat_);
    Q_EMIT runSettingsChanged();
}

void Session::setScale(int scale)
{
    scale_ = std::clamp(scale, hotaru::MinScale, hotaru::MaxScale);
    Q_EMIT scaleChanged(scale_);
    Q_EMIT runSettingsChanged();
}

void Session::setNaming(const hotaru::NameTemplate& naming, hotaru::ExistingFiles existing)
{
    if (naming.valid())
        naming_ = naming;
    existingFiles_ = existing;
    Q_EMIT namingChanged();
    Q_EMIT runSettingsChanged();
}

void Session::setSubtitleFolder(const QString& folder)
{
    // In the system's own form, as the output folder: backslashes on Windows.
    subtitleFolder_ =
        folder.isEmpty() ? folder
                         : QString::fromStdString(hotaru::joinPath(QDir::toNativeSeparators(folder).toStdString(), {}));
    Q_EMIT subtitlesChanged();
    Q_EMIT runSettingsChanged();
}

void Session::setBurnSubtitles(bool on)
{
    burnSubtitles_ = on;
    Q_EMIT subtitlesChanged();
    Q_EMIT runSettingsChanged();
}

void Session::setChecksums(bool on)
{
    checksums_ = on;
    Q_EMIT checksumsChanged(on);
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
    return {folder, outputFormat_, converterPath_.toStdString(),  bundledConverter_.toStdString(),
            scale_, checksums_,    subtitleFolder_.toStdString(), burnSubtitles_};
}

}  // namespace app
