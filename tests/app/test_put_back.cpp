// ﾌｧｲﾙ > ﾑｰﾋﾞｰの書き戻し: the dialog over the open disc, its file pickers,
// its progress and stop, and the patched copy it leaves.
#include "AppTestSupport.h"
#include "DialogTestSupport.h"
#include "TestMain.h"
#include "dialogs/PutBackDialog.h"
#include "tools/SampleArchive.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

using namespace app;

class TestPutBack : public QObject {
    Q_OBJECT
    QTemporaryDir tmp;
    QString archive;
    QString subtitles;
    std::unique_ptr<FakeSystemServices> services;
    std::unique_ptr<Program> program;

    dialogs::PutBackDialog& dialog() const { return program->window->putBackDialog(); }
    template <typename W>
    W* part(const char* name) const
    {
        return control<W>(dialog(), name);
    }
    // The dialog opened from the menu, movie 2 chosen, the file and folder picked.
    void fill(const QString& folder)
    {
        program->window->findChild<QAction*>(QStringLiteral("putBack"))->trigger();
        QVERIFY(dialog().isVisible());
        auto* movie = part<QComboBox>("movie");
        QCOMPARE(movie->count(), static_cast<int>(hotaru::movieCount(1)));
        movie->setCurrentIndex(1);
        services->files = {subtitles};
        part<QPushButton>("chooseMovieFile")->click();
        QCOMPARE(part<QLineEdit>("movieFile")->text(), QDir::toNativeSeparators(subtitles));
        services->folders = {folder};
        part<QPushButton>("chooseTargetFolder")->click();
        QVERIFY(part<QPushButton>("putBack")->isEnabled());
    }
    QByteArray read(const QString& path) const
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(tmp.isValid());
        const QString clips = tmp.filePath(QStringLiteral("clips"));
        QVERIFY(QDir().mkpath(clips));
        for (int n : {1, 2}) {
            const QString clip = clips + u'/' + QString::fromStdString(hotaru::clipFileName(n));
            const std::string cmd =
                std::string("'") + CLIP_SCRIPT + "' " + std::to_string(n) + " '" + clip.toStdString() + "' 2";
            QCOMPARE(std::system(cmd.c_str()), 0);
        }
        QVERIFY(QDir().mkpath(tmp.filePath(QStringLiteral("disc"))));
        archive = tmp.filePath(QStringLiteral("disc/hotaru4"));
        hotaru::writeSampleArchive(archive.toStdString(), 1, hotaru::SampleFill::Stamped, clips.toStdString());
        subtitles = tmp.filePath(QStringLiteral("2.srt"));
        QFile srt(subtitles);
        QVERIFY(srt.open(QIODevice::WriteOnly));
        srt.write("1\n00:00:00,000 --> 00:00:00,500\nHello\n");
    }
    void init()
    {
        services = std::make_unique<FakeSystemServices>();
        program = std::make_unique<Program>(*services);
        program->open(*services, archive);
        services->boxes.clear();
    }
    void cleanup()
    {
        program.reset();
        services.reset();
    }

    // The copy keeps every other movie; the dialog says what it wrote.
    void writesThePatchedCopyAndSaysWhatItWrote()
    {
        const QString out = tmp.filePath(QStringLiteral("copy"));
        QVERIFY(QDir().mkpath(out));
        fill(out);
        const QByteArray before = read(archive);
        part<QPushButton>("putBack")->click();
        QVERIFY(!part<QPushButton>("close")->isEnabled());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog().isWorking(), 120000);
        QVERIFY2(services->boxes.empty(), qPrintable(services->boxes.empty() ? QString() : services->boxes[0].text));
        const QString copy = out + QStringLiteral("/hotaru4");
        QVERIFY(part<QLabel>("outcome")->text().contains(QDir::toNativeSeparators(copy)));
        QCOMPARE(part<QProgressBar>("progress")->value(), part<QProgressBar>("progress")->maximum());
        const QByteArray after = read(copy);
        QCOMPARE(after.size(), before.size());
        QCOMPARE(read(archive), before);
        const qsizetype at = hotaru::movieOffset(1, 2), size = hotaru::movieSize(1, 2);
        QVERIFY(after.mid(at, size) != before.mid(at, size));
        QCOMPARE(after.left(at), before.left(at));
        QCOMPARE(after.mid(at + size), before.mid(at + size));
        QVERIFY(part<QPushButton>("close")->isEnabled());
    }

    // The disc's own folder is refused in the standard error box, nothing written.
    void refusesTheDiscsOwnFolder()
    {
        fill(tmp.filePath(QStringLiteral("disc")));
        part<QPushButton>("putBack")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog().isWorking(), 60000);
        QVERIFY(showedOneErrorBox(*services));
        QCOMPARE(QDir(tmp.filePath(QStringLiteral("disc"))).entryList(QDir::Files),
                 QStringList{QStringLiteral("hotaru4")});
    }

    // The length limit set in the dialog holds: a longer movie is refused
    // with its length and the limit named, nothing written.
    void refusesAMovieLongerThanTheLimit()
    {
        const QString out = tmp.filePath(QStringLiteral("short"));
        QVERIFY(QDir().mkpath(out));
        fill(out);
        part<QDoubleSpinBox>("maxSeconds")->setValue(1);
        part<QPushButton>("putBack")->click();
        QTRY_VERIFY_WITH_TIMEOUT(!dialog().isWorking(), 60000);
        QVERIFY(showedOneErrorBox(*services));
        QVERIFY2(services->boxes[0].text.contains(QStringLiteral("2.0 秒")), qPrintable(services->boxes[0].text));
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    // A stop leaves the folder as it was, and closing while working stops first.
    void stopLeavesNothing()
    {
        const QString out = tmp.filePath(QStringLiteral("stopped"));
        QVERIFY(QDir().mkpath(out));
        fill(out);
        part<QPushButton>("putBack")->click();
        dialog().close();
        QVERIFY(dialog().isVisible());
        QTRY_VERIFY_WITH_TIMEOUT(!dialog().isWorking(), 60000);
        QVERIFY(services->boxes.empty());
        QVERIFY(part<QLabel>("stage")->text().startsWith(QStringLiteral("中止しました")));
        QCOMPARE(QDir(out).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
};

HOTARU_QTEST_MAIN(TestPutBack)
#include "test_put_back.moc"
