#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtEndian>

#include <cstdint>

// The little-endian byte form of the journal's blobs. The reader checks every count against
// the bytes left before it allocates, so junk cannot make it reserve absurd amounts.
namespace JournalCodec {

class Writer
{
public:
    void u8(std::uint8_t value) { m_bytes.append(char(value)); }
    void i32(qint32 value)
    {
        char raw[4];
        qToLittleEndian(value, raw);
        m_bytes.append(raw, 4);
    }
    void i64(qint64 value)
    {
        char raw[8];
        qToLittleEndian(value, raw);
        m_bytes.append(raw, 8);
    }
    void text(const QString &value)
    {
        i32(qint32(value.size()));
        const qsizetype at = m_bytes.size();
        m_bytes.resize(at + 2 * value.size());
        // An empty list may have no storage at all: nothing to copy then.
        if (!value.isEmpty())
            qToLittleEndian<char16_t>(value.utf16(), value.size(), m_bytes.data() + at);
    }
    void paragraphs(const QList<std::uint16_t> &values)
    {
        i32(qint32(values.size()));
        const qsizetype at = m_bytes.size();
        m_bytes.resize(at + 2 * values.size());
        if (!values.isEmpty())
            qToLittleEndian<std::uint16_t>(values.constData(), values.size(), m_bytes.data() + at);
    }
    QByteArray bytes() const { return m_bytes; }

private:
    QByteArray m_bytes;
};

class Reader
{
public:
    explicit Reader(const QByteArray &bytes) : m_bytes(bytes) {}

    bool atEnd() const { return m_pos == m_bytes.size(); }
    qsizetype left() const { return m_bytes.size() - m_pos; }

    bool u8(std::uint8_t &value)
    {
        if (left() < 1)
            return false;
        value = std::uint8_t(m_bytes[m_pos++]);
        return true;
    }
    bool flag(bool &value)
    {
        std::uint8_t raw = 0;
        if (!u8(raw) || raw > 1)
            return false;
        value = raw == 1;
        return true;
    }
    bool i32(qint32 &value)
    {
        if (left() < 4)
            return false;
        value = qFromLittleEndian<qint32>(m_bytes.constData() + m_pos);
        m_pos += 4;
        return true;
    }
    bool i64(qint64 &value)
    {
        if (left() < 8)
            return false;
        value = qFromLittleEndian<qint64>(m_bytes.constData() + m_pos);
        m_pos += 8;
        return true;
    }
    // A count of elements of elementBytes each that the bytes left can hold.
    bool count(qint32 &value, qsizetype elementBytes)
    {
        return i32(value) && value >= 0 && qsizetype(value) <= left() / elementBytes;
    }
    bool text(QString &value)
    {
        qint32 n = 0;
        if (!count(n, 2))
            return false;
        value.resize(n);
        if (n > 0)
            qFromLittleEndian<char16_t>(m_bytes.constData() + m_pos, n, value.data());
        m_pos += 2 * qsizetype(n);
        return true;
    }
    bool paragraphs(QList<std::uint16_t> &values)
    {
        qint32 n = 0;
        if (!count(n, 2))
            return false;
        values.resize(n);
        if (n > 0)
            qFromLittleEndian<std::uint16_t>(m_bytes.constData() + m_pos, n, values.data());
        m_pos += 2 * qsizetype(n);
        return true;
    }

private:
    QByteArray m_bytes;
    qsizetype m_pos = 0;
};

} // namespace JournalCodec
