#pragma once

#include <QByteArray>
#include <QString>

// Where "pelko --pdf" may write the printed sheet. The output is named by the bytes the user
// gave (a name in code page 932 is no text); shownOutput is that name as the user reads it.
// Never the save file being read, by whatever path or link it is named, and never over anything
// but a PDF (or an empty file), which the program replaces without asking.
namespace PdfOutput {

// Why the sheet of the save file read from source may not be written to output; empty when it
// may. A missing output is no problem: it is made.
QString problem(const QByteArray &output, const QString &shownOutput, const QByteArray &source);

} // namespace PdfOutput
