#pragma once

#include <QByteArray>

// The sound module's side of the player: an output on the default audio device, built on Qt
// Multimedia in a library of its own (pelko_sound). The player loads it on its own thread at
// the first play, so that the window starts without the audio libraries and their dozen
// dependencies.

struct SoundFormat
{
    enum class Sample { UInt8, Int16, Int32, Float };

    int channels = 0;
    int sampleRate = 0;
    Sample sample = Sample::Int16;
};

class SoundSink
{
public:
    virtual ~SoundSink() = default;

    // Replaces the sound, stopping the one playing; samples are whole frames in format.
    virtual void setSound(const QByteArray &samples, const SoundFormat &format) = 0;
    // Plays the sound from its start, cutting off the last one; false when no device takes it.
    virtual bool start() = 0;
    virtual void stop() = 0;
};

// The module's one entry point, resolved by name: a new output that the caller owns and
// uses on one thread only.
using SoundSinkFactory = SoundSink *(*)();
inline constexpr char SoundSinkFactoryName[] = "pelkoCreateSoundSink";
