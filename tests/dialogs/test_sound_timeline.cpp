// Which moment of the movie the sound device is playing, from what it was
// handed: 1000 bytes a second keeps the arithmetic plain.
#include "dialogs/SoundTimeline.h"

#include <QTest>

using dialogs::SoundTimeline;

class TestSoundTimeline : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void theClockIsTheSoundsOwnTime()
    {
        SoundTimeline t;
        t.setBytesPerSecond(1000);
        t.newDevice(0);
        // The device started before any sound was decoded: its silence holds
        // the clock at the start.
        t.handedSilence(200);
        t.handed(0.0, 500);
        QCOMPARE(t.timeAt(0), 0.0);
        QCOMPARE(t.timeAt(150), 0.0);
        QCOMPARE(t.timeAt(200), 0.0);
        QCOMPARE(t.timeAt(450), 0.25);
        // It ran dry for a moment: the clock waits at the end of the sound.
        t.handedSilence(100);
        t.handed(0.5, 300);
        QCOMPARE(t.nextTime(), 0.8);
        QCOMPARE(t.timeAt(700), 0.5);
        QCOMPARE(t.timeAt(790), 0.5);
        QVERIFY(!t.heardOut(1000));
        QCOMPARE(t.timeAt(900), 0.6);
        // Sound that jumps ahead is heard at its own time.
        t.handed(2.0, 100);
        QCOMPARE(t.timeAt(1150), 2.05);
        QVERIFY(!t.heardOut(1199));
        QVERIFY(t.heardOut(1200));
        QCOMPARE(t.timeAt(5000), 2.1);
    }

    void aSeekTurnsWhatTheDeviceHoldsIntoSilence()
    {
        SoundTimeline t;
        t.setBytesPerSecond(1000);
        t.newDevice(0);
        t.handed(0.0, 1000);
        QCOMPARE(t.timeAt(300), 0.3);
        t.restart(3.0);
        QVERIFY(!t.nextTime());
        QCOMPARE(t.timeAt(400), 3.0);
        t.handed(3.0, 500);
        // The old second plays out first, at the seek's time.
        QCOMPARE(t.timeAt(999), 3.0);
        QCOMPARE(t.timeAt(1250), 3.25);
        // A new device starts counting afresh.
        t.newDevice(1.0);
        QCOMPARE(t.timeAt(0), 1.0);
        t.handed(1.0, 100);
        QCOMPARE(t.timeAt(50), 1.05);
    }
};

QTEST_APPLESS_MAIN(TestSoundTimeline)
#include "test_sound_timeline.moc"
