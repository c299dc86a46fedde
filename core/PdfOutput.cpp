#include "PdfOutput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// The first bytes of the regular file at path, read without waiting on a pipe.
QByteArray headOf(const QByteArray &path, qsizetype size)
{
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {};
    QByteArray head(size, '\0');
    const ssize_t got = ::read(fd, head.data(), size_t(size));
    ::close(fd);
    return got > 0 ? head.left(got) : QByteArray();
}

} // namespace

namespace PdfOutput {

QString problem(const QByteArray &output, const QString &shownOutput, const QByteArray &source)
{
    struct stat out;
    if (::stat(output.constData(), &out) != 0)
        return {}; // made new, or the write says why it cannot be
    // The same file by any name: a link, "./", "a/../", a hard link.
    struct stat read;
    if (::stat(source.constData(), &read) == 0 && read.st_dev == out.st_dev &&
        read.st_ino == out.st_ino)
        return u"出力先 %1 は読み込むセーブファイルそのものです。別のファイル名を指定してください。"_s
            .arg(shownOutput);
    if (!S_ISREG(out.st_mode))
        return u"出力先 %1 はファイルではありません (フォルダやパイプなど)。PDF を書き出せません。"_s
            .arg(shownOutput);
    if (out.st_size > 0 && !headOf(output, 5).startsWith("%PDF-"))
        return u"出力先 %1 は PDF ファイルではないため、上書きしません。別のファイル名を指定してください。"_s
            .arg(shownOutput);
    return {};
}

} // namespace PdfOutput
