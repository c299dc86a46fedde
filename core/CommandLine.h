#pragma once

#include <QString>
#include <QStringList>

// The forms of the command line that a terminal user or a file manager uses: "-h" or "--help",
// "--version", "--open FILE" and "--pdf SAVEFILE OUTPUT.pdf". They count only as the first
// argument, so that every other command line keeps the window's own rule (one argument ending in
// ".PKD" is opened).
class CommandLine
{
public:
    enum class Action {
        Run,     // start the window; openFile() names a file when "--open" gave one
        Help,    // print helpText() and end
        Version, // print versionText() and end
        Fail,    // print errorText() to the error output and end with a failure
        Pdf,     // write the printed sheet of openFile() to pdfFile() without a window
    };

    // Where "--pdf" finds its two files among the arguments.
    static constexpr qsizetype PdfSaveFileArgument = 2;
    static constexpr qsizetype PdfFileArgument = 3;

    // arguments[0] is the program itself.
    explicit CommandLine(const QStringList &arguments);

    Action action() const { return m_action; }
    const QString &openFile() const { return m_openFile; }
    const QString &pdfFile() const { return m_pdfFile; }
    const QString &errorText() const { return m_errorText; }
    // Japanese throughout but for the option names; the usage lines name the program as it was
    // called.
    QString helpText() const;
    static QString versionText();

private:
    Action m_action = Action::Run;
    QString m_openFile;
    QString m_pdfFile;
    QString m_errorText;
    QString m_programName;
};
