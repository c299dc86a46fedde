// The code page 932 boundary in both directions. The first byte picks the direction: bytes to
// text (what a file gives) or UTF-16 units to bytes (what a text box gives).
#include "Cp932.h"
#include "FuzzSupport.h"

namespace {

void fromBytes(const QByteArray &bytes)
{
    const QString text = Cp932::decode(bytes);
    // Reading what was written gives back what was read.
    const QByteArray written = Cp932::encode(text);
    FUZZ_CHECK(Cp932::decode(written) == text || !Cp932::canHold(text));
    if (Cp932::canHold(text))
        FUZZ_CHECK(Cp932::encode(Cp932::decode(written)) == written);
}

void fromUnits(const QByteArray &bytes)
{
    const QString text = QString(reinterpret_cast<const QChar *>(bytes.constData()),
                                 bytes.size() / qsizetype(sizeof(QChar)));
    const bool held = Cp932::canHold(text);
    FUZZ_CHECK(held == Cp932::unheldCharacters(text).isEmpty());
    const QByteArray written = Cp932::encode(text);
    if (held)
        FUZZ_CHECK(Cp932::decode(written) == text);
    FUZZ_CHECK(Cp932::byteLength(text) == written.size());

    // A cut is a leading part within the limit, and as long as the limit allows.
    for (const qsizetype limit : {0, 1, 7, 8, 16, 20, 21}) {
        const QString cut = Cp932::cutToBytes(text, limit);
        FUZZ_CHECK(text.startsWith(cut));
        FUZZ_CHECK(Cp932::byteLength(cut) <= limit);
        if (limit > 0 && cut.size() < text.size()) {
            const qsizetype at = cut.size();
            const qsizetype next =
                text[at].isHighSurrogate() && at + 1 < text.size() && text[at + 1].isLowSurrogate()
                    ? 2
                    : 1;
            FUZZ_CHECK(Cp932::byteLength(
                           QStringView(text).first(qMin(text.size(), cut.size() + next))) > limit);
        }
    }
    const QString dropped = Cp932::dropLastBytes(text, 4);
    FUZZ_CHECK(text.startsWith(dropped));
    FUZZ_CHECK(Cp932::byteLength(dropped) <= qMax<qsizetype>(0, written.size() - 4));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray rest = FuzzSupport::bytesOf(bytes + 1, size - 1);
    if (bytes[0] & 1)
        fromUnits(rest);
    else
        fromBytes(rest);
    return 0;
}
