#include "Journal.h"
#include "SoundPlayer.h"
#include "TestFiles.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray readWav()
{
    return TestFiles::requiredBytesOf(QStringLiteral(PELKO_DICEROLL_WAV));
}

// Whether a library whose file name contains name is mapped into this process.
bool mapped(const char *name)
{
    QFile maps(QStringLiteral("/proc/self/maps"));
    if (!maps.open(QIODevice::ReadOnly))
        qFatal("cannot read /proc/self/maps");
    return maps.readAll().contains(name);
}

} // namespace

// Runs alone in its process: once loaded, a library stays for the rest of the run. The window
// starts without the libraries of the sound and of the journal.
class TestSoundModule : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void theAudioLibrariesComeWithTheFirstSound()
    {
        SoundPlayer player;
        QVERIFY(player.setSound(readWav()));
        QVERIFY(!mapped("libQt6Multimedia"));
        QVERIFY(!mapped("pelko_sound"));

        QSignalSpy played(&player, &SoundPlayer::played);
        player.play();
        QVERIFY(played.wait(10000));
        QVERIFY(mapped("pelko_sound"));
        QVERIFY(mapped("libQt6Multimedia"));
    }

    void theDatabaseLibrariesComeWithTheJournal()
    {
        QVERIFY(!mapped("libQt6Sql"));
        QVERIFY(!mapped("pelko_journal"));
        QTemporaryDir dir;
        Journal journal;
        QVERIFY2(journal.open(dir.path()), qPrintable(journal.statusText()));
        QVERIFY(mapped("pelko_journal"));
        QVERIFY(mapped("libQt6Sql"));
    }
};

QTEST_MAIN(TestSoundModule)
#include "tst_soundmodule.moc"
