#pragma once

#include <QString>

// What a settings file may be called. A settings file lives beside the program and its name
// travels in every save file as code page 932 bytes, so a name must stay in that folder, be
// holdable in that code page, and keep its base name within the 16 bytes a save file keeps.
namespace IniFileName {

// ".ini" included, so that the base name never exceeds 16 bytes.
inline constexpr qsizetype MaxBytes = 20;

QString defaultName();

// The file the dialog's save and set buttons write for the text of its file field: the text,
// or "Default.ini" when it is empty or only the ending ".ini".
QString target(const QString &fieldText);

// Whether the text of the file field keeps within MaxBytes once the ending ".ini" is counted.
bool fits(const QString &text);

// What keeps text from being typed into the file field, in the words the user is shown:
// a path separator, a control character, a character code page 932 cannot hold, or more than
// MaxBytes bytes once the ending ".ini" that the field adds is counted. Empty when nothing.
QString typingProblem(const QString &text);

// What keeps name from being written as a settings file: every typing problem, and a ".."
// that could lead out of the program's folder. Empty when nothing.
QString problem(const QString &name);

} // namespace IniFileName
