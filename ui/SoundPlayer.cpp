#include "SoundPlayer.h"

#include "WaveImage.h"

#include <QAudioDevice>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>

#include <memory>

namespace {

// Enough to ride out a busy moment of the system, short enough that a sound starts at once.
constexpr qint64 BufferUs = 100'000;

} // namespace

// Lives on the player's thread and owns everything that talks to the sound server.
class SoundOutput : public QObject
{
    Q_OBJECT

public:
    explicit SoundOutput(const std::atomic<quint64> &latest) : m_latest(latest), m_buffer(this) {}

    void setSound(const QByteArray &samples, const QAudioFormat &format)
    {
        stop();
        m_samples = samples;
        m_format = format;
    }

    // ticket is the number of this request; a later request makes it stale.
    void play(quint64 ticket)
    {
        if (ticket != m_latest.load())
            return;
        const bool audible = start();
        Q_EMIT played(audible);
    }

    // A sink is always stopped before it is deleted: Qt 6.4's PulseAudio sink, deleted while
    // it plays, may still query its stream after the stream is gone and abort the program.
    void stop()
    {
        if (m_sink) {
            m_sink->stop();
            m_sink.reset();
        }
        m_buffer.close();
    }

    ~SoundOutput() override { stop(); }

Q_SIGNALS:
    void played(bool audible);

private:
    bool start()
    {
        // Every sound gets a sink of its own; the last one goes with everything queued for it.
        stop();
        if (m_samples.isEmpty())
            return false;
        // The default output may change while the program runs (a headset plugged in).
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        if (device.isNull() || !device.isFormatSupported(m_format))
            return false;
        m_sink = std::make_unique<QAudioSink>(device, m_format);
        m_buffer.setData(m_samples);
        m_buffer.open(QIODevice::ReadOnly);
        // A short buffer, asked for explicitly: a sound starts at once and a quick roll is heard
        // at every step.
        m_sink->setBufferSize(m_format.bytesForDuration(BufferUs));
        m_sink->start(&m_buffer);
        return m_sink->error() == QAudio::NoError;
    }

    const std::atomic<quint64> &m_latest;
    QByteArray m_samples;
    QAudioFormat m_format;
    QBuffer m_buffer;
    std::unique_ptr<QAudioSink> m_sink;
};

namespace {

QAudioFormat audioFormatOf(const WaveImage &wave)
{
    QAudioFormat format;
    format.setChannelCount(wave.channels());
    format.setSampleRate(wave.sampleRate());
    switch (wave.sampleType()) {
    case WaveImage::SampleType::UnsignedInt:
        format.setSampleFormat(QAudioFormat::UInt8);
        break;
    case WaveImage::SampleType::SignedInt:
        format.setSampleFormat(wave.bitsPerSample() == 16 ? QAudioFormat::Int16
                                                          : QAudioFormat::Int32);
        break;
    case WaveImage::SampleType::Float:
        format.setSampleFormat(QAudioFormat::Float);
        break;
    }
    return format;
}

// Audio devices take no 24-bit samples here; each one goes out as the top three bytes of a
// 32-bit sample.
QByteArray widened24(QByteArrayView samples)
{
    QByteArray wide(samples.size() / 3 * 4, '\0');
    for (qsizetype in = 0, out = 0; in + 3 <= samples.size(); in += 3, out += 4) {
        wide[out + 1] = samples[in];
        wide[out + 2] = samples[in + 1];
        wide[out + 3] = samples[in + 2];
    }
    return wide;
}

} // namespace

SoundPlayer::SoundPlayer(QObject *parent) : QObject(parent), m_output(new SoundOutput(m_request))
{
    m_thread.setObjectName(QStringLiteral("SoundPlayer"));
    m_output->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_output, &QObject::deleteLater);
    connect(m_output, &SoundOutput::played, this, &SoundPlayer::played);
    m_thread.start();
}

SoundPlayer::~SoundPlayer()
{
    // The sound is stopped while the output's thread still runs its loop; the output then goes
    // with its thread.
    QMetaObject::invokeMethod(m_output, &SoundOutput::stop, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

bool SoundPlayer::setSound(const QByteArray &image)
{
    const WaveImage wave = WaveImage::parse(image);
    m_playable = wave.isPlayable();
    QByteArray samples;
    m_format = QAudioFormat();
    if (m_playable) {
        m_format = audioFormatOf(wave);
        const QByteArrayView range(image.constData() + wave.dataOffset(), wave.dataSize());
        samples = wave.bitsPerSample() == 24 ? widened24(range) : range.toByteArray();
    }
    ++m_request;
    QMetaObject::invokeMethod(m_output, [output = m_output, samples, format = m_format] {
        output->setSound(samples, format);
    });
    return m_playable;
}

void SoundPlayer::play()
{
    if (!m_playable)
        return;
    const quint64 ticket = ++m_request;
    QMetaObject::invokeMethod(m_output, [output = m_output, ticket] { output->play(ticket); });
}

void SoundPlayer::stop()
{
    ++m_request;
    QMetaObject::invokeMethod(m_output, &SoundOutput::stop);
}

#include "SoundPlayer.moc"
