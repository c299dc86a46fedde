#include "DiceStrip.h"

#include "DiceImage.h"
#include "Fonts.h"
#include "IniData.h"
#include "SlimComboStyle.h"
#include "SoundPlayer.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int StepInterval = 50;
constexpr int SlowStartInterval = 300;

QComboBox *numberBox(QWidget *parent, const QString &name, int count, int initial,
                     const QString &hint)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    for (int n = 1; n <= count; ++n)
        box->addItem(QString::number(n));
    box->setCurrentIndex(initial - 1);
    box->setMaxVisibleItems(count);
    box->setEditable(false);
    box->setFont(Fonts::fixedPitch(12, true));
    box->setToolTip(hint);
    box->setAccessibleName(hint);
    return box;
}

} // namespace

DiceStrip::DiceStrip(const SettingsValues &settings, QWidget *parent)
    : QFrame(parent), m_settings(settings),
      m_comboBoxNumber(numberBox(this, u"ComboBoxNumber"_s, 10, 2, u"ダイスの数"_s)),
      m_labelDice(new QLabel(u"D"_s, this)),
      m_comboBoxPipMax(numberBox(this, u"ComboBoxPipMax"_s, Dice::MaxPipMax, 6, u"出目の最大値"_s)),
      m_imageDice(new DiceImage(this)), m_labelTotal(new QLabel(this)),
      m_buttonRoll(new QPushButton(u"Start"_s, this)), m_timerRoll(new QTimer(this)),
      m_sound(new SoundPlayer(this))
{
    setObjectName(u"PanelDice"_s);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setFixedSize(490, 40);

    // The boxes are narrow: a slim arrow leaves the number room to show. The style is made
    // after them, so that it goes after them too.
    auto *boxStyle = new SlimComboStyle(this);
    m_comboBoxNumber->setStyle(boxStyle);
    m_comboBoxPipMax->setStyle(boxStyle);
    m_comboBoxNumber->setGeometry(8, 10, 33, 20);

    m_labelDice->setObjectName(u"LabelDice"_s);
    m_labelDice->setFont(Fonts::proportional(12, true));
    m_labelDice->adjustSize();
    m_labelDice->move(46, 14);

    m_comboBoxPipMax->setGeometry(60, 10, 29, 20);

    m_imageDice->setObjectName(u"ImageDice"_s);
    m_imageDice->move(93, 4);

    m_labelTotal->setObjectName(u"LabelTotal"_s);
    m_labelTotal->setGeometry(418, 12, 24, 17);
    m_labelTotal->setAlignment(Qt::AlignCenter);
    m_labelTotal->setFont(Fonts::fixedPitch(12, true));
    m_labelTotal->setToolTip(u"合計"_s);
    m_labelTotal->setAccessibleName(u"合計"_s);
    // The total reads black on white whatever the desktop's colours are.
    QPalette totalColours = m_labelTotal->palette();
    totalColours.setColor(QPalette::Window, Qt::white);
    totalColours.setColor(QPalette::WindowText, Qt::black);
    m_labelTotal->setPalette(totalColours);
    m_labelTotal->setAutoFillBackground(true);

    m_buttonRoll->setObjectName(u"ButtonRoll"_s);
    m_buttonRoll->setGeometry(448, 12, 33, 17);
    m_buttonRoll->setFont(Fonts::proportional(11));
    m_buttonRoll->setToolTip(u"ダイスを振る"_s);

    m_timerRoll->setObjectName(u"TimerRoll"_s);
    m_timerRoll->setInterval(StepInterval);

    // activated, not currentIndexChanged: only the user's choice rolls the dice.
    connect(m_comboBoxNumber, &QComboBox::activated, this, &DiceStrip::ComboBoxNumberSelect);
    connect(m_comboBoxPipMax, &QComboBox::activated, this, &DiceStrip::ComboBoxPipMaxSelect);
    connect(m_buttonRoll, &QPushButton::clicked, this, &DiceStrip::ButtonRollClick);
    connect(m_timerRoll, &QTimer::timeout, this, &DiceStrip::TimerRollTimer);
}

DiceStrip::~DiceStrip() = default;

void DiceStrip::setSound(const QByteArray &soundData)
{
    m_soundData = soundData;
    m_soundLoaded = true;
    m_sound->setSound(soundData);
}

void DiceStrip::setSeed(std::uint64_t seed)
{
    m_faces = Dice::FaceSource(seed);
}

bool DiceStrip::soundWanted() const
{
    return m_settings.soundEffect && m_soundLoaded;
}

void DiceStrip::DiceRoll(bool sound)
{
    showTotal(QString());
    const bool digits = m_percentileMode || m_settings.numberDice;
    QString faces = u"ダイスの目"_s;
    for (int i = 0; i < m_diceCount; ++i) {
        const int value = m_faces.draw(m_pipMax, m_settings.zeroDice);
        m_diceValues[static_cast<std::size_t>(i)] = value;
        m_imageDice->drawFace(i, Dice::pictureIndex(value, digits));
        faces += u' ' + QString::number(value);
    }
    // Read aloud, the picture says the faces it shows.
    m_imageDice->setAccessibleName(faces);
    // Each step of an animation must be seen, not merged with the next by the event loop.
    m_imageDice->repaint();
    if (sound)
        m_sound->play();
}

bool DiceStrip::PercentileCheck()
{
    m_percentileMode =
        Dice::isPercentile(m_diceCount, m_pipMax, m_settings.zeroDice, m_settings.percentileDice);
    return m_percentileMode;
}

void DiceStrip::ImageClear()
{
    m_imageDice->clear();
}

void DiceStrip::ButtonRollClick()
{
    m_rolling = !m_rolling;
    m_timerRoll->setInterval(m_settings.variableRoll ? SlowStartInterval : StepInterval);
    if (m_rolling) {
        m_timerRoll->start();
        m_buttonRoll->setText(u"Stop"_s);
        m_buttonRoll->setToolTip(u"ダイスを止める"_s);
        DiceRoll(soundWanted());
        return;
    }
    m_timerRoll->stop();
    // The faces on screen are the result; they stay as they are.
    const int total = Dice::total(m_diceValues, m_diceCount, m_percentileMode);
    showTotal(QString::number(total));
    m_buttonRoll->setText(u"Start"_s);
    m_buttonRoll->setToolTip(u"ダイスを振る"_s);
    Q_EMIT rolled(QList<int>(m_diceValues.begin(), m_diceValues.begin() + m_diceCount), total);
}

void DiceStrip::showTotal(const QString &total)
{
    m_labelTotal->setText(total);
    // Read aloud, the label says what it is and the total it shows.
    m_labelTotal->setAccessibleName(total.isEmpty() ? u"合計"_s : u"合計 "_s + total);
}

void DiceStrip::TimerRollTimer()
{
    // The dice start slowly and speed up: each wait is two thirds of the last, down to a step.
    const int interval = m_timerRoll->interval();
    if (interval > StepInterval)
        m_timerRoll->setInterval(std::max(interval * 2 / 3, StepInterval));
    DiceRoll(soundWanted());
}

void DiceStrip::ComboBoxNumberSelect(int index)
{
    m_diceCount = std::clamp(index + 1, 1, Dice::MaxDiceCount);
    PercentileCheck();
    // Dice no longer in use must not leave their faces behind.
    ImageClear();
    DiceRoll(false);
}

void DiceStrip::ComboBoxPipMaxSelect(int index)
{
    m_pipMax = std::clamp(index + 1, 1, Dice::MaxPipMax);
    PercentileCheck();
    DiceRoll(false);
}
