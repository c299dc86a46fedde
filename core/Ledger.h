#pragma once

#include "SheetDelta.h"
#include "SheetState.h"
#include "SheetStep.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

// The story of a session told by paragraph: one row for the start and one for each step that
// changed where the reader is (a registration, and also clearing the route, New, Open, a sheet
// taken up and a rewind), with what changed while the reader was there. A roll is told on the
// step it was rolled on; rolls on steps not in effect are left out. The texts are those of the
// history window and of the exported ledger.
class Ledger
{
public:
    struct Row
    {
        enum class Kind { Start, Register, ClearRoute, New, Open, Rewind, Resume };
        Kind kind = Kind::Start;
        qint64 timeMs = 0;
        std::uint16_t paragraph = 0; // the last route entry after the step, 0 for none
        int stepIndex = 0;           // the steps in effect right after the row began
        QString title;               // "[3] 2026-12-07 11:59:03 パラグラフ 12"
        QStringList changes;         // one text per change made while on this row
    };

    // steps are those in effect (the redo tail left out). abilityNames and flagLabels name the
    // abilities and flags in the texts; an empty or missing name reads "能力N" or "フラグN".
    // startedMs is the time of the start row.
    Ledger(const SheetState &initial, const QList<SheetStep> &steps, const QList<DiceEvent> &dice,
           const QStringList &abilityNames, const QStringList &flagLabels, qint64 startedMs = 0);

    const QList<Row> &rows() const { return m_rows; }
    int stepCount() const { return m_stepCount; }

    // Brings the ledger to the first count steps of a history whose first `unchanged` steps
    // are those it was made from (the others were added, changed or taken back since), with
    // its dice. Only the rows from the one holding step `unchanged` on are told again: a step
    // typed on a long history costs what the current paragraph holds. Returns the first row
    // that changed; rows before it are as they were.
    int update(int unchanged, int count, const std::function<const SheetStep &(int)> &stepAt,
               const QList<DiceEvent> &dice);
    bool namesAre(const QStringList &abilityNames, const QStringList &flagLabels) const
    {
        return abilityNames == m_abilityNames && flagLabels == m_flagLabels;
    }

    // The sheet as it was right after row began: the state a rewind to it restores.
    SheetState stateAtRow(int row) const;
    // What brings current to stateAtRow(row), but for the save file, which stays: a rewind
    // takes the game back, not the file Save writes to. When current is the sheet the ledger
    // ends with,
    // the row's route is the start of current's: the route is then cut back without being
    // copied or compared, so that the cost does not grow with the route's length.
    SheetDelta rewindDelta(const SheetState &current, int row) const;

    // The text of the exported ledger, one line per element, for TextReport. title is the
    // character name shown on top. A character code page 932 cannot hold (an accented letter
    // in a folder's name, say) is written as "<U+00E9>", its code point, so that the export
    // never fails over a name.
    QStringList lines(const QString &title) const;
    // The file name of the exported ledger for a character name: name + "_履歴.txt", or
    // "履歴.txt" without a name; "/" and "\" in the name become "／" and "＼", a control
    // character "_", so that the name always makes a file of the program folder.
    static QString exportFileName(const QString &characterName);

    // Formats a time as the texts show it, in local time: "2026-12-07 11:59:03".
    static QString timeText(qint64 timeMs);

private:
    QStringList changeTexts(const SheetDelta &delta) const;
    void beginRow(Row::Kind kind, qint64 timeMs, int stepIndex, const SheetState &state);
    void followRoute(const SheetDelta::RouteChange &change);
    // Tells steps [first, count) after the sheet state, the rolls from first on placed among
    // them.
    void tell(SheetState state, int first, int count,
              const std::function<const SheetStep &(int)> &stepAt);

    QStringList m_abilityNames;
    QStringList m_flagLabels;
    int m_store = 0;       // the route store that holds the route as it runs
    int m_routeLength = 0; // how much of it

    struct Snapshot
    {
        SheetState withoutRoute;
        int routeStore = 0;
        int routeLength = 0;
    };

    QList<Row> m_rows;
    QList<Snapshot> m_snapshots;               // one per row
    QList<QList<std::uint16_t>> m_routeStores; // routes as a record holds them, entry 0 too
    QList<DiceEvent> m_dice;                   // in the order of their steps
    int m_stepCount = 0;
};
