// A run's progress as the docks hear it: the program's own taskbar progress on
// a session bus of the suite's own, a dock listening there for the
// launcher-entry signal.
#include "QtTestMain.h"
#include "RequiredTools.h"
#include "gui/LauncherEntry.h"

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <utility>

using Properties = QList<QVariantMap>;

class TestTaskbarProgress : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty())
            QSKIP_UNLESS_REQUIRED("dbus-daemon is not installed (Debian: package dbus-daemon)");
        bus_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        bus_.start(daemon,
                   {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address=1")});
        while (!bus_.canReadLine())
            QVERIFY2(bus_.waitForReadyRead(10000), "dbus-daemon printed no address");
        const QString address = QString::fromUtf8(bus_.readLine().trimmed());
        // The program's session bus is this one: the suite sees what it would tell a desktop.
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8());
        QDBusConnection dock = QDBusConnection::connectToBus(address, QStringLiteral("dock"));
        QVERIFY(dock.connect(QString(), QString(), QStringLiteral("com.canonical.Unity.LauncherEntry"),
                             QStringLiteral("Update"), this, SLOT(heard(QDBusMessage))));
    }
    void cleanupTestCase()
    {
        QDBusConnection::disconnectFromBus(QStringLiteral("dock"));
        bus_.terminate();
        bus_.waitForFinished();
    }
    void init() { heard_.clear(); }

    void showsProgressOnTheProgramsDesktopFile()
    {
        gui::makeTaskbarProgress(nullptr)->setProgress(0.25);
        QCOMPARE(untilMark(), Properties({progress(0.25), hidden()}));
        for (const QDBusMessage& update : std::as_const(heard_).first(2)) {
            QCOMPARE(update.signature(), QStringLiteral("sa{sv}"));
            QCOMPARE(update.arguments().value(0).toString(),
                     QStringLiteral("application://hotaru-movie-cutter.desktop"));
            QVERIFY(update.path().startsWith(QStringLiteral("/com/canonical/unity/launcherentry/")));
        }
    }

    // A run reports often: the bus hears of visible steps and the ends only.
    void sendsVisibleStepsAndTheEnds()
    {
        auto entry = gui::makeTaskbarProgress(nullptr);
        for (double fraction : {0.5, 0.501, 0.504, 0.506, 0.998, 1.0, 1.7, -3.0, qQNaN(), 0.003})
            entry->setProgress(fraction);
        entry->clear();
        QCOMPARE(untilMark(),
                 Properties({progress(0.5), progress(0.506), progress(0.998), progress(1.0), progress(0.0), hidden()}));
    }

    void failureIsUrgentUntilTheNextRun()
    {
        auto entry = gui::makeTaskbarProgress(nullptr);
        entry->setProgress(0.4);
        entry->setFailed();
        entry->setFailed();
        entry->setProgress(0.4);
        entry->setFailed();
        entry->clear();
        entry->clear();
        entry.reset();
        QVariantMap failed = progress(0.4);
        failed.insert(QStringLiteral("urgent"), true);
        QVariantMap again = progress(0.4);
        again.insert(QStringLiteral("urgent"), false);
        QCOMPARE(untilMark(), Properties({progress(0.4), failed, again, failed, hidden()}));
    }

public Q_SLOTS:
    void heard(const QDBusMessage& update) { heard_ << update; }

private:
    static QVariantMap progress(double fraction)
    {
        return {{QStringLiteral("progress"), fraction}, {QStringLiteral("progress-visible"), true}};
    }
    static QVariantMap hidden()
    {
        return {{QStringLiteral("progress-visible"), false}, {QStringLiteral("urgent"), false}};
    }

    // What the dock heard from the program up to a mark sent after it on the
    // same connection, which arrives after all of it: its progress and then
    // its end, both waited for so that none reaches the next case.
    Properties untilMark()
    {
        gui::LauncherEntry(QDBusConnection::sessionBus(), QStringLiteral("mark")).setProgress(1);
        const auto isMark = [](const QDBusMessage& update) {
            return update.arguments().value(0).toString() == QStringLiteral("application://mark.desktop");
        };
        if (!QTest::qWaitFor([&] { return std::count_if(heard_.cbegin(), heard_.cend(), isMark) == 2; }))
            return {};
        Properties properties;
        for (auto update = heard_.cbegin(); !isMark(*update); ++update)
            properties << qdbus_cast<QVariantMap>(update->arguments().value(1));
        return properties;
    }

    QProcess bus_;
    QList<QDBusMessage> heard_;
};

HOTARU_QTEST_MAIN(TestTaskbarProgress)
#include "test_taskbar_progress.moc"
