#pragma once

#include "app/Voices.h"
#include "catalogue/OutputFormats.h"
#include "language/Language.h"

#include <QObject>

#include <array>
#include <cstdint>
#include <optional>
#include <vector>

class QAction;
class QMainWindow;
class QMenu;

namespace app {
// The main window's menu bar: ﾌｧｲﾙ, ｵﾌﾟｼｮﾝ with the outputs and the voices, ﾍﾙﾌﾟ, in the installed language. Items keep
// their layout names as objectNames and carry their hints as status tips.
class MainMenu : public QObject {
    Q_OBJECT
public:
    explicit MainMenu(QMainWindow* window);

    QAction* openAction() const { return open_; }
    QAction* outputFolderAction() const { return outputFolder_; }
    // Enabled only while a title is selected.
    QAction* previewAction() const { return preview_; }
    // Enabled only while a run goes on.
    QAction* stopAction() const { return stop_; }
    QAction* exitAction() const { return exit_; }
    QAction* aboutAction() const { return about_; }
    QAction* namingAction() const { return naming_; }
    QAction* putBackAction() const { return putBack_; }

    // The item of each output format, in the table's order.
    QAction* outputAction(hotaru::VideoFormat format) const;
    // Marks the format's item, none with none.
    void setOutputMark(std::optional<hotaru::VideoFormat> format);
    // The formats the converter that comes with the program writes need it.
    void setBundledFormatsAvailable(bool available);
    void setScaleMark(int scale);
    void setChecksumsMark(bool on);
    // The subtitle folder's item is marked while one is set, and names it in its hint.
    void setSubtitles(const QString& folder, bool burn);
    // Marks the voice's item and clears the others: marking one does not by itself.
    void setVoiceMark(Voice voice);
    void setLanguageMark(language::LanguageChoice choice);
    // Words every menu and item in the language installed now.
    void retranslate();

Q_SIGNALS:
    // The hint of the highlighted item; empty when a menu closes.
    void hintChanged(const QString& hint);
    void outputChosen(hotaru::VideoFormat format);
    void scaleChosen(int scale);
    void checksumsChosen();
    void subtitleFolderChosen();
    void burnSubtitlesChosen();
    void voiceChosen(Voice voice);
    void languageChosen(language::LanguageChoice choice);

private:
    QMenu* file_;
    QMenu* options_;
    QMenu* voiceMenu_;
    QMenu* languageMenu_;
    QMenu* scaleMenu_;
    QMenu* help_;
    QAction* open_;
    QAction* outputFolder_;
    QAction* preview_;
    QAction* putBack_;
    QAction* stop_;
    QAction* exit_;
    // Check items whose marks only the program sets.
    std::array<QAction*, std::size(hotaru::OutputFormats)> outputs_{};
    std::array<QAction*, hotaru::MaxScale> scales_{};
    QAction* checksums_;
    QAction* naming_;
    QAction* subtitleFolder_;
    QAction* burnSubtitles_;
    QString subtitleFolderShown_;  // for the hint, in the language of the moment
    std::array<QAction*, VoiceCount> voices_{};
    std::array<QAction*, language::LanguageChoiceCount> languages_{};
    QAction* about_;
};

}  // namespace app
