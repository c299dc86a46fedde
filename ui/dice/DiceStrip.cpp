#include "DiceStrip.h"

#include "DiceImage.h"
#include "Fonts.h"
#include "IniData.h"
#include "SlimComboStyle.h"
#include "SoundPlayer.h"
#include "WholeFile.h"

#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTimer>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int StepInterval = 50;
constexpr int SlowStartInterval = 300;
// A roll for a test: long enough to be seen and heard, short enough not to wait for.
constexpr int TestRollSteps = 8;
// The outcome of a test: its distance from the dice and the total, and its inner margin.
constexpr int OutcomeGap = 4;
constexpr int OutcomeMargin = 2;

QComboBox *numberBox(QWidget *parent, const QString &name, int count, int initial,
                     const QString &hint)
{
    auto *box = new QComboBox(parent);
    box->setObjectName(name);
    for (int n = 1; n <= count; ++n)
        box->addItem(QString::number(n));
    box->setCurrentIndex(initial - 1);
    box->setMaxVisibleItems(count);
    // The list that drops down is as narrow as the box; the desktop's menu look would keep a
    // check-mark column in it and leave no room for "10". Plain list items need only the
    // number's width.
    box->setItemDelegate(new QStyledItemDelegate(box));
    box->setEditable(false);
    box->setFont(Fonts::fixedPitch(12, true));
    box->setToolTip(hint);
    box->setAccessibleName(hint);
    return box;
}

} // namespace

DiceStrip::DiceStrip(const SettingsValues &settings, QWidget *parent)
    : QFrame(parent), m_settings(settings),
      m_diceCountBox(numberBox(this, u"ComboBoxNumber"_s, 10, 2, u"ダイスの数"_s)),
      m_dLabel(new QLabel(u"D"_s, this)),
      m_pipMaxBox(numberBox(this, u"ComboBoxPipMax"_s, Dice::MaxPipMax, 6, u"出目の最大値"_s)),
      m_faceImage(new DiceImage(this)), m_totalLabel(new QLabel(this)),
      m_outcomeLabel(new QLabel(this)), m_rollButton(new QPushButton(u"Start"_s, this)),
      m_rollTimer(new QTimer(this)), m_sound(new SoundPlayer(this))
{
    setObjectName(u"PanelDice"_s);
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setFixedSize(490, 40);

    // The boxes are narrow: a slim arrow leaves the number room to show. The style is made
    // after them, so that it goes after them too.
    auto *boxStyle = new SlimComboStyle(this);
    m_diceCountBox->setStyle(boxStyle);
    m_pipMaxBox->setStyle(boxStyle);
    m_diceCountBox->setGeometry(8, 10, 33, 20);

    m_dLabel->setObjectName(u"LabelDice"_s);
    m_dLabel->setFont(Fonts::proportional(12, true));
    m_dLabel->adjustSize();
    m_dLabel->move(46, 14);

    m_pipMaxBox->setGeometry(60, 10, 29, 20);

    m_faceImage->setObjectName(u"ImageDice"_s);
    m_faceImage->move(93, 4);

    m_totalLabel->setObjectName(u"LabelTotal"_s);
    m_totalLabel->setGeometry(418, 12, 24, 17);
    m_totalLabel->setAlignment(Qt::AlignCenter);
    m_totalLabel->setFont(Fonts::fixedPitch(12, true));
    m_totalLabel->setToolTip(u"合計"_s);
    m_totalLabel->setAccessibleName(u"合計"_s);
    // The total reads black on white whatever the desktop's colours are.
    QPalette totalColours = m_totalLabel->palette();
    totalColours.setColor(QPalette::Window, Qt::white);
    totalColours.setColor(QPalette::WindowText, Qt::black);
    m_totalLabel->setPalette(totalColours);
    m_totalLabel->setAutoFillBackground(true);

    // The outcome of a test stands in the cells the test's dice leave free.
    m_outcomeLabel->setObjectName(u"LabelOutcome"_s);
    m_outcomeLabel->setFont(Fonts::proportional(11, true));
    m_outcomeLabel->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    m_outcomeLabel->setTextFormat(Qt::PlainText);
    m_outcomeLabel->setContentsMargins(OutcomeMargin, 0, OutcomeMargin, 0);
    // Over dice it covers, it stands on the strip's own colour.
    m_outcomeLabel->setAutoFillBackground(true);
    m_outcomeLabel->hide();

    m_rollButton->setObjectName(u"ButtonRoll"_s);
    m_rollButton->setGeometry(448, 12, 33, 17);
    m_rollButton->setFont(Fonts::proportional(11));
    m_rollButton->setToolTip(u"ダイスを振る"_s);

    m_rollTimer->setObjectName(u"TimerRoll"_s);
    m_rollTimer->setInterval(StepInterval);

    // activated, not currentIndexChanged: only the user's choice rolls the dice.
    connect(m_diceCountBox, &QComboBox::activated, this, &DiceStrip::diceCountChosen);
    connect(m_pipMaxBox, &QComboBox::activated, this, &DiceStrip::pipMaxChosen);
    connect(m_rollButton, &QPushButton::clicked, this, &DiceStrip::startOrStop);
    connect(m_rollTimer, &QTimer::timeout, this, &DiceStrip::rollStep);
}

DiceStrip::~DiceStrip() = default;

void DiceStrip::setSound(const QByteArray &soundData)
{
    m_soundData = soundData;
    m_soundLoaded = true;
    m_sound->setSound(soundData);
}

bool DiceStrip::loadSound(const QString &path)
{
    QFile file;
    if (openRegularFile(file, path)) {
        const QByteArray bytes = file.readAll();
        if (file.error() == QFileDevice::NoError) {
            setSound(bytes);
            return true;
        }
    }
    QMessageBox box(QMessageBox::Critical, u"エラー"_s,
                    u"効果音ファイルを読みこめませんでした。ダイスロール時には効果音は鳴りません。"
                    u"また、“効果音を鳴らす”オプションは使用不可になります。"_s,
                    QMessageBox::Ok);
    box.setObjectName(u"SoundError"_s);
    box.exec();
    return false;
}

void DiceStrip::setSeed(std::uint64_t seed)
{
    m_faces = Dice::FaceSource(seed);
}

bool DiceStrip::soundWanted() const
{
    return m_settings.soundEffect && m_soundLoaded;
}

int DiceStrip::faceLow() const
{
    return m_settings.zeroDice ? 0 : 1;
}

void DiceStrip::setDiceCount(int count)
{
    m_diceCountBox->setCurrentIndex(std::clamp(count, 1, Dice::MaxDiceCount) - 1);
    diceCountChosen(m_diceCountBox->currentIndex());
}

bool DiceStrip::rollDice(int count)
{
    if (m_rolling)
        return false;
    setDiceCount(count);
    if (m_askFaces)
        return takeAskedFaces();
    m_stepsLeft = TestRollSteps;
    startOrStop();
    // Quicker than a roll the user stops: it ends by itself.
    m_rollTimer->setInterval(StepInterval * 2);
    return true;
}

bool DiceStrip::takeAskedFaces()
{
    const std::optional<QList<int>> faces = m_askFaces(m_diceCount, faceLow(), m_pipMax);
    if (!faces || faces->size() != m_diceCount)
        return false;
    const bool digits = m_percentileMode || m_settings.numberDice;
    QString said = u"ダイスの目"_s;
    for (int i = 0; i < m_diceCount; ++i) {
        const int value = std::clamp(faces->at(i), faceLow(), m_pipMax);
        m_diceValues[static_cast<std::size_t>(i)] = value;
        m_faceImage->drawFace(i, Dice::pictureIndex(value, digits));
        said += u' ' + QString::number(value);
    }
    m_faceImage->setAccessibleName(said);
    m_faceImage->repaint();
    if (soundWanted())
        m_sound->play();
    const int total = Dice::total(m_diceValues, m_diceCount, m_percentileMode);
    showTotal(QString::number(total));
    Q_EMIT rolled(QList<int>(m_diceValues.begin(), m_diceValues.begin() + m_diceCount), total,
                  true);
    return true;
}

void DiceStrip::showOutcome(const QString &name, const QString &result)
{
    m_outcome = name.isEmpty() ? result : name + u' ' + result;
    // After the last die in use, up to the total; a label margin on either side.
    const int right = m_totalLabel->x() - OutcomeGap;
    const int afterDice =
        m_faceImage->x() + m_faceImage->width() * m_diceCount / DiceImage::CellCount + OutcomeGap;
    const QFontMetrics metrics(m_outcomeLabel->font());
    const auto widthOf = [&metrics](const QString &text) {
        return metrics.horizontalAdvance(text) + 2 * OutcomeMargin;
    };
    int width = right - afterDice;
    QString shown = m_outcome;
    if (widthOf(m_outcome) > width) {
        // Two lines: the name above, cut short when it must be, and the result below, whole.
        // Where the dice leave it too little room, the label covers the last of them.
        width = std::clamp(widthOf(result), width, right - m_faceImage->x());
        shown =
            metrics.elidedText(name, Qt::ElideRight, width - 2 * OutcomeMargin) + u'\n' + result;
    }
    m_outcomeLabel->setGeometry(right - width, 2, width, height() - 4);
    m_outcomeLabel->setText(shown);
    m_outcomeLabel->setToolTip(m_outcome);
    m_outcomeLabel->setAccessibleName(m_outcome);
    m_outcomeLabel->setVisible(!m_outcome.isEmpty());
    m_outcomeLabel->raise();
}

QString DiceStrip::outcome() const
{
    return m_outcomeLabel->isVisible() ? m_outcome : QString();
}

void DiceStrip::drawFaces(bool sound)
{
    showTotal(QString());
    m_outcomeLabel->hide();
    const bool digits = m_percentileMode || m_settings.numberDice;
    QString faces = u"ダイスの目"_s;
    for (int i = 0; i < m_diceCount; ++i) {
        const int value = m_faces.draw(m_pipMax, m_settings.zeroDice);
        m_diceValues[static_cast<std::size_t>(i)] = value;
        m_faceImage->drawFace(i, Dice::pictureIndex(value, digits));
        faces += u' ' + QString::number(value);
    }
    // Read aloud, the picture says the faces it shows.
    m_faceImage->setAccessibleName(faces);
    // Each step of an animation must be seen, not merged with the next by the event loop.
    m_faceImage->repaint();
    if (sound)
        m_sound->play();
}

bool DiceStrip::updatePercentileMode()
{
    m_percentileMode =
        Dice::isPercentile(m_diceCount, m_pipMax, m_settings.zeroDice, m_settings.percentileDice);
    return m_percentileMode;
}

void DiceStrip::clearFaces()
{
    m_faceImage->clear();
}

void DiceStrip::startOrStop()
{
    if (!m_rolling && m_askFaces) {
        m_outcomeLabel->hide();
        takeAskedFaces();
        return;
    }
    m_rolling = !m_rolling;
    if (!m_rolling)
        m_stepsLeft = 0;
    m_rollTimer->setInterval(m_settings.variableRoll ? SlowStartInterval : StepInterval);
    if (m_rolling) {
        m_rollTimer->start();
        m_rollButton->setText(u"Stop"_s);
        m_rollButton->setToolTip(u"ダイスを止める"_s);
        drawFaces(soundWanted());
        return;
    }
    m_rollTimer->stop();
    // The faces on screen are the result; they stay as they are.
    const int total = Dice::total(m_diceValues, m_diceCount, m_percentileMode);
    showTotal(QString::number(total));
    m_rollButton->setText(u"Start"_s);
    m_rollButton->setToolTip(u"ダイスを振る"_s);
    Q_EMIT rolled(QList<int>(m_diceValues.begin(), m_diceValues.begin() + m_diceCount), total,
                  false);
}

void DiceStrip::showTotal(const QString &total)
{
    m_totalLabel->setText(total);
    // Read aloud, the label says what it is and the total it shows.
    m_totalLabel->setAccessibleName(total.isEmpty() ? u"合計"_s : u"合計 "_s + total);
}

void DiceStrip::rollStep()
{
    // The dice start slowly and speed up: each wait is two thirds of the last, down to a step.
    if (m_stepsLeft > 0 && --m_stepsLeft == 0) {
        startOrStop();
        return;
    }
    const int interval = m_rollTimer->interval();
    if (interval > StepInterval && m_stepsLeft == 0)
        m_rollTimer->setInterval(std::max(interval * 2 / 3, StepInterval));
    drawFaces(soundWanted());
}

void DiceStrip::diceCountChosen(int index)
{
    m_diceCount = std::clamp(index + 1, 1, Dice::MaxDiceCount);
    updatePercentileMode();
    // Dice no longer in use must not leave their faces behind.
    clearFaces();
    drawFaces(false);
}

void DiceStrip::pipMaxChosen(int index)
{
    m_pipMax = std::clamp(index + 1, 1, Dice::MaxPipMax);
    updatePercentileMode();
    drawFaces(false);
}
