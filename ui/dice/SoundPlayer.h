#pragma once

#include <QByteArray>
#include <QObject>
#include <QThread>

#include <atomic>

class SoundOutput;

// Plays one in-memory WAVE image on the default audio output. play() returns at once: the
// audio device is opened, fed and closed on a thread of its own, so a slow or hung sound
// server never holds up the window. A new play cuts off the one still sounding. Without an
// audio device, or with an image that cannot be played, every play is silent.
//
// The audio libraries come in with the sound module (SoundSink.h), which the player's thread
// loads at the first play; the thread itself starts then too. Without the module every play
// is silent as well.
class SoundPlayer : public QObject
{
    Q_OBJECT

public:
    explicit SoundPlayer(QObject *parent = nullptr);
    ~SoundPlayer() override;

    // Takes the bytes of a WAVE file and reads them once; returns whether they can be played.
    bool setSound(const QByteArray &image);
    bool isPlayable() const { return m_playable; }

    void play();
    void stop();

Q_SIGNALS:
    // After a play reached the output: whether a device took the sound.
    void played(bool audible);

private:
    QThread m_thread;
    SoundOutput *m_output;
    // Requests are numbered so that the output skips plays that a later one has overtaken.
    std::atomic<quint64> m_request{0};
    bool m_playable = false;
};
