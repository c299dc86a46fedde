#pragma once

#include <QString>
#include <QStringList>

// The six families of one-character flag labels that the settings dialog generates runs from,
// and the rule that turns the dialog's label list into flagText and flagNumber of a settings
// record. Every character of every family is a double-byte character of code page 932.
namespace FlagFamilies {

inline constexpr int Count = 6;

// The family names in the order the dialog offers them: "ALPHABET" first.
QStringList names();

// The labels of a family, one character each, in their order; empty for an unknown family.
QStringList characters(int family);

// The labels from index start to index end of labels, both included: ascending when start is
// below end, descending when it is above, the one label when they are equal. Indexes outside
// the list give no labels.
QStringList range(const QStringList &labels, int start, int end);

// The rows a drop-down of itemCount items shows at once: two thirds, rounded down.
int dropDownRows(int itemCount);

// "Ａ～Ｚ" for the start Ａ and the end Ｚ.
QString rangeText(const QString &start, const QString &end);
QString addHint(const QString &rangeText);
QString newHint(const QString &rangeText);

struct Labels
{
    int count = 0;
    QString text; // every label followed by CR LF
};

// The labels of a list text, one per line. A line end after the last line adds no line, empty
// lines between labels count, and each label loses the ASCII blanks and control characters at
// its ends (a full-width space is part of a label).
Labels labelsFromText(QStringView text);

} // namespace FlagFamilies
