#include "FuzzSupport.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace FuzzSupport {

void fail(const char *condition, const char *file, int line)
{
    std::fprintf(stderr, "property broken: %s (%s:%d)\n", condition, file, line);
    std::abort();
}

QByteArray bytesOf(const std::uint8_t *data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}

QString scratchPath(const QString &name)
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        fail("a scratch folder can be made", __FILE__, __LINE__);
    return dir.filePath(name);
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        fail("the scratch file can be written", __FILE__, __LINE__);
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail("the scratch file can be read", __FILE__, __LINE__);
    return file.readAll();
}

} // namespace FuzzSupport
