#pragma once

#include "Dice.h"

#include <QByteArray>
#include <QFrame>

#include <array>
#include <functional>
#include <optional>

class DiceImage;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;
class SoundPlayer;
struct SettingsValues;

// The dice roller along the bottom of the main window (PanelDice). It rolls one to ten dice
// of up to nine faces, animates a roll until the user stops it, plays the roll sound at each
// step and shows the total after a stop.
//
// The settings in force are read afresh at every step, so a change applies from the next one;
// the strip keeps only the dice state itself, which lives for the whole run.
class DiceStrip : public QFrame
{
    Q_OBJECT

public:
    enum class State { Idle, Rolling };

    explicit DiceStrip(const SettingsValues &settings, QWidget *parent = nullptr);
    ~DiceStrip() override;

    // The bytes of the sound file, read once at start-up; being given them at all means the
    // sound was loaded, whether or not they turn out to be playable.
    void setSound(const QByteArray &soundData);
    // Reads the sound from the file at path; a file that cannot be read leaves the dice silent
    // and says so in a box. Whether the sound was read.
    bool loadSound(const QString &path);
    bool soundLoaded() const { return m_soundLoaded; }
    const QByteArray &soundData() const { return m_soundData; }

    // Draws new faces for the dice in use, empties the total and shows the step at once.
    void drawFaces(bool sound);
    // Works out whether two dice read as one hundred-sided die, and keeps the answer.
    bool updatePercentileMode();
    // Wipes every cell of the picture to the button colour.
    void clearFaces();

    // What the roll button, the step timer and the two lists do.
    void startOrStop();
    void rollStep();
    void diceCountChosen(int index);
    void pipMaxChosen(int index);

    State state() const { return m_rolling ? State::Rolling : State::Idle; }
    int diceCount() const { return m_diceCount; }
    int pipMax() const { return m_pipMax; }
    const std::array<int, Dice::MaxDiceCount> &diceValues() const { return m_diceValues; }
    bool isRolling() const { return m_rolling; }
    bool percentileMode() const { return m_percentileMode; }

    // The faces a die in use can show: from faceLow() to pipMax().
    int faceLow() const;

    // Asks for the faces of count dice, each within low..high; nothing to roll nothing. While
    // one is set, every roll of the strip takes its faces from it instead of rolling.
    using FacesAsker = std::function<std::optional<QList<int>>(int count, int low, int high)>;
    void setFacesAsker(FacesAsker asker) { m_askFaces = std::move(asker); }
    bool asksForFaces() const { return bool(m_askFaces); }

    // Rolls count dice for a test: the count is chosen as if by the user, and the dice roll
    // and stop by themselves (or take the faces asked for). rolled() tells the result, unless
    // no faces were given. Whether a roll was started.
    bool rollDice(int count);
    // Shows a test's outcome beside the dice until the next roll: its name, then its result
    // ("7 ≦ 9 成功"). The result is always shown whole; where the room after the dice is too
    // small the two stand on two lines, the name cut short if it must be, over the last dice
    // if need be. The whole text is the label's tooltip and accessible name too.
    void showOutcome(const QString &name, const QString &result);
    QString outcome() const;

    // Makes the faces repeatable, for tests.
    void setSeed(std::uint64_t seed);

    SoundPlayer *soundPlayer() const { return m_sound; }

Q_SIGNALS:
    // A roll was stopped: the faces of the dice in use and the total shown.
    // entered: the faces were typed in rather than rolled.
    void rolled(const QList<int> &faces, int total, bool entered);

private:
    bool soundWanted() const;
    void showTotal(const QString &total);
    void setDiceCount(int count);
    // Shows faces asked for as a stopped roll would, and tells them.
    bool takeAskedFaces();

    const SettingsValues &m_settings;
    Dice::FaceSource m_faces;
    int m_diceCount = 2;
    int m_pipMax = 6;
    std::array<int, Dice::MaxDiceCount> m_diceValues{};
    bool m_rolling = false;
    bool m_percentileMode = false;
    bool m_soundLoaded = false;
    int m_stepsLeft = 0; // of a roll that stops by itself, 0 for a roll the user stops
    FacesAsker m_askFaces;
    QString m_outcome; // the test's outcome shown, whole
    QByteArray m_soundData;

    QComboBox *m_diceCountBox;
    QLabel *m_dLabel;
    QComboBox *m_pipMaxBox;
    DiceImage *m_faceImage;
    QLabel *m_totalLabel;
    QLabel *m_outcomeLabel;
    QPushButton *m_rollButton;
    QTimer *m_rollTimer;
    SoundPlayer *m_sound;
};
