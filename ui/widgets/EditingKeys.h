#pragma once

class QKeyEvent;

// Keys that edit a box without typing a character into it: copy, cut, paste, undo, redo and
// select all, and Tab, which moves the focus. A box that filters the characters typed into it
// lets these through, whatever text the keyboard gives them.
namespace EditingKeys {

bool isEditingShortcut(const QKeyEvent *key);

} // namespace EditingKeys
