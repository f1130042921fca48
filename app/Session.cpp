#include "app/Session.h"

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

void Session::setConverterPath(const QString& path)
{
    converterPath_ = path;
    Q_EMIT runSettingsChanged();
}

void Session::setAviOutput(bool on)
{
    aviOutput_ = on;
    Q_EMIT aviOutputChanged(on);
    Q_EMIT runSettingsChanged();
}

hotaru::RunSettingsValues Session::runSettings() const
{
    return {outputFolder_.toStdString(), aviOutput_, converterPath_.toStdString()};
}
