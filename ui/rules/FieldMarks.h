#pragma once

#include <QString>

class QLabel;
class QWidget;

// How the rules' windows tell a value that cannot stand: the field is marked, and its reason
// is its tooltip and its accessible description, for the eye and for assistive technology
// alike; a label under the form says it in words.
namespace FieldMarks {

// Marks field with reason; an empty reason takes the mark away.
void mark(QWidget *field, const QString &reason);

// The label under a form that tells why its values cannot stand, in the colour of a warning.
QLabel *problemLabel(QWidget *parent, const QString &name);

// A caption as a screen reader should say it: "名前(&M)" is "名前", "a&&b" is "a&b".
QString withoutMnemonic(const QString &caption);

// Names every button and tab under root by its caption without its access letter.
void nameByCaptions(QWidget *root);

} // namespace FieldMarks
