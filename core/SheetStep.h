#pragma once

#include "SheetDelta.h"

#include <QList>
#include <QString>

// One step of the sheet's history as a person sees it: the keystrokes typed into one box in a
// row, one spin click, one flag ticked, one paragraph registered, and so on.
struct SheetStep
{
    // The values are stored in the journal: append new kinds, never renumber.
    enum class Kind {
        Typing = 1, // field names the box
        Spin = 2,   // field names the box
        Flag = 3,
        Register = 4,
        ClearRoute = 5,
        New = 6,
        Open = 7,
        Settings = 8,
        Rewind = 9,
        LinkMode = 10,
        RoutePanel = 11,
        Save = 12,
        Other = 13,
        Resume = 14, // a sheet left unsaved taken up again
        Test = 15,   // a test of the book's rules; field is the line the ledger shows
        Round = 16,  // a combat round; field as for Test
    };

    Kind kind = Kind::Other;
    QString field;     // the box (its objectName) for Typing and Spin, the outcome for Test and
                       // Round, else empty
    qint64 timeMs = 0; // milliseconds since the epoch, UTC
    SheetDelta delta;
    // For an Open or a Resume, the step of the journal whose sheet this one continues (0 for
    // none): the history that led there is told before this step.
    qint64 origin = 0;

    bool operator==(const SheetStep &) const = default;

    static bool isKnownKind(int value);

    // Whether later, typed right after this step, belongs to it: keystrokes into the same box.
    bool canMerge(const SheetStep &later) const;
    // Folds later into this step (time becomes later's) when canMerge allows it.
    bool mergeWith(const SheetStep &later);
};

// A roll of the dice: not a change of the sheet, but part of its story.
struct DiceEvent
{
    qint64 timeMs = 0;
    QList<int> faces;
    int total = 0;
    // How many steps of the history were in effect when the dice were rolled: the roll belongs
    // to the last of them.
    int atStep = 0;
    // The faces were typed in from real dice.
    bool entered = false;

    bool operator==(const DiceEvent &) const = default;
};
