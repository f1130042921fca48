#pragma once

#include "app/PickListRules.h"
#include "extract/MovieExtraction.h"
#include "extract/SharedArchive.h"
#include "gui/WorkingFolder.h"
#include "language/Language.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace app {
// What the program knows while it runs: the archive in use and its disc,
// the pick list, the output folder, the voice of the status messages and the
// converter settings. The main window owns it; it says when things change.
class Session : public QObject {
    Q_OBJECT
public:
    explicit Session(QObject* parent = nullptr);

    const QString& archivePath() const { return archivePath_; }
    // The archive at archivePath(), opened on its first read, for the run,
    // the previews and the tooltips to read through together. Each reader
    // keeps a copy as long as it reads: one still reading when another
    // archive is set goes on with the old one.
    const std::shared_ptr<hotaru::SharedArchive>& archive() const { return archive_; }
    // Opened afresh even when the path is the same: the disc may have been changed.
    void setArchivePath(const QString& path);
    std::int32_t disc() const { return picking_.disc(); }

    // The pick list, with the rules and the view of choosing movies.
    PickListRules& picking() { return picking_; }
    const PickListRules& picking() const { return picking_; }

    // Empty until the folder dialog's OK, then the folder it showed, ending
    // in a separator. Cancel keeps this while the working folder follows the
    // tree; while it is empty, movies go to the working folder.
    const QString& outputFolder() const { return outputFolder_; }
    void setOutputFolder(const QString& folder);
    gui::WorkingFolder& workingFolder() { return workingFolder_; }

    Voice voice() const { return voice_; }
    void setVoice(Voice voice);

    // The language the user chose, and the one the window speaks now (the
    // chosen one, or this start's --lang): Japanese until told otherwise.
    language::LanguageChoice languageChoice() const { return languageChoice_; }
    void setLanguageChoice(language::LanguageChoice choice);
    language::Language language() const { return language_; }
    void setLanguage(language::Language language);
    // A movie of the disc in use, titled in the window's language.
    QString movieTitle(std::int32_t movie) const;

    const QString& converterPath() const { return converterPath_; }
    void setConverterPath(const QString& path);
    // What each copy is converted into: one format at most, none keeps the
    // .cpk; turning one on turns the other off.
    std::optional<hotaru::VideoFormat> outputFormat() const { return outputFormat_; }
    bool converts(hotaru::VideoFormat format) const { return outputFormat_ == format; }
    bool aviOutput() const { return converts(hotaru::VideoFormat::Avi); }
    void setConverting(hotaru::VideoFormat format, bool on);
    void setAviOutput(bool on) { setConverting(hotaru::VideoFormat::Avi, on); }
    // The converter that comes with the program, which writes the formats
    // the table gives it; empty when it is not there (they then stay off).
    const QString& bundledConverter() const { return bundledConverter_; }
    void setBundledConverter(const QString& path) { bundledConverter_ = path; }
    // How many times the pictures of the formats that allow it are enlarged.
    int scale() const { return scale_; }
    void setScale(int scale);
    // How a run names the movies' files, and what it does where a name is taken.
    const hotaru::NameTemplate& naming() const { return naming_; }
    hotaru::ExistingFiles existingFiles() const { return existingFiles_; }
    // An invalid template is not taken; the rule is taken either way.
    void setNaming(const hotaru::NameTemplate& naming, hotaru::ExistingFiles existing);

    // Where "<name>.srt" or "<name>.ass" is looked for, for each movie
    // converted; empty: no subtitles. Burnt: drawn into the pictures.
    const QString& subtitleFolder() const { return subtitleFolder_; }
    void setSubtitleFolder(const QString& folder);
    bool burnSubtitles() const { return burnSubtitles_; }
    void setBurnSubtitles(bool on);

    // Whether each file a run keeps is recorded in the folder's SHA256SUMS.
    bool checksums() const { return checksums_; }
    void setChecksums(bool on);

    // What a running extraction reads afresh for each movie: the folder is
    // the output folder, else the working folder.
    hotaru::RunSettingsValues runSettings() const;

Q_SIGNALS:
    void voiceChanged(Voice voice);
    void languageChoiceChanged(language::LanguageChoice choice);
    void languageChanged(language::Language language);
    void outputFormatChanged(std::optional<hotaru::VideoFormat> format);
    void scaleChanged(int scale);
    void checksumsChanged(bool on);
    void namingChanged();
    void subtitlesChanged();
    // The output folder, the converter or an output switch changed.
    void runSettingsChanged();

private:
    QString archivePath_;
    std::shared_ptr<hotaru::SharedArchive> archive_;
    PickListRules picking_;
    QString outputFolder_;
    gui::WorkingFolder workingFolder_;
    Voice voice_ = Voice::Plain;
    language::LanguageChoice languageChoice_ = language::LanguageChoice::System;
    language::Language language_ = language::Language::Japanese;
    QString converterPath_;
    std::optional<hotaru::VideoFormat> outputFormat_;
    int scale_ = 1;
    bool checksums_ = false;
    QString subtitleFolder_;
    bool burnSubtitles_ = false;
    hotaru::NameTemplate naming_;
    hotaru::ExistingFiles existingFiles_ = hotaru::ExistingFiles::Overwrite;
    QString bundledConverter_;
};

}  // namespace app
