// The WAVE parser over bytes exactly as long as the input, so that a read past the end is
// caught. What it calls playable must lie inside the image and hold whole frames.
#include "FuzzSupport.h"
#include "WaveImage.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const WaveImage wave =
        WaveImage::parse(QByteArrayView(reinterpret_cast<const char *>(bytes), qsizetype(size)));
    if (!wave.isPlayable()) {
        FUZZ_CHECK(wave.durationMs() == 0);
        return 0;
    }
    FUZZ_CHECK(wave.channels() >= 1 && wave.channels() <= WaveImage::MaxChannels);
    FUZZ_CHECK(wave.sampleRate() >= WaveImage::MinSampleRate &&
               wave.sampleRate() <= WaveImage::MaxSampleRate);
    FUZZ_CHECK(wave.bytesPerFrame() > 0);
    FUZZ_CHECK(wave.dataOffset() >= 12 && wave.dataSize() > 0);
    FUZZ_CHECK(wave.dataOffset() + wave.dataSize() <= qsizetype(size));
    FUZZ_CHECK(wave.dataSize() % wave.bytesPerFrame() == 0);
    FUZZ_CHECK(wave.durationMs() >= 0);
    return 0;
}
