#include "WaveImage.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

void put16(QByteArray &out, quint32 v)
{
    out.append(char(v & 0xFF));
    out.append(char((v >> 8) & 0xFF));
}

void put32(QByteArray &out, quint32 v)
{
    put16(out, v & 0xFFFF);
    put16(out, v >> 16);
}

QByteArray chunk(const char *tag, const QByteArray &body, bool pad = true)
{
    QByteArray out(tag, 4);
    put32(out, quint32(body.size()));
    out += body;
    if (pad && body.size() % 2)
        out.append('\0');
    return out;
}

struct Fmt
{
    quint32 tag = 1;
    quint32 channels = 1;
    quint32 rate = 22050;
    quint32 bits = 16;
    int blockAlign = -1; // computed when negative
    bool extensible = false;
    quint32 subFormat = 1;
};

QByteArray fmtBody(const Fmt &f)
{
    const quint32 align = f.blockAlign < 0 ? f.channels * f.bits / 8 : quint32(f.blockAlign);
    QByteArray body;
    put16(body, f.extensible ? 0xFFFE : f.tag);
    put16(body, f.channels);
    put32(body, f.rate);
    put32(body, f.rate * align);
    put16(body, align);
    put16(body, f.bits);
    if (f.extensible) {
        put16(body, 22);
        put16(body, f.bits);
        put32(body, 4);
        put16(body, f.subFormat);
        body += QByteArray::fromHex("000000001000800000aa00389b71");
    }
    return body;
}

QByteArray riff(const QByteArray &chunks)
{
    QByteArray out("RIFF");
    put32(out, quint32(chunks.size() + 4));
    return out + "WAVE" + chunks;
}

QByteArray samples(int size)
{
    QByteArray out(size, '\0');
    for (int i = 0; i < size; ++i)
        out[i] = char(i * 37);
    return out;
}

QByteArray plainWave(const Fmt &f = {}, int dataSize = 400)
{
    return riff(chunk("fmt ", fmtBody(f)) + chunk("data", samples(dataSize)));
}

void setLe32(QByteArray &bytes, qsizetype at, quint32 v)
{
    QByteArray le;
    put32(le, v);
    bytes.replace(at, 4, le);
}

} // namespace

class TestWaveImage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void playableImagesGiveTheirFormatAndSamples_data()
    {
        QTest::addColumn<QByteArray>("image");
        QTest::addColumn<int>("channels");
        QTest::addColumn<int>("rate");
        QTest::addColumn<int>("bits");
        QTest::addColumn<WaveImage::SampleType>("type");
        QTest::addColumn<int>("dataOffset");
        QTest::addColumn<int>("dataSize");
        using T = WaveImage::SampleType;
        QTest::newRow("16-bit mono")
            << plainWave() << 1 << 22050 << 16 << T::SignedInt << 44 << 400;
        QTest::newRow("8-bit stereo is unsigned")
            << plainWave({.channels = 2, .rate = 8000, .bits = 8}) << 2 << 8000 << 8
            << T::UnsignedInt << 44 << 400;
        QTest::newRow("24-bit") << plainWave({.bits = 24}, 300) << 1 << 22050 << 24 << T::SignedInt
                                << 44 << 300;
        QTest::newRow("32-bit") << plainWave({.rate = 48000, .bits = 32}) << 1 << 48000 << 32
                                << T::SignedInt << 44 << 400;
        QTest::newRow("float") << plainWave({.tag = 3, .bits = 32}) << 1 << 22050 << 32 << T::Float
                               << 44 << 400;
        QTest::newRow("extensible PCM")
            << plainWave({.channels = 2, .rate = 44100, .extensible = true}) << 2 << 44100 << 16
            << T::SignedInt << 68 << 400;
        QTest::newRow("extensible float")
            << plainWave({.bits = 32, .extensible = true, .subFormat = 3}) << 1 << 22050 << 32
            << T::Float << 68 << 400;
        QTest::newRow("list chunk first")
            << riff(chunk("LIST", QByteArray("INFOISFT\x03\0\0\0abc", 15)) +
                    chunk("fmt ", fmtBody({})) + chunk("data", samples(40)))
            << 1 << 22050 << 16 << T::SignedInt << 68 << 40;
        QTest::newRow("data before fmt")
            << riff(chunk("data", samples(40)) + chunk("fmt ", fmtBody({}))) << 1 << 22050 << 16
            << T::SignedInt << 20 << 40;
        QTest::newRow("odd chunk is padded")
            << riff(chunk("junk", "abc") + chunk("fmt ", fmtBody({})) + chunk("data", samples(40)))
            << 1 << 22050 << 16 << T::SignedInt << 56 << 40;
        QTest::newRow("last pad byte left out")
            << riff(chunk("fmt ", fmtBody({.bits = 8})) + chunk("data", samples(41), false)) << 1
            << 22050 << 8 << T::UnsignedInt << 44 << 41;
        QTest::newRow("partial last frame dropped")
            << plainWave({.channels = 2}, 403) << 2 << 22050 << 16 << T::SignedInt << 44 << 400;
        QTest::newRow("bytes after the RIFF ignored")
            << plainWave() + QByteArray("trailing junk") << 1 << 22050 << 16 << T::SignedInt << 44
            << 400;
        QTest::newRow("chunks after data ignored")
            << riff(chunk("fmt ", fmtBody({})) + chunk("data", samples(40)) + chunk("cue ", "x"))
            << 1 << 22050 << 16 << T::SignedInt << 44 << 40;
    }
    void playableImagesGiveTheirFormatAndSamples()
    {
        QFETCH(QByteArray, image);
        const WaveImage wave = WaveImage::parse(image);
        QVERIFY(wave.isPlayable());
        QTEST(wave.channels(), "channels");
        QTEST(wave.sampleRate(), "rate");
        QTEST(wave.bitsPerSample(), "bits");
        QTEST(wave.sampleType(), "type");
        QTEST(int(wave.dataOffset()), "dataOffset");
        QTEST(int(wave.dataSize()), "dataSize");
        QCOMPARE(image.mid(wave.dataOffset(), 40), samples(40));
    }

    void badImagesAreNotPlayable_data()
    {
        QTest::addColumn<QByteArray>("image");
        const QByteArray fmt = chunk("fmt ", fmtBody({}));
        const QByteArray data = chunk("data", samples(40));
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("RIFF alone") << QByteArray("RIFF");
        QTest::newRow("header alone") << riff({});
        QTest::newRow("big-endian RIFX") << QByteArray("RIFX") + plainWave().mid(4);
        QTest::newRow("not WAVE") << plainWave().replace(8, 4, "AVI ");
        QTest::newRow("text file") << QByteArray("just some text, not a sound at all");
        QTest::newRow("no fmt") << riff(data);
        QTest::newRow("no data") << riff(fmt);
        QTest::newRow("fmt too short") << riff(chunk("fmt ", fmtBody({}).left(14)) + data);
        QTest::newRow("ADPCM") << plainWave({.tag = 2, .bits = 4});
        QTest::newRow("extensible, not PCM") << plainWave({.extensible = true, .subFormat = 2});
        QTest::newRow("extensible, cut short")
            << riff(chunk("fmt ", fmtBody({.extensible = true}).left(30)) + data);
        QTest::newRow("no channels") << plainWave({.channels = 0, .blockAlign = 2});
        QTest::newRow("no rate") << plainWave({.rate = 0});
        QTest::newRow("absurd rate") << plainWave({.rate = 4000000000u});
        QTest::newRow("absurd channels") << plainWave({.channels = 60000});
        QTest::newRow("12-bit") << plainWave({.bits = 12, .blockAlign = 2});
        QTest::newRow("64-bit float") << plainWave({.tag = 3, .bits = 64});
        QTest::newRow("8-bit float") << plainWave({.tag = 3, .bits = 8});
        QTest::newRow("wrong block align") << plainWave({.blockAlign = 4});
        QTest::newRow("empty data") << riff(fmt + chunk("data", {}));
        QTest::newRow("less than a frame") << plainWave({.channels = 2, .bits = 16}, 3);

        QByteArray dataPastEnd = plainWave();
        setLe32(dataPastEnd, 40, 401);
        QTest::newRow("data past the end") << dataPastEnd;
        QByteArray hugeChunk = plainWave();
        setLe32(hugeChunk, 40, 0xFFFFFFFF);
        QTest::newRow("data size 4 GiB") << hugeChunk;
        QByteArray hugeFmt = plainWave();
        setLe32(hugeFmt, 16, 0xFFFFFFF0);
        QTest::newRow("fmt size 4 GiB") << hugeFmt;
        QByteArray riffPastEnd = plainWave();
        setLe32(riffPastEnd, 4, 0xFFFFFFFF);
        QTest::newRow("RIFF past the end") << riffPastEnd;
        QByteArray riffTooSmall = plainWave();
        setLe32(riffTooSmall, 4, 2);
        QTest::newRow("RIFF shorter than its form") << riffTooSmall;
        QByteArray riffCutsData = plainWave();
        setLe32(riffCutsData, 4, 100);
        QTest::newRow("data outside the RIFF") << riffCutsData;
    }
    void badImagesAreNotPlayable()
    {
        QFETCH(QByteArray, image);
        const WaveImage wave = WaveImage::parse(image);
        QVERIFY(!wave.isPlayable());
        QCOMPARE(wave.dataSize(), 0);
        QCOMPARE(wave.durationMs(), 0);
    }

    void everyTruncationIsRejected()
    {
        const QByteArray image =
            riff(chunk("LIST", "INFOabc") + chunk("fmt ", fmtBody({.extensible = true})) +
                 chunk("data", samples(101)) + chunk("cue ", "12345"));
        QVERIFY(WaveImage::parse(image).isPlayable());
        for (qsizetype length = 0; length < image.size(); ++length) {
            // A copy, so that a read past the end hits the sanitizers instead of the source.
            const QByteArray cut = image.left(length);
            QVERIFY2(!WaveImage::parse(cut).isPlayable(), qPrintable(QString::number(length)));
        }
    }

    void aTruncationWithAConsistentHeaderStaysInside()
    {
        const QByteArray image = riff(chunk("fmt ", fmtBody({.channels = 2})) +
                                      chunk("data", samples(200)) + chunk("cue ", "123"));
        for (qsizetype length = 12; length <= image.size(); ++length) {
            QByteArray cut = image.left(length);
            setLe32(cut, 4, quint32(length - 8));
            const WaveImage wave = WaveImage::parse(cut);
            if (wave.isPlayable()) {
                QVERIFY(wave.dataOffset() + wave.dataSize() <= length);
                QCOMPARE(wave.dataSize(), 200);
            }
            QCOMPARE(wave.isPlayable(), length >= 44 + 200);
        }
    }

    void randomDamageNeverReadsOutside()
    {
        const QByteArray image =
            riff(chunk("fmt ", fmtBody({.extensible = true})) + chunk("data", samples(64)));
        QRandomGenerator random(12345);
        for (int round = 0; round < 20000; ++round) {
            QByteArray damaged = image;
            const int changes = 1 + int(random.bounded(4));
            for (int c = 0; c < changes; ++c)
                damaged[random.bounded(int(damaged.size()))] = char(random.bounded(256));
            if (random.bounded(4) == 0)
                damaged.truncate(random.bounded(int(damaged.size())));
            const WaveImage wave = WaveImage::parse(damaged);
            if (wave.isPlayable()) {
                QVERIFY(wave.dataOffset() >= 12);
                QVERIFY(wave.dataOffset() + wave.dataSize() <= damaged.size());
                QVERIFY(wave.dataSize() % wave.bytesPerFrame() == 0);
                QVERIFY(wave.channels() >= 1 && wave.sampleRate() >= WaveImage::MinSampleRate);
            }
        }
    }

    void durationCountsWholeFrames()
    {
        QCOMPARE(WaveImage::parse(plainWave({}, 22050 * 2)).durationMs(), 1000);
        QCOMPARE(WaveImage::parse(plainWave({.channels = 2, .rate = 8000}, 3200)).durationMs(),
                 100);
    }
};

QTEST_GUILESS_MAIN(TestWaveImage)
#include "tst_waveimage.moc"
