#pragma once

#include <QByteArrayView>
#include <QtGlobal>

// A RIFF WAVE image held in memory, read far enough to play it: the sample format and where
// the samples lie. Anything that cannot be played as plain PCM or float samples, or that
// claims more bytes than it holds, is reported as not playable; reading never fails otherwise.
class WaveImage
{
public:
    enum class SampleType { UnsignedInt, SignedInt, Float };

    // The most channels and the range of rates accepted; beyond them a header is taken for
    // garbage rather than a sound.
    static constexpr int MaxChannels = 32;
    static constexpr int MinSampleRate = 1000;
    static constexpr int MaxSampleRate = 768000;

    static WaveImage parse(QByteArrayView image);

    bool isPlayable() const { return m_playable; }
    int channels() const { return m_channels; }
    int sampleRate() const { return m_sampleRate; }
    int bitsPerSample() const { return m_bitsPerSample; }
    SampleType sampleType() const { return m_sampleType; }
    int bytesPerFrame() const { return m_channels * m_bitsPerSample / 8; }

    // The samples: dataSize bytes from dataOffset of the image, whole frames only.
    qsizetype dataOffset() const { return m_dataOffset; }
    qsizetype dataSize() const { return m_dataSize; }
    qint64 durationMs() const;

private:
    bool m_playable = false;
    int m_channels = 0;
    int m_sampleRate = 0;
    int m_bitsPerSample = 0;
    SampleType m_sampleType = SampleType::SignedInt;
    qsizetype m_dataOffset = 0;
    qsizetype m_dataSize = 0;
};
