#pragma once

#include "SheetStep.h"

#include <QList>
#include <QMap>
#include <QString>

// Whether the dice of a history look fair: how often each face came up against how often a fair
// die would show it, Pearson's chi-square statistic over the faces and its p-value, and the
// totals of the rolls against the totals fair dice would give.
class DiceStatistics
{
public:
    enum class Verdict {
        TooFewRolls, // fewer than five throws expected per face: no test is worth its name
        Consistent,  // nothing speaks against a fair die
        Suspicious,  // a fair die gives faces this uneven less than once in a hundred
    };
    static constexpr double SuspiciousBelow = 0.01;
    static constexpr double FewestExpectedPerFace = 5.0;

    explicit DiceStatistics(const QList<DiceEvent> &rolls);

    // The faces a die of these rolls can show: 1..6 unless a face outside that came up, then
    // from 0 (when a 0 came up) or 1 to the highest face seen.
    int lowestFace() const { return m_lowest; }
    int highestFace() const { return m_highest; }
    int faceKinds() const { return m_highest - m_lowest + 1; }
    int rollCount() const { return m_rolls; }
    int throwCount() const { return m_throws; } // every die of every roll
    // Indexed by face - lowestFace().
    const QList<int> &faceCounts() const { return m_faceCounts; }
    double expectedPerFace() const;

    double chiSquare() const { return m_chiSquare; }
    int degreesOfFreedom() const { return faceKinds() - 1; }
    double pValue() const { return m_pValue; }
    Verdict verdict() const;
    // The verdict in a player's words.
    QString verdictText() const;

    // The totals of the rolls read as sums, and how many rolls fair dice would have given each
    // total: each roll counts with the chances of its own number of dice. A roll whose total is
    // neither the sum nor the hundred-sided reading of its faces counts among the totals rolled
    // but not among those expected.
    const QMap<int, int> &totals() const { return m_totals; }
    const QMap<int, double> &expectedTotals() const { return m_expectedTotals; }

    // The rolls read as one hundred-sided die (two dice of 0..9, ten times the first plus the
    // second, 0 and 0 reading 100): how often each reading 1..100 came up, indexed by reading - 1.
    // A fair pair gives each reading once in a hundred. The tens die showing 0 reads the same
    // either way ("0" and "7" total 7); such a roll is read as the nearest roll that tells the
    // two apart was read, before it or else after it, and as a sum when none does.
    static constexpr int HundredReadings = 100;
    const QList<int> &hundredCounts() const { return m_hundredCounts; }
    int hundredRolls() const { return m_hundredRolls; }
    double expectedPerHundred() const { return double(m_hundredRolls) / HundredReadings; }

    // The regularised upper incomplete gamma function Q(a, x) = Γ(a, x) / Γ(a), a > 0, x >= 0:
    // the chance that a chi-square variable of 2a degrees of freedom exceeds 2x.
    static double upperGammaQ(double a, double x);

private:
    int m_lowest = 1;
    int m_highest = 6;
    int m_rolls = 0;
    int m_throws = 0;
    QList<int> m_faceCounts;
    double m_chiSquare = 0;
    double m_pValue = 1;
    QMap<int, int> m_totals;
    QMap<int, double> m_expectedTotals;
    QList<int> m_hundredCounts = QList<int>(HundredReadings, 0);
    int m_hundredRolls = 0;
};
