#pragma once

class QFileDialog;

// Sets up a file dialog of the program's own so that showing a folder never opens a file in
// it. The usual icons and type names come from each file's contents, read by opening and
// closing it: in the program folder that would be the journal, and closing any descriptor of
// a file drops every lock the process holds on it, the database's among them (see
// core/JournalLocks.h). Here a file is told by its name alone.
namespace FileDialogs {
void readNoContents(QFileDialog *dialog);
}
