// AVI and MP4 output: each copied movie handed to the converter, and what is
// kept when the converter cannot do its part.
#include "AppTestSupport.h"
#include "MovieReader.h"
#include "TestMain.h"
#include "WorkerTestSupport.h"
#include "app/MoviePictures.h"
#include "dialogs/PreviewWindow.h"
#include "tools/SampleArchive.h"

#include <QAction>
#include <QElapsedTimer>
#include <QHelpEvent>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolTip>

#include <cstdlib>
#include <filesystem>
#include <memory>

using namespace app;

using namespace worker_test;

namespace {

const QString Done = QStringLiteral("ファイルの作成が終了しました。");

QString converting(std::int32_t n) { return title(1, n) + QStringLiteral(".avi  に変換中です。"); }
QString notConverted(std::int32_t n) { return title(1, n) + QStringLiteral(".avi  に変換できませんでした。"); }
QString avi(std::int32_t n) { return title(1, n) + QStringLiteral(".avi"); }
QString mp4(std::int32_t n) { return title(1, n) + QStringLiteral(".mp4"); }

// The 24-bit length at bytes 1..3 of a Cinepak frame.
std::uint32_t cinepakLength(const std::vector<std::uint8_t>& p)
{
    return p.size() < 4 ? 0 : (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

}  // namespace

class TestConvert : public QObject {
    Q_OBJECT
    QTemporaryDir tmp;
    QString archive;
    QString out;
    std::unique_ptr<FakeSystemServices> services;  // no drives
    std::unique_ptr<Program> program;

    const Controls& controls() const { return *program->controls; }
    MainWindow& window() const { return *program->window; }

    // The program on the clip archive with AVI output on (or MP4 output, with
    // `converter` as the one that comes with the program), movies 1..3 picked and run.
    void start(const QString& converter, const char* fakeMode = nullptr, bool asMp4 = false)
    {
        if (fakeMode)
            ::setenv("HOTARU_FAKE_CONVERTER", fakeMode, 1);
        else
            ::unsetenv("HOTARU_FAKE_CONVERTER");
        program = std::make_unique<Program>(*services, true, asMp4 ? converter : QString());
        program->open(*services, archive);
        services->boxes.clear();
        window().session().setOutputFolder(out + u'/');
        if (asMp4) {
            controls().mp4Output->trigger();
        } else {
            window().session().setConverterPath(converter);
            window().session().setAviOutput(true);
        }
        for (int n : {1, 2, 3})
            program->pick(n);
        controls().run->click();
    }
    void waitForTheEnd() { QTRY_VERIFY_WITH_TIMEOUT(!window().isRunning(), 120000); }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(tmp.isValid());
        const QString clips = tmp.filePath(QStringLiteral("clips"));
        QVERIFY(QDir().mkpath(clips));
        for (int n : {1, 2, 3}) {
            const QString clip = clips + u'/' + QString::fromStdString(hotaru::clipFileName(n));
            const std::string cmd =
                std::string("'") + CLIP_SCRIPT + "' " + std::to_string(n) + " '" + clip.toStdString() + "'";
            QCOMPARE(std::system(cmd.c_str()), 0);
        }
        archive = tmp.filePath(QStringLiteral("hotaru4"));
        hotaru::writeSampleArchive(archive.toStdString(), 1, hotaru::SampleFill::Stamped, clips.toStdString());
    }
    void init()
    {
        static int n = 0;
        out = tmp.filePath(QStringLiteral("out %1").arg(++n));
        QVERIFY(QDir().mkpath(out));
        services = std::make_unique<FakeSystemServices>();
    }
    void cleanup()
    {
        program.reset();
        services.reset();
        ::unsetenv("HOTARU_FAKE_CONVERTER");
    }

    void ourConverterLeavesOnePlayableAviPerMovie()
    {
        QStringList statuses;
        start(QStringLiteral(CPK2AVI_EXE));
        connect(controls().status, &QStatusBar::messageChanged, this, [&](const QString& s) { statuses << s; });
        waitForTheEnd();
        QCOMPARE(services->boxes.size(), std::size_t{1});
        QCOMPARE(services->boxes[0].text, Done);
        QCOMPARE(names(out), (QStringList{avi(1), avi(2), avi(3)}));
        for (int n : {1, 2, 3})
            QVERIFY(statuses.contains(converting(n)));
        for (int n : {1, 2, 3}) {
            const Movie m = readMovie((out + u'/' + avi(n)).toStdString());
            QCOMPARE(m.videoCodec, std::string("cinepak"));
            QCOMPARE(m.videoPackets.size(), std::size_t{15});  // one second at 15 frames
            QCOMPARE(m.audioCodec, std::string("pcm_s16le"));
            QVERIFY(m.channels > 0 && m.sampleRate > 0);
            QCOMPARE(static_cast<double>(m.samples.size()) / m.channels / m.sampleRate, 1.0);
            for (const auto& p : m.videoPackets)
                QCOMPARE(cinepakLength(p), static_cast<std::uint32_t>(p.size()));
        }
    }

    void ourConverterLeavesOnePlayableMp4PerMovie()
    {
        QStringList statuses;
        start(QStringLiteral(CPK2AVI_EXE), nullptr, true);
        connect(controls().status, &QStatusBar::messageChanged, this, [&](const QString& s) { statuses << s; });
        waitForTheEnd();
        QCOMPARE(services->boxes.size(), std::size_t{1});
        QCOMPARE(services->boxes[0].text, Done);
        QCOMPARE(names(out), (QStringList{mp4(1), mp4(2), mp4(3)}));
        for (int n : {1, 2, 3}) {
            QVERIFY(statuses.contains(title(1, n) + QStringLiteral(".mp4  に変換中です。")));
            const Movie m = readMovie((out + u'/' + mp4(n)).toStdString());
            QCOMPARE(m.videoCodec, std::string("h264"));
            QCOMPARE(m.videoPackets.size(), std::size_t{15});
            QCOMPARE(m.audioCodec, std::string("aac"));
        }
    }

    void aFailingMp4ConversionKeepsTheCpk()
    {
        QStringList statuses;
        start(QStringLiteral(FAKE_CONVERTER), "partial", true);
        connect(controls().status, &QStatusBar::messageChanged, this, [&](const QString& s) { statuses << s; });
        waitForTheEnd();
        for (int n : {1, 2, 3}) {
            QVERIFY(sameAsRange(out + u'/' + cpk(1, n), archive, 1, n));
            QVERIFY(statuses.contains(title(1, n) + QStringLiteral(".mp4  に変換できませんでした。")));
            QVERIFY(!QFileInfo::exists(out + u'/' + mp4(n)));
        }
    }

    void aFailingConverterKeepsTheCpkAndTheRunGoesOn_data()
    {
        QTest::addColumn<QString>("converter");
        QTest::addColumn<QString>("mode");
        QTest::newRow("exits 1") << QStringLiteral(FAKE_CONVERTER) << QStringLiteral("fail");
        QTest::newRow("writes nothing") << QStringLiteral(FAKE_CONVERTER) << QStringLiteral("nothing");
        QTest::newRow("writes an empty file") << QStringLiteral(FAKE_CONVERTER) << QStringLiteral("empty");
        QTest::newRow("writes part, then fails") << QStringLiteral(FAKE_CONVERTER) << QStringLiteral("partial");
        QTest::newRow("names no file") << QStringLiteral("/no/such/ACPK2AVI") << QString();
    }
    void aFailingConverterKeepsTheCpkAndTheRunGoesOn()
    {
        QFETCH(QString, converter);
        QFETCH(QString, mode);
        QStringList statuses;
        start(converter, mode.isEmpty() ? nullptr : mode.toLatin1().constData());
        connect(controls().status, &QStatusBar::messageChanged, this, [&](const QString& s) { statuses << s; });
        waitForTheEnd();
        // The box names the movies left as .cpk; the status line counts them.
        QCOMPARE(services->boxes.size(), std::size_t{1});
        QCOMPARE(services->boxes[0].text, Done + QStringLiteral("\n変換できなかったムービー: ") + title(1, 1) +
                                              QStringLiteral("、") + title(1, 2) + QStringLiteral("、") + title(1, 3));
        QCOMPARE(window().statusText(), QStringLiteral("終了しました。変換できなかったムービーが3本あります。"));
        for (int n : {1, 2, 3}) {
            QVERIFY(sameAsRange(out + u'/' + cpk(1, n), archive, 1, n));
            QVERIFY(statuses.contains(notConverted(n)));
            QVERIFY(!QFileInfo::exists(out + u'/' + avi(n)));  // nothing half-made under the final name
        }
    }

    // Only the movies whose conversion failed are named; the others became videos.
    void onlyTheMoviesThatFailedAreNamed()
    {
        start(QStringLiteral(FAKE_CONVERTER), ("fail-for:" + title(1, 2).toStdString()).c_str());
        waitForTheEnd();
        QCOMPARE(services->boxes.size(), std::size_t{1});
        QCOMPARE(services->boxes[0].text, Done + QStringLiteral("\n変換できなかったムービー: ") + title(1, 2));
        QCOMPARE(window().statusText(), QStringLiteral("終了しました。変換できなかったムービーが1本あります。"));
        QVERIFY(QFileInfo::exists(out + u'/' + avi(1)) && QFileInfo::exists(out + u'/' + avi(3)));
        QVERIFY(sameAsRange(out + u'/' + cpk(1, 2), archive, 1, 2));
    }

    void anOlderAviDoesNotPassForANewOne()
    {
        writeBytes(out + u'/' + avi(2), "an older conversion");
        start(QStringLiteral(FAKE_CONVERTER), "nothing");
        waitForTheEnd();
        QVERIFY(QFileInfo::exists(out + u'/' + cpk(1, 2)));
        QCOMPARE(readBytes(out + u'/' + avi(2)), std::string("an older conversion"));
    }

    void switchingAviOffMidRunLeavesTheLaterMoviesAsCpk()
    {
        start(QStringLiteral(FAKE_CONVERTER), "pause");
        QTRY_COMPARE_WITH_TIMEOUT(window().statusText(), converting(1), 20000);
        controls().aviOutput->trigger();  // unchecks while movie 1 is converted
        QVERIFY(!controls().aviOutput->isChecked());
        waitForTheEnd();
        QStringList expected{avi(1), cpk(1, 2), cpk(1, 3), QStringLiteral("converter.log")};
        expected.sort();
        QCOMPARE(names(out), expected);
    }

    // Hovering a title shows a picture from its movie with its facts, decoded
    // off the window's thread; a movie that is no FILM shows none.
    void titlesShowAPictureOfTheirMovie()
    {
        program = std::make_unique<Program>(*services, true);
        program->open(*services, archive);
        const auto hover = [&](int row) {
            QListWidget* list = controls().titles;
            const QPoint at = list->visualItemRect(list->item(row)).center();
            QHelpEvent help(QEvent::ToolTip, at, list->viewport()->mapToGlobal(at));
            QCoreApplication::sendEvent(list->viewport(), &help);
        };
        const QString status = window().statusText();
        hover(1);
        QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible(), 20000);
        QVERIFY2(QToolTip::text().contains(QStringLiteral("<img src=\"data:image/png;base64,")),
                 qPrintable(QToolTip::text().left(200)));
        QVERIFY(QToolTip::text().contains(title(1, 2).toHtmlEscaped()));
        QVERIFY2(QToolTip::text().contains(QStringLiteral("0:01  160x120  15 fps")),
                 qPrintable(QToolTip::text().right(80)));
        QCOMPARE(window().statusText(), status);
        // A screen reader hears the facts as the row's description.
        QCOMPARE(controls().titles->item(1)->data(Qt::AccessibleDescriptionRole).toString(),
                 QStringLiteral("0:01  160x120  15 fps"));

        QToolTip::hideText();
        hover(4);  // filler, not a movie
        QTRY_VERIFY_WITH_TIMEOUT(QToolTip::isVisible() && QToolTip::text().contains(QStringLiteral("画像なし")), 20000);
        QVERIFY(!QToolTip::text().contains(QStringLiteral("<img")));
    }

    // The picture asked for last comes first: one asked for before and not
    // begun is passed over, and one whose read the disc keeps failing (movie
    // 1, each try taking a second through the preloaded scratch) is given up.
    // A picture that failed is tried again when asked for again.
    void theLatestPictureComesFirstAndAFailureIsTriedAgain()
    {
#ifdef _WIN32
        QSKIP("the slow reading is preloaded into Linux processes only");
#endif
        const QString path = QFileInfo(archive).canonicalFilePath();
        const auto opened = std::make_shared<hotaru::SharedArchive>(path.toStdString());
        qputenv("HOTARU_SCRATCH_FILE", path.toUtf8());
        qputenv("HOTARU_SCRATCH_FROM", QByteArray::number(hotaru::movieOffset(1, 1)));
        qputenv("HOTARU_SCRATCH_TO", QByteArray::number(hotaru::movieOffset(1, 2)));
        qputenv("HOTARU_SCRATCH_TRY", "0");
        qputenv("HOTARU_SCRATCH_MS", "1000");
        const auto unscratch = qScopeGuard([] { qunsetenv("HOTARU_SCRATCH_FILE"); });
        MoviePictures pictures;
        QList<std::int32_t> readyFor;
        connect(&pictures, &MoviePictures::ready, this,
                [&](const QString&, std::int32_t, std::int32_t movie) { readyFor << movie; });
        QElapsedTimer asked;
        asked.start();
        QVERIFY(!pictures.picture(opened, 1, 1));
        QTest::qWait(300);  // movie 1's first read is under way
        for (const std::int32_t n : {2, 3})
            QVERIFY(!pictures.picture(opened, 1, n));
        QTRY_VERIFY_WITH_TIMEOUT(readyFor.contains(3), 20000);
        QVERIFY2(asked.elapsed() < 3000, qPrintable(QString::number(asked.elapsed())));
        QVERIFY(!readyFor.contains(2));
        QVERIFY(!pictures.picture(opened, 1, 3)->image.isNull());

        // Asked for again, with the disc mended, the one passed over and the
        // one given up are decoded.
        qunsetenv("HOTARU_SCRATCH_FILE");
        qunsetenv("HOTARU_SCRATCH_MS");
        QVERIFY(!pictures.picture(opened, 1, 2));
        QTRY_VERIFY_WITH_TIMEOUT(readyFor.contains(2), 20000);
        QVERIFY(!pictures.picture(opened, 1, 2)->image.isNull());
        const auto before = readyFor.count(1);
        QVERIFY(!pictures.picture(opened, 1, 1));
        QTRY_VERIFY_WITH_TIMEOUT(readyFor.count(1) > before, 20000);
        QVERIFY(!pictures.picture(opened, 1, 1)->image.isNull());
    }

    // ﾌﾟﾚﾋﾞｭｰ plays the selected title in a window of its own, once a movie,
    // and a run beside it copies every byte as ever, through the same opening
    // of the archive (movie 1 read slowly, so the run is seen under way).
    void thePreviewPlaysTheSelectedTitleBesideARun()
    {
        program = std::make_unique<Program>(*services, true);
        program->open(*services, archive);
        services->boxes.clear();
        window().session().setOutputFolder(out + u'/');
        auto* item = Controls::find<QAction>(window(), "Preview1");
        clickRow(controls().titles, 1);
        QVERIFY(item->isEnabled());
        item->trigger();
        const auto previews = [&] { return window().findChildren<dialogs::PreviewWindow*>(); };
        QCOMPARE(previews().size(), 1);
        dialogs::PreviewWindow* preview = previews()[0];
        QCOMPARE(preview->windowTitle(), QStringLiteral("ﾌﾟﾚﾋﾞｭｰ - ") + title(1, 2));
        QTRY_VERIFY_WITH_TIMEOUT(!preview->picture().isNull(), 20000);
        QCOMPARE(preview->picture().size(), QSize(160, 120));
        item->trigger();
        QCOMPARE(previews().size(), 1);

        for (int n : {1, 2, 3})
            program->pick(n);
        preview->player().seek(0);
        preview->player().play();
#ifndef _WIN32
        const std::string path = QFileInfo(archive).canonicalFilePath().toStdString();
        qputenv("HOTARU_SCRATCH_FILE", QByteArray::fromStdString(path));
        qputenv("HOTARU_SCRATCH_FROM", QByteArray::number(hotaru::movieOffset(1, 1)));
        qputenv("HOTARU_SCRATCH_TO", QByteArray::number(hotaru::movieOffset(1, 2)));
        qputenv("HOTARU_SCRATCH_TRY", "1");
        qputenv("HOTARU_SCRATCH_MS", "20");
        const auto unscratch = qScopeGuard([] { qunsetenv("HOTARU_SCRATCH_FILE"); });
#endif
        controls().run->click();
        QVERIFY(preview->player().isPlaying());
#ifndef _WIN32
        QTRY_VERIFY(window().statusText().startsWith(title(1, 1)));
        int openings = 0;  // the archive's descriptors in this process
        for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
            std::error_code ec;
            openings += std::filesystem::read_symlink(fd.path(), ec) == path;
        }
        QCOMPARE(openings, 1);
        QVERIFY(window().isRunning());
#endif
        waitForTheEnd();
        for (int n : {1, 2, 3})
            QVERIFY(sameAsRange(out + u'/' + cpk(1, n), archive, 1, n));
        QCOMPARE(services->boxTexts(), QStringList{Done});
        preview->close();
        QTRY_VERIFY(previews().isEmpty());
    }

    // The copy is finished and kept; the movie stays picked, since its video is not.
    void stoppingDuringAConversionKeepsTheCopyAndThePick()
    {
        start(QStringLiteral(FAKE_CONVERTER), "slow");
        QTRY_COMPARE_WITH_TIMEOUT(window().statusText(), converting(1), 20000);
        QElapsedTimer timer;
        timer.start();
        controls().stopItem->trigger();
        QTRY_VERIFY_WITH_TIMEOUT(!window().isRunning(), 5000);
        qInfo("the run ended %lld ms after the stop", static_cast<long long>(timer.elapsed()));
        QVERIFY(timer.elapsed() < 5000);
        QVERIFY(services->boxes.empty());
        QCOMPARE(window().statusText(), QStringLiteral("中止しました。ムービーを0本作成しました。"));
        QVERIFY(sameAsRange(out + u'/' + cpk(1, 1), archive, 1, 1));
        QVERIFY(!QFileInfo::exists(out + u'/' + avi(1)));
        QVERIFY(!QFileInfo::exists(out + u'/' + cpk(1, 2)));
        QCOMPARE(controls().picks->count(), 3);
        QVERIFY(controls().run->isEnabled());
    }

    void closingDuringASlowConversionEndsPromptly()
    {
        start(QStringLiteral(FAKE_CONVERTER), "slow");
        QTRY_COMPARE_WITH_TIMEOUT(window().statusText(), converting(1), 20000);
        QElapsedTimer timer;
        timer.start();
        window().close();
        QVERIFY(timer.elapsed() < 5000);
        QVERIFY(!window().isRunning());
        QVERIFY(services->boxes.empty());
        QVERIFY(sameAsRange(out + u'/' + cpk(1, 1), archive, 1, 1));
        QVERIFY(!QFileInfo::exists(out + u'/' + avi(1)));
    }
};

HOTARU_QTEST_MAIN(TestConvert)
#include "test_convert.moc"
