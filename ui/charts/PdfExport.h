#pragma once

#include <QByteArray>
#include <QString>

class ProgramDir;

// "pelko --pdf SAVEFILE OUTPUT.pdf": the printed sheet of a save file written to a PDF file,
// without a window. The save file is read as Open reads it, its settings file from the program
// directory; the chart shows what the save file itself tells. A file that does not load writes
// nothing.
namespace PdfExport {

// What went wrong goes to the error output; the exit status: 0 when the PDF was written, else 1.
// The files are named as the user reads them (saveFile, output) and by the bytes the user gave
// (saveFileName, outputName); readFrom, when given, is where the save file's bytes are read.
int run(const QString &saveFile, const QString &readFrom, const QByteArray &saveFileName,
        const QString &output, const QByteArray &outputName, const ProgramDir &programDir);

} // namespace PdfExport
