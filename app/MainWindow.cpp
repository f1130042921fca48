#include "app/MainWindow.h"

#include "app/ChoiceList.h"
#include "app/MainMenu.h"
#include "app/MovieToolTips.h"
#include "app/PreviewLauncher.h"
#include "app/ProgramIcon.h"
#include "app/PutBackWorker.h"
#include "app/Voices.h"
#include "catalogue/Catalogue.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/ConverterLinkDialog.h"
#include "dialogs/NamingDialog.h"
#include "dialogs/OutputFolderDialog.h"
#include "dialogs/PutBackDialog.h"
#include "gui/Handlers.h"
#include "gui/SystemServices.h"
#include "gui/WindowLayout.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>

#include <array>
#include <tuple>

namespace app {

using dialogs::AboutDialog;
using dialogs::ConverterLinkDialog;
using dialogs::OutputFolderDialog;

namespace {

// The window's layout, in client pixels.
constexpr QSize ClientSize{426, 297};
constexpr gui::Place menuRulePlace{"Panel1", -4, 0, 433, 3};
constexpr gui::Place titlesHeadingPlace{"Label3", 48, 8, 95, 12};
constexpr gui::Place picksHeadingPlace{"Label4", 272, 8, 113, 15};
constexpr gui::Place titleListPlace{"ListBox1", 16, 24, 161, 193};
constexpr gui::Place pickListPlace{"ListBox2", 248, 24, 161, 193};
constexpr gui::Place addButtonPlace{"Button2", 192, 40, 41, 41};
constexpr gui::Place removeButtonPlace{"Button3", 192, 96, 41, 41};
constexpr gui::Place selectAllButtonPlace{"Button5", 192, 152, 41, 25};
constexpr gui::Place clearAllButtonPlace{"Button6", 192, 192, 41, 25};
constexpr gui::Place fileLabelPlace{"Label2", 8, 240, 169, 17};
constexpr gui::Place runButtonPlace{"Button4", 240, 232, 81, 25};
constexpr gui::Place exitButtonPlace{"Button1", 336, 232, 75, 25};
constexpr gui::Place progressBarPlace{"ProgressBar1", 8, 264, 409, 9};
constexpr gui::Place statusLinePlace{"StatusBar1", 0, 278, 426, 19};

}  // namespace

MainWindow::MainWindow(gui::SystemServices& services, QWidget* parent)
    // Fixed single border: minimise and close only. Centred once, on first show.
    : FixedWindow({"Form1", gui::programTitle(),
                   Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                       Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint,
                   gui::Placement::AsDesigned, false},
                  parent),
      services_(services), session_(this), inspection_(services, this), archiveChooser_(services)
{
    setWindowIcon(programIcon());
    setAcceptDrops(true);
    buildControls();
    menu_ = new MainMenu(this);
    run_ = new ExtractionRun(services_, session_, this);
    new MovieToolTips(session_, titleList_, pickList_, this);
    new PreviewLauncher(services_, session_, menu_->previewAction(), titleList_, pickList_, this);
    wireHandlers();
}

MainWindow::~MainWindow()
{
    // A put-back under way is stopped: it leaves nothing under a final name.
    if (putBackWorker_) {
        putBackWorker_->requestInterruption();
        putBackWorker_->wait();
    }
}

void MainWindow::buildControls()
{
    auto* client = new QWidget(this);
    client->setObjectName(QStringLiteral("client"));
    client->setFixedSize(ClientSize);
    setCentralWidget(client);

    auto* panel = gui::place<QFrame>(client, menuRulePlace);
    panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    titlesHeading_ = gui::label(client, titlesHeadingPlace, QString(), 12, true);
    picksHeading_ = gui::label(client, picksHeadingPlace, QString(), 15, true);
    titleList_ = gui::place<ChoiceList>(client, titleListPlace);
    pickList_ = gui::place<ChoiceList>(client, pickListPlace);
    for (ChoiceList* list : {titleList_, pickList_}) {
        list->setUniformItemSizes(true);
        list->setStyleSheet(QStringLiteral("QListWidget::item { height: 12px; padding: 0px; }"));
    }
    addButton_ = gui::button(client, addButtonPlace, QStringLiteral("->"));
    removeButton_ = gui::button(client, removeButtonPlace, QStringLiteral("<-"));
    selectAllButton_ = gui::button(client, selectAllButtonPlace, QString());
    clearAllButton_ = gui::button(client, clearAllButtonPlace, QString());
    // Holds a file name of any length: fixed, not sized to its text.
    auto* fileLabel = gui::place<QLabel>(client, fileLabelPlace);
    fileLabel->setFont(gui::uiFont(13));
    fileLabel->setTextFormat(Qt::PlainText);
    runButton_ = gui::button(client, runButtonPlace, QString());
    exitButton_ = gui::button(client, exitButtonPlace, QString());
    auto* progressBar = gui::place<QProgressBar>(client, progressBarPlace);
    progressBar->setRange(0, 100);
    progressBar->setValue(0);
    progressBar->setTextVisible(false);
    progressBar->setFocusPolicy(Qt::NoFocus);
    auto* statusBar = gui::place<QStatusBar>(client, statusLinePlace);
    statusBar->setSizeGripEnabled(false);
    status_ = StatusLine(statusBar);
    runDisplay_ = RunDisplay(progressBar, fileLabel,
                             {this, titleList_, pickList_, addButton_, removeButton_, runButton_, selectAllButton_,
                              clearAllButton_, statusBar, progressBar});
    // The pointer stays an arrow over this while a run shows the hourglass elsewhere.
    exitButton_->setCursor(Qt::ArrowCursor);

    const std::array<QWidget*, 8> tabOrder{titleList_, pickList_,        addButton_,      removeButton_,
                                           runButton_, selectAllButton_, clearAllButton_, exitButton_};
    for (std::size_t i = 1; i < tabOrder.size(); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    pickControls_ = {titleList_, pickList_,        addButton_,      removeButton_,
                     runButton_, selectAllButton_, clearAllButton_, exitButton_};
    // The lists, selections and buttons follow every event of the pick list.
    session_.picking().setChangeCallback([this] { pickControls_.show(session_.picking()); });
    retranslate();
}

void MainWindow::retranslate()
{
    // The headings sit right above the lists: wider where the face needs it,
    // never taller, or the lists would cover their lower half.
    for (const auto& [heading, list, text, place] :
         {std::tuple{titlesHeading_, titleList_, tr("ムービーファイル"), titlesHeadingPlace},
          std::tuple{picksHeading_, pickList_, tr("選択したファイル"), picksHeadingPlace}}) {
        heading->setText(text);
        heading->resize(qMax(place.width, heading->sizeHint().width()), place.height);
        list->setAccessibleName(text);
    }
    // Their arrows say nothing to a screen reader.
    addButton_->setAccessibleName(tr("リストに追加"));
    removeButton_->setAccessibleName(tr("リストから削除"));
    selectAllButton_->setText(tr("全選択"));
    clearAllButton_->setText(tr("全削除"));
    runButton_->setText(tr("実行"));
    exitButton_->setText(tr("終了"));
    if (menu_)
        menu_->retranslate();
    pickControls_.language = session_.language();
    pickControls_.show(session_.picking());
    status_.retranslate();
}

void MainWindow::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::LanguageChange)
        retranslate();
    FixedWindow::changeEvent(e);
}

void MainWindow::wireHandlers()
{
    auto handle = [this](auto* sender, auto signal, auto handler) {
        gui::connectHandler(services_, sender, signal, this, handler);
    };
    handle(menu_->openAction(), &QAction::triggered, &MainWindow::onOpenTriggered);
    handle(menu_->outputFolderAction(), &QAction::triggered, [](MainWindow* w) {
        if (w->outputFolderDialog_)
            w->outputFolderDialog_->exec();
    });
    handle(menu_->stopAction(), &QAction::triggered, [](MainWindow* w) { w->run_->requestStop(); });
    handle(menu_->exitAction(), &QAction::triggered, &MainWindow::close);
    // Esc stops a run too, once the user confirms it.
    auto* escape = new QAction(this);
    escape->setShortcut(Qt::Key_Escape);
    addAction(escape);
    handle(escape, &QAction::triggered, [](MainWindow* w) { w->run_->confirmStop(); });
    handle(menu_->aboutAction(), &QAction::triggered, [](MainWindow* w) {
        if (w->aboutDialog_)
            w->aboutDialog_->exec();
    });
    connect(menu_, &MainMenu::outputChosen, this,
            [this](hotaru::VideoFormat format) { gui::runHandler(services_, this, [&] { onOutputChosen(format); }); });
    connect(menu_, &MainMenu::scaleChosen, &session_, &Session::setScale);
    connect(menu_, &MainMenu::checksumsChosen, &session_, [this] { session_.setChecksums(!session_.checksums()); });
    handle(menu_, &MainMenu::subtitleFolderChosen, [](MainWindow* w) {
        if (!w->session_.subtitleFolder().isEmpty()) {
            w->session_.setSubtitleFolder(QString());
            return;
        }
        const std::optional<QString> chosen = w->services_.chooseFolder(
            w, tr("字幕ﾌｫﾙﾀﾞ"), QString::fromStdString(w->session_.runSettings().outputFolder));
        if (chosen)
            w->session_.setSubtitleFolder(*chosen);
    });
    connect(menu_, &MainMenu::burnSubtitlesChosen, &session_,
            [this] { session_.setBurnSubtitles(!session_.burnSubtitles()); });
    connect(&session_, &Session::subtitlesChanged, menu_,
            [this] { menu_->setSubtitles(session_.subtitleFolder(), session_.burnSubtitles()); });
    handle(menu_->namingAction(), &QAction::triggered, [](MainWindow* w) {
        if (!w->namingDialog_)
            return;
        const std::optional<hotaru::VideoFormat> format = w->session_.outputFormat();
        w->namingDialog_->setNaming(w->session_.naming(), w->session_.existingFiles());
        const std::string_view kept = format ? hotaru::outputFormat(*format).extension : std::string_view(".cpk");
        w->namingDialog_->setExample(w->session_.disc(),
                                     QString::fromUtf8(kept.data(), static_cast<qsizetype>(kept.size())));
        gui::showModeless(w->namingDialog_.get());
    });
    handle(menu_->putBackAction(), &QAction::triggered, [](MainWindow* w) {
        if (!w->putBackDialog_)
            return;
        if (!w->putBackDialog_->isWorking()) {
            const bool known = w->session_.disc() > 0;
            w->putBackDialog_->setDisc(known ? w->session_.disc() : 0, w->session_.archivePath());
        }
        gui::showModeless(w->putBackDialog_.get());
    });
    connect(menu_, &MainMenu::voiceChosen, this,
            [this](Voice voice) { gui::runHandler(services_, this, [&] { onVoiceChosen(voice); }); });
    connect(menu_, &MainMenu::hintChanged, this, [this](const QString& hint) { status_.setHint(hint); });
    connect(menu_, &MainMenu::languageChosen, &session_, &Session::setLanguageChoice);
    connect(&session_, &Session::languageChoiceChanged, menu_, &MainMenu::setLanguageMark);

    handle(exitButton_, &QPushButton::clicked, &MainWindow::close);
    handle(addButton_, &QPushButton::clicked, &MainWindow::onAddClicked);
    handle(removeButton_, &QPushButton::clicked, &MainWindow::onRemoveClicked);
    handle(selectAllButton_, &QPushButton::clicked, &MainWindow::onSelectAllClicked);
    handle(clearAllButton_, &QPushButton::clicked, &MainWindow::onClearAllClicked);
    handle(runButton_, &QPushButton::clicked, &MainWindow::onRunClicked);
    // A click selects first; a double-click then adds or removes. Only the
    // user's choices reach the handlers, never the program's own changes.
    handle(titleList_, &ChoiceList::rowChosen, &MainWindow::onTitleChosen);
    handle(pickList_, &ChoiceList::rowChosen, &MainWindow::onPickChosen);
    handle(titleList_, &ChoiceList::rowDoubleClicked, &MainWindow::onAddClicked);
    handle(pickList_, &ChoiceList::rowDoubleClicked, &MainWindow::onRemoveClicked);

    connect(run_, &ExtractionRun::statusChanged, this, [this](const QString& text) { status_.show(text); });
    connect(run_, &ExtractionRun::fileNameChanged, this,
            [this](const QString& name) { runDisplay_.showFileName(name); });
    connect(run_, &ExtractionRun::stepped, this, [this](int slices) { runDisplay_.stepped(slices); });
    connect(run_, &ExtractionRun::ended, this, &MainWindow::onRunEnded);
    connect(run_, &ExtractionRun::stoppableChanged, menu_->stopAction(), &QAction::setEnabled);
    connect(&session_, &Session::outputFormatChanged, menu_, &MainMenu::setOutputMark);
    connect(&session_, &Session::scaleChanged, menu_, &MainMenu::setScaleMark);
    connect(&session_, &Session::checksumsChanged, menu_, &MainMenu::setChecksumsMark);
    connect(&session_, &Session::voiceChanged, menu_, &MainMenu::setVoiceMark);
}

void MainWindow::makeDialogs()
{
    aboutDialog_ = std::make_unique<AboutDialog>(services_);
    outputFolderDialog_ = std::make_unique<OutputFolderDialog>(services_, session_.workingFolder());
    converterLinkDialog_ = std::make_unique<ConverterLinkDialog>(services_);
    namingDialog_ = std::make_unique<dialogs::NamingDialog>(this);
    connect(namingDialog_.get(), &dialogs::NamingDialog::namingChosen, &session_, &Session::setNaming);
    putBackDialog_ = std::make_unique<dialogs::PutBackDialog>(services_, this);
    connect(putBackDialog_.get(), &dialogs::PutBackDialog::putBackAsked, this, &MainWindow::onPutBackAsked);
    connect(putBackDialog_.get(), &dialogs::PutBackDialog::stopAsked, this, [this] {
        if (putBackWorker_)
            putBackWorker_->requestInterruption();
    });
    connect(outputFolderDialog_.get(), &OutputFolderDialog::outputFolderChosen, &session_, &Session::setOutputFolder);
    connect(converterLinkDialog_.get(), &ConverterLinkDialog::converterChosen, &session_, &Session::setConverterPath);
    connect(converterLinkDialog_.get(), &ConverterLinkDialog::aviOutputRequested, &session_, [this] {
        // OK on the offered converter takes it as chosen.
        if (session_.converterPath().isEmpty())
            session_.setConverterPath(converterLinkDialog_->converterPath());
        session_.setAviOutput(true);
    });
    const QString converter = session_.converterPath().isEmpty() ? offeredConverter_ : session_.converterPath();
    if (!converter.isEmpty())
        converterLinkDialog_->setConverterPath(converter);
    connect(aboutDialog_.get(), &AboutDialog::hintChanged, this,
            [this](const QString& hint) { status_.setHint(hint); });
}

void MainWindow::onPutBackAsked(const dialogs::PutBackChoice& choice)
{
    if (putBackWorker_ || !session_.archive())
        return;
    hotaru::PutBackRequest request;
    request.movie = choice.movie;
    request.file = choice.file.toStdString();
    request.folder = choice.folder.toStdString();
    request.maxSeconds = choice.maxSeconds;
    putBackWorker_ = new PutBackWorker(session_.archive(), std::move(request), this);
    dialogs::PutBackDialog* dialog = putBackDialog_.get();
    connect(putBackWorker_, &PutBackWorker::progressed, dialog, &dialogs::PutBackDialog::showProgress,
            Qt::QueuedConnection);
    connect(putBackWorker_, &PutBackWorker::done, dialog, &dialogs::PutBackDialog::showFinished, Qt::QueuedConnection);
    connect(putBackWorker_, &PutBackWorker::failed, dialog, &dialogs::PutBackDialog::showFailed, Qt::QueuedConnection);
    // Its last report is queued before this: the dialog hears it first.
    connect(putBackWorker_, &QThread::finished, this, [this] {
        putBackWorker_->deleteLater();
        putBackWorker_ = nullptr;
    });
    putBackWorker_->start();
}

bool MainWindow::isRunning() const { return run_->isRunning(); }

QString MainWindow::statusText() const { return status_.text(); }

bool MainWindow::event(QEvent* e)
{
    // Menus send their status tips here; the hint decides what shows.
    if (e->type() == QEvent::StatusTip) {
        status_.setHint(static_cast<QStatusTipEvent*>(e)->tip());
        return true;
    }
    return FixedWindow::event(e);
}

void MainWindow::showEvent(QShowEvent* e)
{
    FixedWindow::showEvent(e);
    if (!centred_) {
        centred_ = true;
        setFixedSize(size());
        gui::centreOnScreen(this);
    }
}

void MainWindow::dragEnterEvent(QDragEnterEvent* e)
{
    if (!ArchiveChooser::droppedFile(e->mimeData()).isEmpty())
        e->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* e)
{
    const QString path = ArchiveChooser::droppedFile(e->mimeData());
    if (path.isEmpty())
        return;
    e->acceptProposedAction();
    gui::runHandler(services_, this, [&] { openArchive(QDir::toNativeSeparators(path)); });
}

void MainWindow::closeEvent(QCloseEvent* e)
{
    // Stops at the next slice; the movie being written leaves no file behind.
    run_->stop();
    FixedWindow::closeEvent(e);
}

void MainWindow::start(const QString& archive, const QString& offeredConverter)
{
    offeredConverter_ = offeredConverter;
    menu_->setBundledFormatsAvailable(!session_.bundledConverter().isEmpty());
    gui::runHandler(services_, this, [&] {
        if (archive.isEmpty())
            runDiscovery();
        else
            openArchive(archive);
    });
    // Only now: the discovery prompts come before any other window of the program.
    makeDialogs();
}

void MainWindow::runDiscovery()
{
    const hotaru::Discovery found = archiveChooser_.scan();
    if (found.outcome == hotaru::DiscoveryOutcome::GaveUp)
        session_.picking().gaveUpAtStart();
    if (found.outcome != hotaru::DiscoveryOutcome::Found)
        return;
    session_.setArchivePath(QString::fromStdString(found.archivePath));
    readDisc(&PickListRules::listedAtStart);
}

void MainWindow::readDisc(void (PickListRules::*listed)(std::int32_t disc))
{
    inspection_.inspect(session_.archive(), [this, listed](std::int32_t disc) {
        (session_.picking().*listed)(disc);
        status_.speak([this] { return voiceText(session_.voice(), Message::Ready); });
    });
}

void MainWindow::onOpenTriggered()
{
    if (const std::optional<QString> chosen = archiveChooser_.ask(this))
        openArchive(*chosen);
}

void MainWindow::openArchive(const QString& path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    archiveChooser_.opened(absolute);
    session_.setArchivePath(absolute);
    session_.picking().openingArchive();
    readDisc(&PickListRules::listedByOpen);
}

void MainWindow::onOutputChosen(hotaru::VideoFormat format)
{
    if (session_.converts(format)) {
        session_.setConverting(format, false);
        return;
    }
    // The user's own converter is linked, and switched on, in its dialog.
    if (!hotaru::outputFormat(format).bundledConverter) {
        if (converterLinkDialog_)
            gui::showModeless(converterLinkDialog_.get());
        return;
    }
    session_.setConverting(format, true);
}

void MainWindow::onVoiceChosen(Voice voice)
{
    session_.setVoice(voice);
    status_.speak([voice] { return voiceText(voice, Message::VoiceChange); });
}

void MainWindow::showNote(const std::optional<PickNote>& note)
{
    if (!note)
        return;
    status_.speak([this, voice = session_.voice(), note = *note] {
        return voiceText(voice, note.message, session_.movieTitle(note.movie),
                         hotaru::movieSize(session_.disc(), note.movie));
    });
}

void MainWindow::onTitleChosen() { showNote(session_.picking().chooseTitle(selectedRow(titleList_))); }

void MainWindow::onPickChosen() { showNote(session_.picking().choosePick(selectedRow(pickList_))); }

void MainWindow::onAddClicked()
{
    const AddResult added = session_.picking().add();
    switch (added.outcome) {
    case AddOutcome::AlreadyPicked:
        services_.messageBox(this, tr("すでに選択されています。"), tr("エラー"));
        break;
    case AddOutcome::Added:
        showNote(PickNote{Message::Added, added.movie});
        break;
    case AddOutcome::NothingSelected:
        break;
    }
}

void MainWindow::onRemoveClicked() { showNote(session_.picking().remove()); }

void MainWindow::onSelectAllClicked() { session_.picking().selectAll(); }

void MainWindow::onClearAllClicked() { session_.picking().clearAll(); }

void MainWindow::onRunClicked()
{
    if (isRunning() || !run_->roomForPicks())
        return;
    session_.picking().runStarted();
    runDisplay_.started();
    run_->start();
}

void MainWindow::onRunEnded(ExtractionRun::End how)
{
    runDisplay_.ended();
    switch (how) {
    case ExtractionRun::End::Completed:
        session_.picking().runCompleted();
        break;
    case ExtractionRun::End::Failed:
        session_.picking().runFailed();
        break;
    case ExtractionRun::End::Stopped:
        session_.picking().runStopped(run_->doneMovies());
        break;
    }
}

}  // namespace app
