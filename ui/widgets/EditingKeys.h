#pragma once

#include <QKeySequence>
#include <QList>

class QKeyEvent;

// Keys that edit a box without typing a character into it: copy, cut, paste, undo, redo and
// select all, and Tab, which moves the focus. A box that filters the characters typed into it
// lets these through, whatever text the keyboard gives them.
namespace EditingKeys {

bool isEditingShortcut(const QKeyEvent *key);

// Whether a text box moves, selects or edits with this key on this desktop.
bool isTextEditingKey(const QKeySequence &keys);

// The desktop's keys for a command, or fallback where the desktop has none; a key that a text
// box needs for its editing is left out, so that the command never takes it from a box.
QList<QKeySequence> commandKeys(QKeySequence::StandardKey command, const QKeySequence &fallback);

} // namespace EditingKeys
