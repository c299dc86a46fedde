#include "SoundSink.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QMediaDevices>

#include <memory>

namespace {

// Enough to ride out a busy moment of the system, short enough that a sound starts at once.
constexpr qint64 BufferUs = 100'000;

QAudioFormat audioFormatOf(const SoundFormat &sound)
{
    QAudioFormat format;
    format.setChannelCount(sound.channels);
    format.setSampleRate(sound.sampleRate);
    switch (sound.sample) {
    case SoundFormat::Sample::UInt8:
        format.setSampleFormat(QAudioFormat::UInt8);
        break;
    case SoundFormat::Sample::Int16:
        format.setSampleFormat(QAudioFormat::Int16);
        break;
    case SoundFormat::Sample::Int32:
        format.setSampleFormat(QAudioFormat::Int32);
        break;
    case SoundFormat::Sample::Float:
        format.setSampleFormat(QAudioFormat::Float);
        break;
    }
    return format;
}

class AudioSink final : public SoundSink
{
public:
    ~AudioSink() override { stop(); }

    void setSound(const QByteArray &samples, const SoundFormat &format) override
    {
        stop();
        m_samples = samples;
        m_format = audioFormatOf(format);
    }

    bool start() override
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

    // A sink is always stopped before it is deleted: Qt 6.4's PulseAudio sink, deleted while
    // it plays, may still query its stream after the stream is gone and abort the program.
    void stop() override
    {
        if (m_sink) {
            m_sink->stop();
            m_sink.reset();
        }
        m_buffer.close();
    }

private:
    QByteArray m_samples;
    QAudioFormat m_format;
    QBuffer m_buffer;
    std::unique_ptr<QAudioSink> m_sink;
};

} // namespace

extern "C" Q_DECL_EXPORT SoundSink *pelkoCreateSoundSink()
{
    return new AudioSink;
}

static_assert(std::is_same_v<decltype(&pelkoCreateSoundSink), SoundSinkFactory>);
