#include "CommandLineFiles.h"

#include "Cp932.h"

#include <QFile>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Whether the bytes are a file name that survives being text.
bool isFileNameText(const QByteArray &bytes)
{
    return QFile::encodeName(QFile::decodeName(bytes)) == bytes;
}

QString decodeElement(const QByteArray &bytes)
{
    if (isFileNameText(bytes))
        return QFile::decodeName(bytes);
    const QString cp932 = Cp932::decode(bytes);
    if (Cp932::encode(cp932) == bytes)
        return cp932;
    return QFile::decodeName(bytes);
}

} // namespace

CommandLineFiles::CommandLineFiles(const QList<QByteArray> &arguments) : m_bytes(arguments)
{
    for (const QByteArray &bytes : arguments)
        m_arguments.append(decode(bytes));
}

CommandLineFiles::CommandLineFiles(int argc, const char *const *argv)
    : CommandLineFiles([argc, argv] {
          QList<QByteArray> bytes;
          for (int i = 0; i < argc; ++i)
              bytes.append(QByteArray(argv[i]));
          return bytes;
      }())
{}

CommandLineFiles::~CommandLineFiles()
{
    for (const int file : std::as_const(m_openFiles))
        ::close(file);
}

QString CommandLineFiles::decode(const QByteArray &bytes)
{
    if (isFileNameText(bytes))
        return QFile::decodeName(bytes);
    QStringList elements;
    for (const QByteArray &element : bytes.split('/'))
        elements.append(decodeElement(element));
    return elements.join(u'/');
}

QString CommandLineFiles::openablePath(const QString &text)
{
    if (text.isEmpty())
        return text;
    const QString openForm = u"--open="_s;
    for (qsizetype i = 1; i < m_arguments.size(); ++i) {
        QByteArray name;
        if (m_arguments[i] == text)
            name = m_bytes[i];
        else if (m_arguments[i] == openForm + text)
            name = m_bytes[i].mid(openForm.size());
        else
            continue;
        if (QFile::encodeName(text) == name)
            return text;
        // Opened by its own bytes, and read through the descriptor, which the system names as
        // a path of plain text. The descriptor stays open while this object lives.
        const int file = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
        if (file < 0)
            return text;
        m_openFiles.append(file);
        return u"/proc/self/fd/%1"_s.arg(file);
    }
    return text;
}
