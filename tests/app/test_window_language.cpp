// The window in English and in Japanese: every text a person sees, in every
// window and box; the switch at run time; the choice remembered; --lang.
#include "AppTestSupport.h"
#include "TestMain.h"
#include "app/Application.h"
#include "catalogue/Catalogue.h"
#include "dialogs/AboutDialog.h"
#include "dialogs/ConverterInfoWindow.h"
#include "dialogs/ConverterLinkDialog.h"
#include "dialogs/OutputFolderDialog.h"
#include "dialogs/PreviewWindow.h"
#include "gui/SystemServices.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QComboBox>
#include <QLineEdit>
#include <QMenu>
#include <QSettings>
#include <QStatusTipEvent>
#include <QTemporaryDir>

using language::Language;
using language::LanguageChoice;

namespace {

// The first text holding Japanese script (kana of either width, kanji,
// full-width forms, Japanese punctuation) outside the product's name.
QString firstJapanese(const QStringList& texts)
{
    for (const QString& text : texts) {
        QString rest = text;
        rest.remove(gui::programTitle());
        for (const QChar c : rest) {
            const char16_t u = c.unicode();
            if ((u >= 0x3000 && u <= 0x30ff) || (u >= 0x4e00 && u <= 0x9fff) || (u >= 0xff00 && u <= 0xffef))
                return text;
        }
    }
    return {};
}

// Everything of `window` a person may read: captions, labels, buttons,
// fields, list rows, menus and their hints, tooltips.
QStringList textsOf(const QWidget* window)
{
    QStringList texts{window->windowTitle()};
    for (const QWidget* w : window->findChildren<QWidget*>()) {
        texts << w->toolTip() << w->statusTip();
        if (const auto* label = qobject_cast<const QLabel*>(w))
            texts << label->text();
        if (const auto* button = qobject_cast<const QAbstractButton*>(w))
            texts << button->text();
        if (const auto* field = qobject_cast<const QLineEdit*>(w))
            texts << field->text();
        if (const auto* list = qobject_cast<const QListWidget*>(w)) {
            for (int i = 0; i < list->count(); ++i)
                texts << list->item(i)->text();
        }
        if (const auto* menu = qobject_cast<const QMenu*>(w))
            texts << menu->title();
        if (const auto* bar = qobject_cast<const QStatusBar*>(w))
            texts << bar->currentMessage();
    }
    // Except the item of Japanese, written in its own language to be found.
    for (const QAction* a : window->findChildren<QAction*>()) {
        if (a->objectName() != QLatin1String("japanese"))
            texts << a->text() << a->statusTip() << a->toolTip();
    }
    return texts;
}

QStringList textsOfEveryWindow(MainWindow& w)
{
    return textsOf(&w) + textsOf(&w.aboutDialog()) + textsOf(&w.outputFolderDialog()) +
           textsOf(&w.converterLinkDialog()) + textsOf(w.converterLinkDialog().infoWindow());
}

}  // namespace

class TestWindowLanguage : public QObject {
    Q_OBJECT
    QTemporaryDir tmp;
    QString disc;

    language::Translations& translations() { return static_cast<app::Application*>(qApp)->translations(); }
    // Each test's own settings.
    std::unique_ptr<QSettings> store() const
    {
        return std::make_unique<QSettings>(
            tmp.filePath(QString::fromLatin1(QTest::currentTestFunction()) + QStringLiteral(".ini")),
            QSettings::IniFormat);
    }

private Q_SLOTS:
    void initTestCase()
    {
        disc = QString::fromStdString(makeFile(tmp, QStringLiteral("hotaru4"), hotaru::Disc1ArchiveSize));
    }
    void cleanup() { translations().use(Language::Japanese); }

    // In English no window, box or menu shows a word of Japanese, but for the
    // product's name; the titles are the English ones.
    void everyTextIsEnglish()
    {
        FakeSystemServices services;  // no CD-ROM drive: the first box of all
        auto window = startMainWindow(services, {QString(), store(), {}, &translations(), Language::English});
        QCOMPARE(services.boxes.size(), std::size_t{1});
        QCOMPARE(firstJapanese({services.boxes[0].text, services.boxes[0].caption}), QString());
        QCOMPARE(services.boxes[0].text, QStringLiteral("I can't find a CD-ROM drive anywhere, you know."));

        const Controls c(*window);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        services.files = {disc};
        c.open->trigger();
        QCOMPARE(c.titles->item(0)->text(), QStringLiteral("Opening"));
        QCOMPARE(window->statusText(), QStringLiteral("Please select the movie files to create."));
        clickRow(c.titles, 10);
        QCOMPARE(window->statusText(),
                 QStringLiteral("The Lieutenant's Resolve       %1KBytes").arg(hotaru::movieSize(1, 11) / 1024));
        c.add->click();
        clickRow(c.titles, 10);
        c.add->click();  // already picked: a box
        c.voices[2]->trigger();
        QCOMPARE(window->statusText(), QStringLiteral("So my turn has come at last, has it?"));
        // A folder too small, a missing file, no converter chosen, and a
        // movie the preview cannot read.
        services.free = 1;
        c.run->click();
        services.files = {tmp.filePath(QStringLiteral("missing"))};
        c.open->trigger();
        QCOMPARE(services.boxes.back().text, QStringLiteral("File not found."));
        window->converterLinkDialog().findChild<QPushButton*>(QStringLiteral("Button2"))->click();
        QCOMPARE(services.boxes.back().text, QStringLiteral("Please choose ACPK2AVI.exe."));
        services.files = {disc};
        c.open->trigger();
        clickRow(c.titles, 1);
        Controls::find<QAction>(*window, "Preview1")->trigger();
        auto* preview = window->findChild<dialogs::PreviewWindow*>();
        QVERIFY(preview);
        QCOMPARE(preview->windowTitle(), QStringLiteral("Preview - A Night of Dancing Fireflies"));
        QTRY_COMPARE(preview->message(), QStringLiteral("The movie cannot be read."));
        QCOMPARE(firstJapanese(textsOf(preview)), QString());
        preview->close();
        QCOMPARE(firstJapanese(textsOfEveryWindow(*window)), QString());
        QStringList boxTexts;
        for (const auto& box : services.boxes)
            boxTexts << box.text << box.caption;
        QCOMPARE(firstJapanese(boxTexts), QString());
        QCOMPARE(services.boxes.size(), std::size_t{5});
        QCOMPARE(services.fileRequests.size(), std::size_t{3});
        QCOMPARE(firstJapanese({services.fileRequests[0].filterName, services.fileRequests[0].moreFilters[0].first}),
                 QString());
    }

    // A failure about a file: the file's name on a line of its own, as it is,
    // and below it the failure as an English sentence.
    void aFailureBelowItsFileIsASentence()
    {
        FakeSystemServices services;
        auto window = startMainWindow(services, {QString(), store(), {}, &translations(), Language::English});
        services.boxes.clear();
        QTemporaryDir dir;
        const QString sheet = dir.filePath(QStringLiteral("disc.cue"));
        QFile file(sheet);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("FILE \"gone (Track 1).bin\" BINARY\r\n  TRACK 01 MODE1/2352\r\n    INDEX 01 00:00:00\r\n");
        file.close();
        services.files = {sheet};
        Controls(*window).open->trigger();
        QTRY_COMPARE(services.boxes.size(), std::size_t{1});
        QCOMPARE(services.boxes[0].text, QDir::toNativeSeparators(dir.filePath(QStringLiteral("gone (Track 1).bin"))) +
                                             QStringLiteral("\nA track file the CUE sheet names is not there."));
    }

    // The prompt while the drives hold no disc.
    void theRetryPromptIsEnglish()
    {
        QTemporaryDir empty;
        FakeSystemServices services;
        setDrives(services, {empty.path()});
        services.answers = {gui::BoxAnswer::Cancel};
        auto window = startMainWindow(services, {QString(), store(), {}, &translations(), Language::English});
        QCOMPARE(services.boxTexts(), QStringList{QStringLiteral("The Hotaru Kitan CD-ROM is not in the drive.")});
        QCOMPARE(services.boxes[0].caption, QStringLiteral("Error"));
    }

    // With no choice made the system's languages decide: Japanese only where
    // Japanese is the user's (the suite runs under LANG=de_DE and ja_JP too).
    void theSystemsLanguageIsTheDefault()
    {
        const bool japanese = qgetenv("LANG").startsWith("ja");
        FakeSystemServices services;
        auto window = startMainWindow(services, {QString(), store(), {}, &translations()});
        QCOMPARE(Controls(*window).run->text(), japanese ? QStringLiteral("実行") : QStringLiteral("Run"));
        QCOMPARE(services.boxTexts(),
                 QStringList{japanese ? QStringLiteral("CD-ROMが見つかりませんわ。")
                                      : QStringLiteral("I can't find a CD-ROM drive anywhere, you know.")});
        QVERIFY(Controls::find<QAction>(*window, "systemLanguage")->isChecked());
    }

    // Every control that takes the focus has a name for screen readers, in
    // the language shown, in every window.
    void everyFocusableControlHasAName()
    {
        for (const Language language : {Language::English, Language::Japanese}) {
            FakeSystemServices services;
            auto window = startMainWindow(services, {QString(), store(), {}, &translations(), language});
            services.files = {disc};
            Controls(*window).open->trigger();
            for (const QWidget* top :
                 {static_cast<QWidget*>(window.get()), static_cast<QWidget*>(&window->aboutDialog()),
                  static_cast<QWidget*>(&window->outputFolderDialog()),
                  static_cast<QWidget*>(&window->converterLinkDialog()),
                  static_cast<QWidget*>(window->converterLinkDialog().infoWindow())}) {
                for (QWidget* w : top->findChildren<QWidget*>()) {
                    if (w->focusPolicy() == Qt::NoFocus || qobject_cast<QMenu*>(w))
                        continue;
                    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(w);
                    QVERIFY2(a, qPrintable(w->objectName()));
                    const QString name = a->text(QAccessible::Name);
                    QVERIFY2(!name.trimmed().isEmpty(), qPrintable(top->objectName() + u'/' + w->objectName() + u' ' +
                                                                   QLatin1String(w->metaObject()->className())));
                    if (language == Language::English)
                        QVERIFY2(firstJapanese({name}).isEmpty(), qPrintable(name));
                }
            }
        }
    }

    // The menu switches at once, every menu, button, list row and the status
    // line with it, and the choice is there at the next start.
    void theMenuSwitchesAtOnceAndIsRemembered()
    {
        FakeSystemServices services;
        setDrives(services, {QFileInfo(disc).path()});
        services.fakeDrives.files = {hotaru::joinRoot(QFileInfo(disc).path().toStdString(), hotaru::ArchiveFileName)};
        {
            auto window = startMainWindow(services, {QString(), store(), {}, &translations(), Language::English});
            const Controls c(*window);
            QCOMPARE(c.run->text(), QStringLiteral("Run"));
            auto* japanese = Controls::find<QAction>(*window, "japanese");
            QCOMPARE(japanese->text(), QStringLiteral("日本語"));
            // As from the menu: the item's hint shows, and goes as the menu closes.
            for (const QString& hint : {japanese->statusTip(), QString()}) {
                QStatusTipEvent tip(hint);
                QApplication::sendEvent(window.get(), &tip);
            }
            QCOMPARE(window->statusText(), QString());
            japanese->trigger();
            QCOMPARE(c.run->text(), QStringLiteral("実行"));
            QCOMPARE(c.selectAll->text(), QStringLiteral("全選択"));
            QCOMPARE(c.open->text(), QStringLiteral("開く(&O)"));
            QCOMPARE(c.voices[1]->statusTip(), QStringLiteral("ﾒｯｾｰｼﾞをあかね風に変えます。"));
            QCOMPARE(c.titles->item(0)->text(), QStringLiteral("オープニング"));
            QCOMPARE(window->statusText(), Ready);
            QVERIFY(japanese->isChecked());
            QCOMPARE(window->aboutDialog().windowTitle(), QStringLiteral("バージョン情報"));
            QCOMPARE(window->converterLinkDialog().windowTitle(), QStringLiteral("ACPK2AVIとの連携"));

            auto* english = Controls::find<QAction>(*window, "english");
            english->trigger();
            QCOMPARE(c.run->text(), QStringLiteral("Run"));
            QCOMPARE(window->statusText(), QStringLiteral("Please select the movie files to create."));
            QCOMPARE(c.titles->item(0)->text(), QStringLiteral("Opening"));
            QVERIFY(english->isChecked() && !japanese->isChecked());
            QCOMPARE(window->outputFolderDialog().windowTitle(), QStringLiteral("Choose Save Folder"));
            japanese->trigger();
        }
        // Remembered: Japanese though this start is given no language.
        auto again = startMainWindow(services, {QString(), store(), {}, &translations()});
        QCOMPARE(Controls(*again).run->text(), QStringLiteral("実行"));
        QVERIFY(Controls::find<QAction>(*again, "japanese")->isChecked());
        // --lang speaks for one start without being remembered.
        auto once = startMainWindow(services, {QString(), store(), {}, &translations(), Language::English});
        QCOMPARE(Controls(*once).run->text(), QStringLiteral("Run"));
        QCOMPARE(store()->value(QStringLiteral("language")).toInt(), int(LanguageChoice::Japanese));
    }

    // After a switch every window, the dialogs made before it too, reads as
    // one started in that language.
    void aSwitchWordsEveryWindowAsAStartInThatLanguage()
    {
        FakeSystemServices services;
        setDrives(services, {QFileInfo(disc).path()});
        services.fakeDrives.files = {hotaru::joinRoot(QFileInfo(disc).path().toStdString(), hotaru::ArchiveFileName)};
        auto window = startMainWindow(services, {QString(), store(), {}, &translations(), Language::English});
        for (const auto& [item, language] :
             {std::pair{"japanese", Language::Japanese}, {"english", Language::English}}) {
            Controls::find<QAction>(*window, item)->trigger();
            const auto started = startMainWindow(services, {QString(), nullptr, {}, &translations(), language});
            QCOMPARE(textsOfEveryWindow(*window), textsOfEveryWindow(*started));
        }
    }
};

HOTARU_QTEST_MAIN(TestWindowLanguage)
#include "test_window_language.moc"
