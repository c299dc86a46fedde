#include "EditingKeys.h"

#include <QKeyEvent>

#include <algorithm>

namespace EditingKeys {

namespace {

constexpr QKeySequence::StandardKey OtherEditingKeys[] = {
    QKeySequence::Copy,      QKeySequence::Cut,
    QKeySequence::Paste,     QKeySequence::Undo,
    QKeySequence::Redo,      QKeySequence::SelectAll,
    QKeySequence::Deselect,  QKeySequence::Delete,
    QKeySequence::Backspace, QKeySequence::DeleteCompleteLine};

} // namespace

bool isEditingShortcut(const QKeyEvent *key)
{
    if (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)
        return true;
    for (const auto shortcut : {QKeySequence::Copy, QKeySequence::Cut, QKeySequence::Paste,
                                QKeySequence::Undo, QKeySequence::Redo, QKeySequence::SelectAll}) {
        if (key->matches(shortcut))
            return true;
    }
    return false;
}

bool isTextEditingKey(const QKeySequence &keys)
{
    using K = QKeySequence;
    const auto bound = [&keys](int key) {
        return K::keyBindings(K::StandardKey(key)).contains(keys);
    };
    // Moving, selecting, deleting and breaking lines are one run of the enumeration.
    for (int key = K::MoveToNextChar; key <= K::InsertLineSeparator; ++key) {
        if (bound(key))
            return true;
    }
    return std::any_of(std::begin(OtherEditingKeys), std::end(OtherEditingKeys), bound);
}

QList<QKeySequence> commandKeys(QKeySequence::StandardKey command, const QKeySequence &fallback)
{
    QList<QKeySequence> keys = QKeySequence::keyBindings(command);
    if (keys.isEmpty())
        keys.append(fallback);
    keys.removeIf(isTextEditingKey);
    return keys;
}

} // namespace EditingKeys
