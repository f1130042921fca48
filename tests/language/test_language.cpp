// The language rule, and the translations: switching, and what happens when
// a file does not load.
#include "QtTestMain.h"
#include "catalogue/Catalogue.h"
#include "disc/ImageError.h"
#include "language/Failures.h"
#include "language/Translations.h"
#include "platform/InOutError.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using language::Language;

namespace {

// What standard error receives while `act` runs.
template <typename Act>
QByteArray standardError(Act act)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("err"));
    std::fflush(stderr);
    const int saved = ::dup(STDERR_FILENO);
    const int file = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    ::dup2(file, STDERR_FILENO);
    ::close(file);
    act();
    std::fflush(stderr);
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestLanguage : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void japaneseOnlyWhenItComesBeforeEnglish()
    {
        QCOMPARE(language::systemLanguage({QStringLiteral("ja-JP")}), Language::Japanese);
        QCOMPARE(language::systemLanguage({QStringLiteral("ja")}), Language::Japanese);
        QCOMPARE(language::systemLanguage({QStringLiteral("en-US"), QStringLiteral("ja-JP")}), Language::English);
        QCOMPARE(language::systemLanguage({QStringLiteral("de-DE"), QStringLiteral("ja-JP"), QStringLiteral("en")}),
                 Language::Japanese);
        QCOMPARE(language::systemLanguage({QStringLiteral("fr-FR"), QStringLiteral("de")}), Language::English);
        QCOMPARE(language::systemLanguage({QStringLiteral("C")}), Language::English);
        QCOMPARE(language::systemLanguage(QStringList{}), Language::English);
        // A tag that merely starts with the letters is another language.
        QCOMPARE(language::systemLanguage({QStringLiteral("jam"), QStringLiteral("en")}), Language::English);

        QCOMPARE(language::languageNamed(QStringLiteral("ja")), Language::Japanese);
        QCOMPARE(language::languageNamed(QStringLiteral("en")), Language::English);
        QVERIFY(!language::languageNamed(QStringLiteral("de")));
        QVERIFY(!language::languageNamed(QStringLiteral("JA ")));
    }

    // Every title has an English one, distinct within its disc, and the
    // Japanese stays the catalogue's own.
    void everyTitleHasItsEnglishTitle()
    {
        for (const std::int32_t disc : {1, 2}) {
            QStringList seen;
            for (std::int32_t n = 1; n <= hotaru::movieCount(disc); ++n) {
                const QString english = language::movieTitle(Language::English, disc, n);
                QVERIFY2(!english.isEmpty(), qPrintable(QString::number(n)));
                for (const QChar c : english)
                    QVERIFY2(c.unicode() < 0x80, qPrintable(english));
                QVERIFY2(!seen.contains(english), qPrintable(english));
                seen << english;
                QCOMPARE(language::movieTitle(Language::Japanese, disc, n),
                         QString::fromUtf8(hotaru::movieTitle(disc, n).data()));
            }
        }
        QCOMPARE(language::movieTitle(Language::English, 1, 11), QStringLiteral("The Lieutenant's Resolve"));
    }

    void switchingReplacesTheTextsBothWays()
    {
        language::Translations translations;
        translations.use(Language::English);
        QCOMPARE(language::installedLanguage(), Language::English);
        QCOMPARE(QCoreApplication::translate("app::MainWindow", "実行"), QStringLiteral("Run"));
        QCOMPARE(QCoreApplication::translate("Voices", "%1  をリストに追加しました。"),
                 QStringLiteral("Added %1 to the list."));
        // Qt's own words come with it.
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Cancel"));

        translations.use(Language::Japanese);
        QCOMPARE(language::installedLanguage(), Language::Japanese);
        QCOMPARE(QCoreApplication::translate("app::MainWindow", "実行"), QStringLiteral("実行"));
        QCOMPARE(QCoreApplication::translate("Texts", "--lang takes ja or en"),
                 QStringLiteral("--lang には ja か en を指定してください"));
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
    }

    // The core's codes in words: the runtime's exact Japanese, and the
    // English the command line has always given.
    void failuresInEitherLanguage()
    {
        using namespace hotaru;
        using disc::ImageError;
        using disc::ImageFault;
        const std::vector<std::pair<int, const char*>> japanese{
            {2, "ﾌｧｲﾙが見つかりません"},
            {3, "不正なﾌｧｲﾙ名です"},
            {4, "ｵｰﾌﾟﾝしたﾌｧｲﾙが多すぎます"},
            {5, "ﾌｧｲﾙへのｱｸｾｽが拒否されました"},
            {100, "ﾌｧｲﾙの末尾以降を読み込みました"},
            {101, "ﾃﾞｨｽｸがいっぱいです"},
            {112, "I/O ｴﾗｰ (112)"},
            {21, "I/O ｴﾗｰ (21)"},
            {io::NameTooLong, "ﾌｧｲﾙ名が長すぎます"},
            {io::NotAFile, "ﾌｧｲﾙではありません"},
        };
        for (const auto& [code, text] : japanese)
            QCOMPARE(language::ioText(code), QString::fromUtf8(text));
        QCOMPARE(language::imageText(ImageError(ImageFault::BadSheet, "a.cue", "bad").withLine(7)),
                 QStringLiteral("CUEｼｰﾄの 7 行目が読めません"));
        QCOMPARE(language::imageText(ImageError(ImageFault::UnreadableSector, "a.bin", "bad").withIoCode(1117)),
                 QStringLiteral("読み直しても読めないｾｸﾀがあります (I/O ｴﾗｰ (1117))"));
        QCOMPARE(language::errorText(std::make_exception_ptr(EInOutError(io::NotAFile, "x"))),
                 QStringLiteral("ﾌｧｲﾙではありません"));

        language::Translations translations;
        translations.use(Language::English);
        const std::vector<std::pair<int, const char*>> english{
            {io::FileNotFound, "file not found"},
            {io::DiskFull, "disk full"},
            {io::ShortWrite, "disk full"},
            {io::NotAFile, "not a file (a pipe, socket or device), so it is not read"},
            {io::NameTooLong, "file name too long"},
            {io::FileExists, "the file exists"},
            {21, "input/output error 21"},
        };
        for (const auto& [code, text] : english)
            QCOMPARE(language::ioText(code), QString::fromUtf8(text));
        QCOMPARE(language::imageText(ImageError(ImageFault::BadSheet, "a.cue", "bad").withLine(7)),
                 QStringLiteral("line 7 of the CUE sheet cannot be read"));
        translations.use(Language::Japanese);
    }

    // A damaged file is passed over: the built-in texts stand, and standard
    // error says so once however often the language is set.
    void aFileThatDoesNotLoadLeavesTheBuiltInTexts()
    {
        QTemporaryDir dir;
        for (const char* name : {"hotaru_en.qm", "hotaru_ja.qm"}) {
            QFile f(dir.filePath(QString::fromLatin1(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("not a translation");
        }
        const QByteArray said = standardError([&] {
            language::Translations translations(dir.path(), dir.path());
            translations.use(Language::English);
            QCOMPARE(QCoreApplication::translate("app::MainWindow", "実行"), QStringLiteral("実行"));
            translations.use(Language::Japanese);
            translations.use(Language::English);
        });
        QCOMPARE(said.count("could not be loaded"), 1);
        QVERIFY2(said.contains("hotaru_en.qm"), said.constData());
    }

    // After the English file failed, Japanese is still whole: its own file
    // and Qt's Japanese texts load when the language goes back to it.
    void aDamagedEnglishFileLeavesTheJapaneseWhole()
    {
        QTemporaryDir dir;
        QFile broken(dir.filePath(QStringLiteral("hotaru_en.qm")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("not a translation");
        broken.close();
        QVERIFY(QFile::copy(QStringLiteral(":/i18n/hotaru_ja.qm"), dir.filePath(QStringLiteral("hotaru_ja.qm"))));
        const QByteArray said = standardError([&] {
            language::Translations translations(dir.path());
            translations.use(Language::English);
            translations.use(Language::Japanese);
            QCOMPARE(QCoreApplication::translate("Texts", "--lang takes ja or en"),
                     QStringLiteral("--lang には ja か en を指定してください"));
            QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("キャンセル"));
        });
        QCOMPARE(said.count("could not be loaded"), 1);
    }
};

HOTARU_QTEST_MAIN(TestLanguage)
#include "test_language.moc"
