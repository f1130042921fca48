#pragma once

#include "app/ArchiveChooser.h"
#include "app/ArchiveInspection.h"
#include "app/ExtractionRun.h"
#include "app/PickControls.h"
#include "app/RunDisplay.h"
#include "app/Session.h"
#include "app/StatusLine.h"

#include "gui/FixedWindow.h"

#include <QMainWindow>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

namespace dialogs {
class AboutDialog;
class ConverterLinkDialog;
class NamingDialog;
class PutBackDialog;
struct PutBackChoice;
class OutputFolderDialog;
}  // namespace dialogs
class QLabel;
class QPushButton;
class QStatusBar;

namespace gui {
class SystemServices;
}

namespace app {
class ChoiceList;
class MainMenu;
class PutBackWorker;
struct PickNote;

// The main window "Form1": the disc's titles on the left, the picked movies on
// the right, the buttons between and below them, the menu, the progress bar
// and the status line. It owns the session, the extraction run and the
// dialogs; every control keeps its layout name as its objectName.
class MainWindow : public gui::FixedWindow<QMainWindow> {
    Q_OBJECT
public:
    explicit MainWindow(gui::SystemServices& services, QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up, before the window is shown: the drive scan with its prompts
    // and the listing of the archive it finds (or, when given, `archive`
    // opened as File > Open would), then the dialogs (about box, output-folder
    // dialog, converter link and information windows, in that order), hidden.
    // While no converter is set, the link dialog offers `offeredConverter`.
    void start(const QString& archive = {}, const QString& offeredConverter = {});

    Session& session() { return session_; }
    bool isRunning() const;
    QString statusText() const;

    // Made by start().
    dialogs::OutputFolderDialog& outputFolderDialog() const { return *outputFolderDialog_; }
    dialogs::ConverterLinkDialog& converterLinkDialog() const { return *converterLinkDialog_; }
    dialogs::AboutDialog& aboutDialog() const { return *aboutDialog_; }
    dialogs::NamingDialog& namingDialog() const { return *namingDialog_; }
    dialogs::PutBackDialog& putBackDialog() const { return *putBackDialog_; }

protected:
    bool event(QEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    // A file dropped on the window opens as File > Open would open it.
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void buildControls();
    void wireHandlers();
    void makeDialogs();
    // Words every control in the language installed now.
    void retranslate();

    void runDiscovery();
    // Lists the session's archive's disc, now or once it is read (then
    // calling `listed` with it); throws when the file cannot be opened.
    void readDisc(void (PickListRules::*listed)(std::int32_t disc));

    void onOpenTriggered();
    // Lists the archive's disc as File > Open does; throws when it cannot be read.
    void openArchive(const QString& path);
    void onOutputChosen(hotaru::VideoFormat format);
    void onVoiceChosen(Voice voice);
    void onTitleChosen();
    void onPickChosen();
    void onAddClicked();
    void onRemoveClicked();
    void onSelectAllClicked();
    void onClearAllClicked();
    void onRunClicked();
    void onRunEnded(ExtractionRun::End how);
    void onPutBackAsked(const dialogs::PutBackChoice& choice);

    void showNote(const std::optional<PickNote>& note);

    gui::SystemServices& services_;
    Session session_;
    ArchiveInspection inspection_;  // before the session goes: it answers into it
    bool centred_ = false;

    MainMenu* menu_ = nullptr;
    ChoiceList* titleList_ = nullptr;
    ChoiceList* pickList_ = nullptr;
    QPushButton* addButton_ = nullptr;
    QPushButton* removeButton_ = nullptr;
    QPushButton* selectAllButton_ = nullptr;
    QPushButton* clearAllButton_ = nullptr;
    QPushButton* runButton_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    QLabel* titlesHeading_ = nullptr;
    QLabel* picksHeading_ = nullptr;
    StatusLine status_;
    PickControls pickControls_;
    ArchiveChooser archiveChooser_;
    RunDisplay runDisplay_;
    QString offeredConverter_;
    ExtractionRun* run_ = nullptr;

    std::unique_ptr<dialogs::AboutDialog> aboutDialog_;
    std::unique_ptr<dialogs::OutputFolderDialog> outputFolderDialog_;
    std::unique_ptr<dialogs::ConverterLinkDialog> converterLinkDialog_;
    std::unique_ptr<dialogs::NamingDialog> namingDialog_;
    std::unique_ptr<dialogs::PutBackDialog> putBackDialog_;
    PutBackWorker* putBackWorker_ = nullptr;  // while a put-back works
};

}  // namespace app
