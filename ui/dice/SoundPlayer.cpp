#include "SoundPlayer.h"

#include "ProgramDir.h"
#include "SoundSink.h"
#include "WaveImage.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibrary>

#include <memory>

using namespace Qt::StringLiterals;

// Lives on the player's thread and owns everything that talks to the sound server.
class SoundOutput : public QObject
{
    Q_OBJECT

public:
    SoundOutput(const std::atomic<quint64> &latest, QStringList paths)
        : m_latest(latest), m_modulePaths(std::move(paths))
    {}

    void setSound(const QByteArray &samples, const SoundFormat &format)
    {
        m_samples = samples;
        m_format = format;
        if (m_sink)
            m_sink->setSound(m_samples, m_format);
    }

    // ticket is the number of this request; a later request makes it stale.
    void play(quint64 ticket)
    {
        if (ticket != m_latest.load())
            return;
        const bool audible = !m_samples.isEmpty() && sink() && m_sink->start();
        Q_EMIT played(audible);
    }

    void stop()
    {
        if (m_sink)
            m_sink->stop();
    }

    ~SoundOutput() override { stop(); }

Q_SIGNALS:
    void played(bool audible);

private:
    // The module is loaded once, at the first play, and stays loaded for the rest of the run.
    SoundSink *sink()
    {
        if (!m_sink && !m_moduleTried) {
            m_moduleTried = true;
            for (const QString &path : std::as_const(m_modulePaths)) {
                // Loading opens and reads the file: a pipe of that name would never answer.
                if (!QFileInfo(path).isFile())
                    continue;
                QLibrary module(path);
                if (const auto create =
                        reinterpret_cast<SoundSinkFactory>(module.resolve(SoundSinkFactoryName))) {
                    m_sink.reset(create());
                    m_sink->setSound(m_samples, m_format);
                    break;
                }
            }
        }
        return m_sink.get();
    }

    const std::atomic<quint64> &m_latest;
    const QStringList m_modulePaths;
    bool m_moduleTried = false;
    QByteArray m_samples;
    SoundFormat m_format;
    std::unique_ptr<SoundSink> m_sink;
};

namespace {

SoundFormat soundFormatOf(const WaveImage &wave)
{
    SoundFormat format;
    format.channels = wave.channels();
    format.sampleRate = wave.sampleRate();
    switch (wave.sampleType()) {
    case WaveImage::SampleType::UnsignedInt:
        format.sample = SoundFormat::Sample::UInt8;
        break;
    case WaveImage::SampleType::SignedInt:
        format.sample =
            wave.bitsPerSample() == 16 ? SoundFormat::Sample::Int16 : SoundFormat::Sample::Int32;
        break;
    case WaveImage::SampleType::Float:
        format.sample = SoundFormat::Sample::Float;
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

// Where the sound module is looked for: in the program's own layout only (beside a portable
// program, in the library folder of an installed one).
QStringList modulePaths()
{
    return ProgramDir::ofRunningProgram().modulePaths(QStringLiteral(PELKO_SOUND_MODULE_NAME));
}

} // namespace

SoundPlayer::SoundPlayer(QObject *parent)
    : QObject(parent), m_output(new SoundOutput(m_request, modulePaths()))
{
    m_thread.setObjectName(QStringLiteral("SoundPlayer"));
    m_output->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_output, &QObject::deleteLater);
    connect(m_output, &SoundOutput::played, this, &SoundPlayer::played);
}

SoundPlayer::~SoundPlayer()
{
    if (!m_thread.isRunning()) {
        // Never played: the output has not run on its thread and goes at once.
        delete m_output;
        return;
    }
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
    SoundFormat format;
    if (m_playable) {
        format = soundFormatOf(wave);
        const QByteArrayView range(image.constData() + wave.dataOffset(), wave.dataSize());
        samples = wave.bitsPerSample() == 24 ? widened24(range) : range.toByteArray();
    }
    ++m_request;
    // Queued for the thread, which takes it when it starts.
    QMetaObject::invokeMethod(
        m_output, [output = m_output, samples, format] { output->setSound(samples, format); });
    return m_playable;
}

void SoundPlayer::play()
{
    if (!m_playable)
        return;
    // The thread starts with the first sound: a window that never rolls with sound never has it.
    if (!m_thread.isRunning())
        m_thread.start();
    const quint64 ticket = ++m_request;
    QMetaObject::invokeMethod(m_output, [output = m_output, ticket] { output->play(ticket); });
}

void SoundPlayer::stop()
{
    ++m_request;
    QMetaObject::invokeMethod(m_output, &SoundOutput::stop);
}

#include "SoundPlayer.moc"
