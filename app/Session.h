#pragma once

#include "app/PickListRules.h"
#include "extract/MovieExtraction.h"
#include "gui/WorkingFolder.h"

#include <QObject>
#include <QString>

#include <cstdint>

namespace app {
// What the program knows while it runs: the archive in use and its disc,
// the pick list, the output folder, the voice of the status messages and the
// converter settings. The main window owns it; it says when things change.
class Session : public QObject {
    Q_OBJECT
public:
    explicit Session(QObject* parent = nullptr);

    const QString& archivePath() const { return archivePath_; }
    void setArchivePath(const QString& path) { archivePath_ = path; }
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

    const QString& converterPath() const { return converterPath_; }
    void setConverterPath(const QString& path);
    bool aviOutput() const { return aviOutput_; }
    void setAviOutput(bool on);

    // What a running extraction reads afresh for each movie: the folder is
    // the output folder, else the working folder.
    hotaru::RunSettingsValues runSettings() const;

Q_SIGNALS:
    void voiceChanged(Voice voice);
    void aviOutputChanged(bool on);
    // The output folder, the converter or the AVI switch changed.
    void runSettingsChanged();

private:
    QString archivePath_;
    PickListRules picking_;
    QString outputFolder_;
    gui::WorkingFolder workingFolder_;
    Voice voice_ = Voice::Plain;
    QString converterPath_;
    bool aviOutput_ = false;
};

}  // namespace app
