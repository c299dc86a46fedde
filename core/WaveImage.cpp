#include "WaveImage.h"

#include <cstring>

namespace {

constexpr quint16 FormatPcm = 1;
constexpr quint16 FormatFloat = 3;
constexpr quint16 FormatExtensible = 0xFFFE;
constexpr qint64 ChunkHeaderSize = 8;
constexpr qint64 PlainFormatSize = 16;
constexpr qint64 ExtensibleFormatSize = 40;

// The tail that every WAVE sub-format GUID shares after its leading format tag.
constexpr unsigned char SubFormatTail[14] = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                             0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

quint16 le16(const char *p)
{
    return static_cast<quint16>(static_cast<unsigned char>(p[0]) | static_cast<unsigned char>(p[1])
                                                                       << 8);
}

quint32 le32(const char *p)
{
    return static_cast<quint32>(le16(p)) | static_cast<quint32>(le16(p + 2)) << 16;
}

bool isTag(const char *p, const char (&tag)[5])
{
    return std::memcmp(p, tag, 4) == 0;
}

struct Format
{
    quint16 tag = 0;
    int channels = 0;
    qint64 sampleRate = 0;
    int blockAlign = 0;
    int bitsPerSample = 0;
};

bool readFormat(const char *body, qint64 size, Format &format)
{
    if (size < PlainFormatSize)
        return false;
    format.tag = le16(body);
    format.channels = le16(body + 2);
    format.sampleRate = le32(body + 4);
    format.blockAlign = le16(body + 12);
    format.bitsPerSample = le16(body + 14);
    if (format.tag != FormatExtensible)
        return true;
    // The extensible header names the real format in the first two bytes of a GUID.
    if (size < ExtensibleFormatSize || le16(body + 16) < 22)
        return false;
    const char *guid = body + 24;
    if (std::memcmp(guid + 2, SubFormatTail, sizeof SubFormatTail) != 0)
        return false;
    format.tag = le16(guid);
    return true;
}

} // namespace

WaveImage WaveImage::parse(QByteArrayView image)
{
    WaveImage wave;
    const char *bytes = image.data();
    const qint64 size = image.size();
    if (size < 12 || !isTag(bytes, "RIFF") || !isTag(bytes + 8, "WAVE"))
        return wave;
    const qint64 riffEnd = ChunkHeaderSize + le32(bytes + 4);
    if (riffEnd > size || riffEnd < 12)
        return wave;

    Format format;
    bool haveFormat = false;
    qint64 dataOffset = -1;
    qint64 dataSize = 0;
    // Every chunk moves the position on by at least its header, so the walk ends.
    for (qint64 pos = 12; pos + ChunkHeaderSize <= riffEnd && !(haveFormat && dataOffset >= 0);) {
        const char *header = bytes + pos;
        const qint64 bodySize = le32(header + 4);
        const qint64 body = pos + ChunkHeaderSize;
        if (bodySize > riffEnd - body)
            return wave;
        if (isTag(header, "fmt ") && !haveFormat) {
            if (!readFormat(bytes + body, bodySize, format))
                return wave;
            haveFormat = true;
        } else if (isTag(header, "data") && dataOffset < 0) {
            dataOffset = body;
            dataSize = bodySize;
        }
        // Odd chunks are padded to an even length; a writer may leave out the last pad byte.
        pos = body + bodySize + (bodySize & 1);
    }
    if (!haveFormat || dataOffset < 0)
        return wave;

    SampleType type;
    if (format.tag == FormatPcm && format.bitsPerSample == 8)
        type = SampleType::UnsignedInt;
    else if (format.tag == FormatPcm && (format.bitsPerSample == 16 || format.bitsPerSample == 24 ||
                                         format.bitsPerSample == 32))
        type = SampleType::SignedInt;
    else if (format.tag == FormatFloat && format.bitsPerSample == 32)
        type = SampleType::Float;
    else
        return wave;
    if (format.channels < 1 || format.channels > MaxChannels || format.sampleRate < MinSampleRate ||
        format.sampleRate > MaxSampleRate)
        return wave;
    const int frameSize = format.channels * format.bitsPerSample / 8;
    if (format.blockAlign != frameSize)
        return wave;
    // A partial last frame is left out rather than played as noise.
    dataSize -= dataSize % frameSize;
    if (dataSize == 0)
        return wave;

    wave.m_playable = true;
    wave.m_channels = format.channels;
    wave.m_sampleRate = static_cast<int>(format.sampleRate);
    wave.m_bitsPerSample = format.bitsPerSample;
    wave.m_sampleType = type;
    wave.m_dataOffset = static_cast<qsizetype>(dataOffset);
    wave.m_dataSize = static_cast<qsizetype>(dataSize);
    return wave;
}

qint64 WaveImage::durationMs() const
{
    if (!m_playable)
        return 0;
    return qint64(m_dataSize / bytesPerFrame()) * 1000 / m_sampleRate;
}
