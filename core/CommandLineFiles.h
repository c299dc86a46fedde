#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// The command line as the system hands it over: bytes. A file name is bytes too, and an old
// archive unpacked without conversion leaves names in code page 932 that are no UTF-8 text.
// Such a name is shown decoded from code page 932, and the file is opened by its own bytes.
class CommandLineFiles
{
public:
    // arguments[0] is the program itself.
    explicit CommandLineFiles(const QList<QByteArray> &arguments);
    CommandLineFiles(int argc, const char *const *argv);
    ~CommandLineFiles();
    CommandLineFiles(const CommandLineFiles &) = delete;
    CommandLineFiles &operator=(const CommandLineFiles &) = delete;

    // The arguments as text to read, one for each argument.
    const QStringList &arguments() const { return m_arguments; }

    // A path by which the file named by text (an argument, or the FILE of "--open=FILE") can be
    // opened: text itself when its bytes are those of the argument, else a path through the
    // file opened by the argument's bytes. Text that names no argument, or a file that cannot be
    // opened, is given back as it is.
    QString openablePath(const QString &text);

    // The bytes of argument index, by which a file it names is written (empty past the last).
    QByteArray bytesAt(qsizetype index) const { return m_bytes.value(index); }

    // One argument as text: each element of the path decoded as a file name where its bytes are
    // one, else from code page 932 where they are that, else with substitutes.
    static QString decode(const QByteArray &bytes);

private:
    QList<QByteArray> m_bytes;
    QStringList m_arguments;
    QList<int> m_openFiles;
};
