#include "DiceStatistics.h"

#include "Dice.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <span>

using namespace Qt::StringLiterals;

namespace {

constexpr double Epsilon = 1e-15;
constexpr int MaxIterations = 1000;

// P(a, x) by its series, for x < a + 1 where it converges fast.
double lowerSeries(double a, double x)
{
    double term = 1.0 / a;
    double sum = term;
    for (int n = 1; n < MaxIterations; ++n) {
        term *= x / (a + n);
        sum += term;
        if (std::abs(term) < std::abs(sum) * Epsilon)
            break;
    }
    return sum * std::exp(-x + a * std::log(x) - std::lgamma(a));
}

// Q(a, x) by its continued fraction (modified Lentz), for x >= a + 1.
double upperFraction(double a, double x)
{
    constexpr double Tiny = std::numeric_limits<double>::min() / Epsilon;
    double b = x + 1.0 - a;
    double c = 1.0 / Tiny;
    double d = 1.0 / b;
    double h = d;
    for (int i = 1; i < MaxIterations; ++i) {
        const double an = -i * (i - a);
        b += 2.0;
        d = an * d + b;
        if (std::abs(d) < Tiny)
            d = Tiny;
        c = b + an / c;
        if (std::abs(c) < Tiny)
            c = Tiny;
        d = 1.0 / d;
        const double delta = d * c;
        h *= delta;
        if (std::abs(delta - 1.0) < Epsilon)
            break;
    }
    return std::exp(-x + a * std::log(x) - std::lgamma(a)) * h;
}

// The chances of each total of `dice` fair dice showing lowest..highest.
QList<double> sumChances(int dice, int lowest, int highest)
{
    const int kinds = highest - lowest + 1;
    QList<double> chances{1.0}; // index: the total less dice * lowest
    for (int d = 0; d < dice; ++d) {
        QList<double> next(chances.size() + kinds - 1, 0.0);
        for (qsizetype i = 0; i < chances.size(); ++i)
            for (int f = 0; f < kinds; ++f)
                next[i + f] += chances[i] / kinds;
        chances = std::move(next);
    }
    return chances;
}

int sumOf(const QList<int> &faces)
{
    int sum = 0;
    for (int face : faces)
        sum += face;
    return sum;
}

enum class Reading { Sum, Hundred, Other, Either };

// How one roll was read: two dice of 0..9 whose total is their hundred-sided reading and not
// their sum were read as one hundred-sided die; when both readings are the same, either.
Reading readingOf(const DiceEvent &roll)
{
    const bool sum = roll.total == sumOf(roll.faces);
    const bool pair = roll.faces.size() == 2 &&
                      std::all_of(roll.faces.cbegin(), roll.faces.cend(),
                                  [](int face) { return face >= 0 && face <= Dice::MaxPipMax; });
    if (pair && roll.total == Dice::total(std::span<const int>(roll.faces.constData(), 2), 2, true))
        return sum ? Reading::Either : Reading::Hundred;
    return sum ? Reading::Sum : Reading::Other;
}

// The reading of every roll, a roll that reads either way taking that of the nearest pair of
// dice that was told apart: the last before it, or the first after it; a sum when none was.
QList<Reading> readingsOf(const QList<DiceEvent> &rolls)
{
    QList<Reading> readings;
    QList<qsizetype> waiting;
    std::optional<Reading> last;
    for (const DiceEvent &roll : rolls) {
        Reading reading = readingOf(roll);
        const bool told =
            reading == Reading::Hundred || (reading == Reading::Sum && roll.faces.size() == 2);
        if (reading == Reading::Either && last) {
            reading = *last;
        } else if (reading == Reading::Either) {
            waiting.append(readings.size());
        } else if (told) {
            last = reading;
            for (qsizetype i : std::as_const(waiting))
                readings[i] = reading;
            waiting.clear();
        }
        readings.append(reading);
    }
    for (qsizetype i : std::as_const(waiting))
        readings[i] = Reading::Sum;
    return readings;
}

} // namespace

double DiceStatistics::upperGammaQ(double a, double x)
{
    if (!(a > 0) || std::isnan(x))
        return std::numeric_limits<double>::quiet_NaN();
    if (x <= 0)
        return 1.0;
    if (std::isinf(x))
        return 0.0;
    return x < a + 1.0 ? 1.0 - lowerSeries(a, x) : upperFraction(a, x);
}

DiceStatistics::DiceStatistics(const QList<DiceEvent> &rolls)
{
    for (const DiceEvent &roll : rolls) {
        for (int face : roll.faces) {
            m_lowest = std::min(m_lowest, face);
            m_highest = std::max(m_highest, face);
        }
    }
    m_lowest = std::max(m_lowest, 0);
    m_faceCounts.fill(0, faceKinds());
    // Rolls of the same number of dice share their chances: worked out once per count.
    QMap<int, QList<double>> chancesOf;
    const QList<Reading> readings = readingsOf(rolls);
    for (qsizetype r = 0; r < rolls.size(); ++r) {
        const DiceEvent &roll = rolls[r];
        if (roll.faces.isEmpty())
            continue;
        ++m_rolls;
        for (int face : roll.faces) {
            if (face >= m_lowest && face <= m_highest) {
                ++m_faceCounts[face - m_lowest];
                ++m_throws;
            }
        }
        if (readings[r] == Reading::Hundred) {
            ++m_hundredCounts[roll.total - 1];
            ++m_hundredRolls;
            continue;
        }
        ++m_totals[roll.total];
        if (readings[r] != Reading::Sum)
            continue;
        const int dice = int(roll.faces.size());
        auto chances = chancesOf.find(dice);
        if (chances == chancesOf.end())
            chances = chancesOf.insert(dice, sumChances(dice, m_lowest, m_highest));
        for (qsizetype i = 0; i < chances->size(); ++i)
            m_expectedTotals[dice * m_lowest + int(i)] += (*chances)[i];
    }
    if (m_throws == 0)
        return;
    const double expected = expectedPerFace();
    for (int count : std::as_const(m_faceCounts))
        m_chiSquare += (count - expected) * (count - expected) / expected;
    m_pValue = upperGammaQ(degreesOfFreedom() / 2.0, m_chiSquare / 2.0);
}

double DiceStatistics::expectedPerFace() const
{
    return double(m_throws) / faceKinds();
}

DiceStatistics::Verdict DiceStatistics::verdict() const
{
    if (m_throws == 0 || expectedPerFace() < FewestExpectedPerFace)
        return Verdict::TooFewRolls;
    return m_pValue < SuspiciousBelow ? Verdict::Suspicious : Verdict::Consistent;
}

QString DiceStatistics::verdictText() const
{
    switch (verdict()) {
    case Verdict::TooFewRolls:
        return u"判断するにはまだロールが足りません (1つの目あたり %1 回以上必要です)。"_s.arg(
            int(FewestExpectedPerFace));
    case Verdict::Consistent:
        return u"公平なダイスと矛盾しません。"_s;
    case Verdict::Suspicious:
        break;
    }
    return u"警告: 公平なダイスでこれほど偏る確率は 1% 未満です。"_s;
}
