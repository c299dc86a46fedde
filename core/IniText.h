#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringView>

#include <optional>

// An ini text held in memory: its sections in order, each with its entries in order. A line
// read from a file keeps its bytes and its line end, and is written back as it stood unless the
// program gives its key another value: bytes the code page has no character for, the user's
// spacing, comments, blank lines and the lines before the first section survive a save. A key
// the program adds goes after the last entry of its section, before the comments and blank lines
// that stand above the next one, and ends its line as the lines around it do.
//
// What is read is not copied: the lines' bytes, keys and values are views of the text read,
// which the IniText holds (decoded once as a whole where the lines are ASCII, line by line
// where they are not). A text taken out of it must be copied (see Reader::text in IniData.cpp).
class IniText
{
public:
    static IniText parse(const QByteArray &bytes);

    // The value of key in the section, or null when either is missing: a view of the storage.
    const QString *find(QStringView sectionName, QStringView key) const;
    // How many lines of the section give key a value (only the first counts when read).
    qsizetype keyCount(QStringView sectionName, QStringView key) const;
    bool hasSection(QStringView sectionName) const { return findSection(sectionName) >= 0; }
    // Gives key in the section a value, adding the section or the entry at its end if missing.
    void set(QStringView sectionName, QStringView key, const QString &value);
    QByteArray toBytes() const;

    // A text with the blanks and control characters at either end left off, as every line, key
    // and value is read.
    static QStringView strippedView(QStringView text);
    // A view as a string, without a copy: it must not outlive the text it views.
    static QString rawString(QStringView text);

private:
    // Section and key names match without regard to letter case; equal names hash alike.
    static bool sameName(QStringView a, QStringView b);
    static size_t nameHash(QStringView name);

    // The first of a list's names that is the same as a given one (see sameName). A short list is
    // searched; a long one (a file of thousands of labels) gets a hash, made at its first search
    // and kept up as names are added.
    class NameIndex
    {
    public:
        // nameAt(i) gives the i-th name, or nothing for an item that matches no name.
        template <typename NameAt>
        qsizetype find(QStringView name, qsizetype count, NameAt nameAt) const
        {
            if (!m_hashed && count <= ShortList) {
                for (qsizetype i = 0; i < count; ++i) {
                    const std::optional<QStringView> other = nameAt(i);
                    if (other && sameName(*other, name))
                        return i;
                }
                return -1;
            }
            if (!m_hashed) {
                m_hashed = true;
                for (qsizetype i = 0; i < count; ++i) {
                    if (const std::optional<QStringView> other = nameAt(i))
                        addFirst(*other, i, nameAt);
                }
            }
            return firstOf(name, nameHash(name), nameAt);
        }

        template <typename NameAt> void added(QStringView name, qsizetype position, NameAt nameAt)
        {
            if (m_hashed)
                addFirst(name, position, nameAt);
        }

    private:
        template <typename NameAt>
        qsizetype firstOf(QStringView name, size_t hash, NameAt nameAt) const
        {
            for (auto it = m_hash.constFind(hash); it != m_hash.cend() && it.key() == hash; ++it) {
                if (sameName(*nameAt(*it), name))
                    return *it;
            }
            return -1;
        }

        // Only the first of equal names is kept: it is the one a search finds.
        template <typename NameAt>
        void addFirst(QStringView name, qsizetype position, NameAt nameAt) const
        {
            const size_t hash = nameHash(name);
            if (firstOf(name, hash, nameAt) < 0)
                m_hash.insert(hash, position);
        }

        static constexpr qsizetype ShortList = 8;
        mutable bool m_hashed = false;
        mutable QMultiHash<size_t, qsizetype> m_hash;
    };

    struct Entry
    {
        QString key;
        QString value;
        bool hasValue = true; // false for a line without "=", which never matches a key
        QByteArray raw;       // the line as read; empty for a line the program made
        QByteArray ending;    // CR LF, LF or CR; none for a last line without one
        bool filler = false;  // a blank line or a comment, kept as read
    };
    struct Section
    {
        QString name;
        QByteArray rawHeader; // the section line as read; empty for a section the program made
        QByteArray headerEnding;
        QList<Entry> entries;
        // Past the last entry that is no filler: where a new key goes. Only fillers follow it.
        qsizetype contentEnd = 0;
        NameIndex index;

        std::optional<QStringView> keyAt(qsizetype i) const
        {
            const Entry &entry = entries[i];
            return entry.hasValue ? std::optional<QStringView>(entry.key) : std::nullopt;
        }
        qsizetype find(QStringView key) const
        {
            return index.find(key, entries.size(), [this](qsizetype i) { return keyAt(i); });
        }
    };

    // A text of the IniText's own storage as a string, without a copy.
    static QString view(QStringView text) { return rawString(text); }

    // A key read (raw holds its line) lies in the storage; one the program gives is copied.
    static QString keyText(QStringView key, const QByteArray &raw)
    {
        return raw.isEmpty() ? key.toString() : view(key);
    }

    std::optional<QStringView> sectionAt(qsizetype i) const { return m_list[i].name; }

    qsizetype findSection(QStringView name) const
    {
        return m_index.find(name, m_list.size(), [this](qsizetype i) { return sectionAt(i); });
    }

    // The first section of the name, made at the end when there is none.
    Section &section(QStringView name);
    // A section of the name at the end, even when one of that name comes before it.
    Section &appendSection(QStringView name);

    void put(Section &section, QStringView key, const QString &value, bool replace,
             const QByteArray &raw, const QByteArray &ending);
    // The line end of a line added to the section: that of the line it follows.
    QByteArray endingFor(const Section &section) const;

    QByteArray m_source;           // the bytes read, which the lines read view
    QString m_latin;               // the bytes read, each as the character of its number
    QList<QString> m_decoded;      // the lines read that are not ASCII, decoded
    QByteArray m_preamble;         // the lines before the first section, as read
    QByteArray m_lineEnd = "\r\n"; // the file's first line end, given to lines made anew
    QList<Section> m_list;
    NameIndex m_index; // of m_list's names
};
