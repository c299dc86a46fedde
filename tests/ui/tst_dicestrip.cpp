#include "DiceImage.h"
#include "DiceStrip.h"
#include "IniData.h"
#include "SoundPlayer.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSet>
#include <QSignalSpy>
#include <QStyleOptionComboBox>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <numeric>

using namespace Qt::StringLiterals;

class TestDiceStrip : public QObject
{
    Q_OBJECT

    SettingsValues m_settings;
    std::unique_ptr<DiceStrip> m_strip;

    template <typename T> T *child(const QString &name) const
    {
        auto *found = m_strip->findChild<T *>(name);
        if (!found)
            qFatal("no %s", qPrintable(name));
        return found;
    }
    QComboBox *number() const { return child<QComboBox>(u"ComboBoxNumber"_s); }
    QComboBox *pipMax() const { return child<QComboBox>(u"ComboBoxPipMax"_s); }
    QPushButton *button() const { return child<QPushButton>(u"ButtonRoll"_s); }
    QLabel *total() const { return child<QLabel>(u"LabelTotal"_s); }
    DiceImage *image() const { return child<DiceImage>(u"ImageDice"_s); }
    QTimer *timer() const { return child<QTimer>(u"TimerRoll"_s); }

    // Picks an item the way a user does from the keyboard: open the list, move to the item,
    // press Enter. (A mouse release right after the list opens is taken for the end of the
    // opening press, so a clicked item would need a pause first.)
    static void choose(QComboBox *box, int index)
    {
        box->showPopup();
        QAbstractItemView *view = box->view();
        QTRY_VERIFY(view->isVisible());
        view->setCurrentIndex(view->model()->index(index, 0));
        QTest::keyClick(view, Qt::Key_Return);
        QTRY_VERIFY(!view->isVisible());
        QCOMPARE(box->currentIndex(), index);
    }

    void click() { QTest::mouseClick(button(), Qt::LeftButton); }

    QList<int> values() const
    {
        const auto &all = m_strip->diceValues();
        return QList<int>(all.begin(), all.begin() + m_strip->diceCount());
    }
    QList<int> faces() const
    {
        QList<int> shown;
        for (int cell = 0; cell < m_strip->diceCount(); ++cell)
            shown.append(image()->face(cell).value_or(-1));
        return shown;
    }

private Q_SLOTS:
    void initTestCase()
    {
        // Rolls here must stay silent on a developer's desk: no sound server is reachable.
        qputenv("PULSE_SERVER", "unix:/nonexistent/pelko-test-socket");
    }

    void init()
    {
        m_settings = SettingsValues();
        m_strip = std::make_unique<DiceStrip>(m_settings);
        m_strip->setSeed(4242);
        m_strip->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_strip.get()));
        m_strip->clearFaces();
    }

    void cleanup() { m_strip.reset(); }

    void controlsSitWhereTheWindowExpects_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("number") << u"ComboBoxNumber"_s << QRect(8, 10, 33, 20);
        QTest::newRow("pip max") << u"ComboBoxPipMax"_s << QRect(60, 10, 29, 20);
        QTest::newRow("image") << u"ImageDice"_s << QRect(93, 4, 320, 32);
        QTest::newRow("total") << u"LabelTotal"_s << QRect(418, 12, 24, 17);
        QTest::newRow("button") << u"ButtonRoll"_s << QRect(448, 12, 33, 17);
    }
    void controlsSitWhereTheWindowExpects()
    {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QCOMPARE(child<QWidget>(name)->geometry(), geometry);
        QCOMPARE(m_strip->objectName(), u"PanelDice"_s);
        QCOMPARE(m_strip->size(), QSize(490, 40));
        QCOMPARE(child<QLabel>(u"LabelDice"_s)->pos(), QPoint(46, 14));
    }

    // The boxes are narrow: every number they offer must show whole beside the drop-down
    // button, and the list they drop is as wide as the box, not a wider one of the desktop's.
    void everyNumberShowsWholeBesideTheButton_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("number") << u"ComboBoxNumber"_s;
        QTest::newRow("pip max") << u"ComboBoxPipMax"_s;
    }
    void everyNumberShowsWholeBesideTheButton()
    {
        QFETCH(QString, name);
        auto *box = child<QComboBox>(name);
        QStyleOptionComboBox option;
        option.initFrom(box);
        const auto rect = [&](QStyle::SubControl part) {
            return box->style()->subControlRect(QStyle::CC_ComboBox, &option, part, box);
        };
        const QRect field = rect(QStyle::SC_ComboBoxEditField);
        const QRect button = rect(QStyle::SC_ComboBoxArrow);
        QVERIFY(box->rect().contains(button));
        QVERIFY(field.left() > 0 && field.right() < button.left());
        const QFontMetrics metrics(box->font());
        for (int i = 0; i < box->count(); ++i) {
            // One pixel more for the bold drawn by widening the regular face.
            const int width = metrics.horizontalAdvance(box->itemText(i)) + 1;
            QVERIFY2(width <= field.width(), qPrintable(box->itemText(i)));
        }
        box->showPopup();
        QAbstractItemView *view = box->view();
        QTRY_VERIFY(view->isVisible());
        QCOMPARE(view->window()->width(), box->width());
        // In the list too, every number has the room it asks for ("10" once drew blank).
        for (int i = 0; i < box->count(); ++i) {
            const QModelIndex index = box->model()->index(i, 0);
            QStyleOptionViewItem item;
            item.initFrom(view);
            item.font = box->font();
            const int wanted = view->itemDelegateForIndex(index)->sizeHint(item, index).width();
            QVERIFY2(wanted <= view->viewport()->width(), qPrintable(box->itemText(i)));
        }
        box->hidePopup();
    }

    void theStripStartsIdleWithTwoSixSidedDice()
    {
        QCOMPARE(number()->count(), 10);
        QCOMPARE(number()->itemText(9), u"10"_s);
        QCOMPARE(number()->currentText(), u"2"_s);
        QCOMPARE(number()->maxVisibleItems(), 10);
        QCOMPARE(number()->toolTip(), u"ダイスの数"_s);
        QCOMPARE(pipMax()->count(), 9);
        QCOMPARE(pipMax()->currentText(), u"6"_s);
        QCOMPARE(pipMax()->toolTip(), u"出目の最大値"_s);
        QCOMPARE(child<QLabel>(u"LabelDice"_s)->text(), u"D"_s);
        QCOMPARE(total()->text(), QString());
        QCOMPARE(total()->toolTip(), u"合計"_s);
        QCOMPARE(button()->text(), u"Start"_s);
        QCOMPARE(button()->toolTip(), u"ダイスを振る"_s);
        QVERIFY(!timer()->isActive());
        QCOMPARE(timer()->interval(), 50);
        QCOMPARE(m_strip->state(), DiceStrip::State::Idle);
        QCOMPARE(m_strip->diceCount(), 2);
        QCOMPARE(m_strip->pipMax(), 6);
        QVERIFY(!m_strip->percentileMode());
        QVERIFY(!m_strip->soundLoaded());
    }

    void oneButtonStartsAndStopsTheRoll()
    {
        click();
        QCOMPARE(m_strip->state(), DiceStrip::State::Rolling);
        QVERIFY(m_strip->isRolling());
        QVERIFY(timer()->isActive());
        QCOMPARE(button()->text(), u"Stop"_s);
        QCOMPARE(button()->toolTip(), u"ダイスを止める"_s);
        QCOMPARE(total()->text(), QString());

        click();
        QCOMPARE(m_strip->state(), DiceStrip::State::Idle);
        QVERIFY(!timer()->isActive());
        QCOMPARE(button()->text(), u"Start"_s);
        QCOMPARE(button()->toolTip(), u"ダイスを振る"_s);
        QVERIFY(!total()->text().isEmpty());
    }

    void stoppingBeforeATickTotalsTheFacesDrawnAtStart()
    {
        choose(number(), 4);
        click();
        const QList<int> drawn = values();
        QCOMPARE(faces(), drawn);
        click();
        QCOMPARE(values(), drawn);
        QCOMPARE(faces(), drawn);
        QCOMPARE(total()->text(), QString::number(std::accumulate(drawn.begin(), drawn.end(), 0)));
    }

    void theTimerAnimatesTheDiceUntilStopped()
    {
        m_settings.variableRoll = false;
        click();
        QList<QList<int>> steps{values()};
        QTRY_VERIFY_WITH_TIMEOUT((steps.append(values()), steps.first() != steps.last()), 5000);
        click();
        const QList<int> result = values();
        QTest::qWait(150);
        QCOMPARE(values(), result);
        QCOMPARE(total()->text(), QString::number(result[0] + result[1]));
    }

    void aVariableRollStartsSlowAndSpeedsUp()
    {
        click();
        QList<int> intervals{timer()->interval()};
        for (int tick = 0; tick < 6; ++tick) {
            m_strip->rollStep();
            intervals.append(timer()->interval());
        }
        QCOMPARE(intervals, (QList<int>{300, 200, 133, 88, 58, 50, 50}));
    }

    void theRollSpeedIsChosenOnlyAtStart()
    {
        m_settings.variableRoll = false;
        click();
        QCOMPARE(timer()->interval(), 50);
        m_settings.variableRoll = true;
        m_strip->rollStep();
        QCOMPARE(timer()->interval(), 50);
        click();
        click();
        QCOMPARE(timer()->interval(), 300);
    }

    void percentileDiceShowDigitsAndReadAsOneHundredSidedDie_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("max");
        QTest::addColumn<bool>("percentile");
        QTest::newRow("two ten-sided dice") << 2 << 9 << true;
        QTest::newRow("three dice") << 3 << 9 << false;
        QTest::newRow("maximum 8") << 2 << 8 << false;
    }
    void percentileDiceShowDigitsAndReadAsOneHundredSidedDie()
    {
        QFETCH(int, count);
        QFETCH(int, max);
        QFETCH(bool, percentile);
        m_settings.zeroDice = true;
        m_settings.percentileDice = true;
        m_settings.numberDice = false;
        choose(number(), count - 1);
        choose(pipMax(), max - 1);
        QCOMPARE(m_strip->percentileMode(), percentile);
        for (int round = 0; round < 30; ++round) {
            click();
            click();
            const QList<int> v = values();
            for (int cell = 0; cell < count; ++cell)
                QCOMPARE(faces()[cell], percentile ? v[cell] + 10 : v[cell]);
            const int sum = std::accumulate(v.begin(), v.end(), 0);
            const int reading = 10 * v[0] + v[1];
            const int expected = percentile ? (reading == 0 ? 100 : reading) : sum;
            QCOMPARE(total()->text(), QString::number(expected));
        }
        if (!percentile)
            return;
        // A third die ends the hundred-sided reading: pips again, and a plain sum.
        choose(number(), 2);
        QVERIFY(!m_strip->percentileMode());
        click();
        click();
        const QList<int> v = values();
        QCOMPARE(faces(), v);
        QCOMPARE(total()->text(), QString::number(std::accumulate(v.begin(), v.end(), 0)));
    }

    void theDrawingUsesTheLastPercentileDecision()
    {
        choose(pipMax(), 8);
        m_settings.zeroDice = true;
        m_settings.percentileDice = true;
        // The window redraws first and decides afterwards when settings are applied.
        m_strip->drawFaces(false);
        QVERIFY(faces()[0] < 10);
        QVERIFY(m_strip->updatePercentileMode());
        m_strip->drawFaces(false);
        QVERIFY(faces()[0] >= 10);
    }

    // Each row: the dice of a test. The outcome is said whole; shown, each line fits the label
    // and the label stays clear of the total; the name is cut short only where room lacks.
    void theOutcomeOfATestIsReadableWhole_data()
    {
        QTest::addColumn<int>("dice");
        QTest::newRow("2 dice") << 2;
        QTest::newRow("10 dice") << 10;
    }
    void theOutcomeOfATestIsReadableWhole()
    {
        QFETCH(int, dice);
        m_strip->rollDice(dice);
        QTRY_VERIFY(!m_strip->isRolling());
        m_strip->showOutcome(u"運試し運試し運試"_s, u"24 > 20 失敗"_s);
        auto *label = child<QLabel>(u"LabelOutcome"_s);
        QCOMPARE(label->accessibleName(), u"運試し運試し運試 24 > 20 失敗"_s);
        QCOMPARE(label->text() == label->accessibleName(), dice == 2);
        QVERIFY(label->text().endsWith(u"24 > 20 失敗"_s));
        for (const QString &line : label->text().split(u'\n'))
            QVERIFY2(QFontMetrics(label->font()).horizontalAdvance(line) <=
                         label->contentsRect().width(),
                     qPrintable(line));
        QVERIFY(label->geometry().right() < total()->geometry().left());
    }

    void fewerDiceLeaveTheirCellsInTheButtonColour()
    {
        choose(number(), 9);
        for (int cell = 0; cell < DiceImage::CellCount; ++cell)
            QVERIFY(image()->face(cell).has_value());
        choose(number(), 2);
        QCOMPARE(m_strip->diceCount(), 3);
        click();
        click();
        const QList<int> v = values(); // the faces of the dice dropped are not counted
        QCOMPARE(total()->text(), QString::number(std::accumulate(v.begin(), v.end(), 0)));
        const QImage canvas = image()->canvas().toImage();
        const qreal ratio = canvas.devicePixelRatio();
        const QRgb button = m_strip->palette().color(QPalette::Button).rgb();
        for (int cell = 0; cell < DiceImage::CellCount; ++cell) {
            const bool inUse = cell < 3;
            QCOMPARE(image()->face(cell).has_value(), inUse);
            const int left = qRound(cell * 32 * ratio);
            if (inUse) {
                QVERIFY(canvas.pixel(left + qRound(6 * ratio), qRound(16 * ratio)) != button);
                continue;
            }
            for (int y = 0; y < canvas.height(); ++y)
                for (int x = left; x < left + qRound(32 * ratio); ++x)
                    QVERIFY2(canvas.pixel(x, y) == button, qPrintable(u"%1,%2"_s.arg(x).arg(y)));
        }
    }

    void aRedrawEmptiesTheTotal_data()
    {
        QTest::addColumn<std::function<void(TestDiceStrip *)>>("redraw");
        QTest::newRow("settings applied") << std::function<void(TestDiceStrip *)>(
            [](TestDiceStrip *t) { t->m_strip->drawFaces(false); });
        QTest::newRow("new count") << std::function<void(TestDiceStrip *)>(
            [](TestDiceStrip *t) { choose(t->number(), 5); });
        QTest::newRow("new maximum") << std::function<void(TestDiceStrip *)>(
            [](TestDiceStrip *t) { choose(t->pipMax(), 3); });
        QTest::newRow("new roll") << std::function<void(TestDiceStrip *)>(
            [](TestDiceStrip *t) { t->click(); });
    }
    void aRedrawEmptiesTheTotal()
    {
        QFETCH(std::function<void(TestDiceStrip *)>, redraw);
        click();
        click();
        QVERIFY(!total()->text().isEmpty());
        redraw(this);
        QCOMPARE(total()->text(), QString());
    }

    void oneFacedDiceShowOneOrZero_data()
    {
        QTest::addColumn<bool>("zero");
        QTest::newRow("from 1") << false;
        QTest::newRow("from 0") << true;
    }
    void oneFacedDiceShowOneOrZero()
    {
        QFETCH(bool, zero);
        m_settings.zeroDice = zero;
        choose(number(), 9);
        choose(pipMax(), 0);
        QSet<int> seen;
        for (int round = 0; round < 20; ++round) {
            click();
            click();
            for (int v : values())
                seen.insert(v);
            QCOMPARE(faces(), values());
            if (!zero)
                QCOMPARE(total()->text(), u"10"_s);
        }
        QCOMPARE(seen, zero ? (QSet<int>{0, 1}) : (QSet<int>{1}));
    }

    void settingsApplyFromTheNextStep()
    {
        click();
        QVERIFY(faces()[0] < 10);
        m_settings.numberDice = true;
        m_strip->rollStep();
        QCOMPARE(faces()[0], values()[0] + 10);
        QVERIFY(m_strip->isRolling());
    }

    void theSoundPlaysAtEachStepOnlyWhenLoadedAndWanted_data()
    {
        QTest::addColumn<bool>("loaded");
        QTest::addColumn<bool>("wanted");
        QTest::newRow("loaded and wanted") << true << true;
        QTest::newRow("not wanted") << true << false;
        QTest::newRow("not loaded") << false << true;
    }
    void theSoundPlaysAtEachStepOnlyWhenLoadedAndWanted()
    {
        QFETCH(bool, loaded);
        QFETCH(bool, wanted);
        m_settings.soundEffect = wanted;
        if (loaded) {
            QFile wav(QStringLiteral(PELKO_DICEROLL_WAV));
            QVERIFY(wav.open(QIODevice::ReadOnly));
            m_strip->setSound(wav.readAll());
            QVERIFY(m_strip->soundPlayer()->isPlayable());
        }
        QCOMPARE(m_strip->soundLoaded(), loaded);
        QSignalSpy played(m_strip->soundPlayer(), &SoundPlayer::played);
        const int expected = loaded && wanted ? 1 : 0;
        click();
        if (expected)
            QVERIFY(played.wait());
        m_strip->rollStep();
        if (expected)
            QVERIFY(played.wait());
        click();
        m_strip->drawFaces(false);
        choose(number(), 4);
        QTest::qWait(100);
        QCOMPARE(played.size(), 2 * expected);
        // No device here: the output reports that nothing was heard, and nothing fails.
        for (const auto &call : played)
            QCOMPARE(call.at(0).toBool(), false);
    }

    void anUnplayableSoundFileRollsSilently()
    {
        m_strip->setSound("not a wave file");
        QVERIFY(m_strip->soundLoaded());
        QVERIFY(!m_strip->soundPlayer()->isPlayable());
        QSignalSpy played(m_strip->soundPlayer(), &SoundPlayer::played);
        click();
        m_strip->rollStep();
        click();
        QTest::qWait(100);
        QCOMPARE(played.size(), 0);
        QVERIFY(!total()->text().isEmpty());
    }
};

QTEST_MAIN(TestDiceStrip)
#include "tst_dicestrip.moc"
