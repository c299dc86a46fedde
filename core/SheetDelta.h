#pragma once

#include "SheetState.h"

#include <QByteArray>
#include <QList>
#include <QString>

#include <cstdint>
#include <optional>

// The difference between two sheet states, holding only what changed, each change with its old
// and new value, so that it can be applied either way. A window that applies a delta can look
// at which members are set to know which boxes to write.
class SheetDelta
{
public:
    enum class Direction { Forward, Back };

    template <typename T> struct Change
    {
        T before{};
        T after{};
        bool operator==(const Change &) const = default;
    };

    // One element of an array: an origin, a current value or a flag (0 or 1).
    struct IndexedChange
    {
        int index = 0;
        int before = 0;
        int after = 0;
        bool operator==(const IndexedChange &) const = default;
    };

    // Registration appends, clearing and rewinding truncate; anything else replaces the route
    // whole. Entries are those after entry 0, which always holds 0.
    struct RouteChange
    {
        enum class Kind { Append, Truncate, Replace };
        Kind kind = Kind::Replace;
        // Append: the count before; Truncate: the count after.
        int baseCount = 0;
        // Append: the entries added; Truncate: the entries removed.
        QList<std::uint16_t> entries;
        // Replace: the whole route before and after.
        QList<std::uint16_t> before;
        QList<std::uint16_t> after;
        bool operator==(const RouteChange &) const = default;

        int countBefore() const;
        int countAfter() const;
    };

    // The record's own fields.
    std::optional<Change<QString>> iniFileName; // the record's settings file name
    std::optional<Change<QString>> name;
    std::optional<Change<int>> ablCount;
    std::optional<Change<bool>> overLoad;
    std::optional<Change<bool>> minusEnable;
    QList<IndexedChange> origin;  // sorted by index
    QList<IndexedChange> current; // sorted by index
    std::optional<Change<int>> money;
    std::optional<Change<QString>> inventory;
    std::optional<RouteChange> route;
    std::optional<Change<int>> flagCount;
    QList<IndexedChange> flags; // sorted by index
    // The rest of the sheet.
    std::optional<Change<QString>> settingsFile;
    std::optional<Change<SettingsValues>> settings;
    std::optional<Change<bool>> linkMode;
    std::optional<Change<QString>> saveFile;
    std::optional<Change<bool>> routePanelShown;
    std::optional<Change<int>> paragraph;

    bool operator==(const SheetDelta &) const = default;

    // What turns before into after. Unchanged texts and lists shared between the two are
    // recognised without looking at their content.
    static SheetDelta between(const SheetState &before, const SheetState &after);

    bool isEmpty() const;

    // state with the delta applied forward (old values replaced by new ones) or back. The
    // values are restored exactly as they were, whatever limits the record's flags impose
    // on the way.
    SheetState applyTo(SheetState state, Direction direction) const;

    // Folds a delta that came right after this one into it, so that the two become one step,
    // as the keystrokes typed into one box do. Refuses (and changes nothing) when both change
    // the route. The result may be empty when the later change undid the earlier one.
    bool mergeWith(const SheetDelta &later);

    // The delta as bytes for the journal, and back; decode rejects bytes that no encode made.
    QByteArray encode() const;
    static std::optional<SheetDelta> decode(const QByteArray &bytes);
};
