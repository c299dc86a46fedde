#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>
#include <optional>

// Everything the user can configure: one settings record, stored as a named settings file
// (ini text in code page 932, CR LF) in the program directory.
struct SettingsValues
{
    static constexpr int AbilityCount = 8;
    static constexpr qsizetype NameBytes = 8;

    std::array<bool, AbilityCount> enabled{true, true, true, false, false, false, false, false};
    std::array<QString, AbilityCount> names{QStringLiteral("体力点"), QStringLiteral("技術点"),
                                            QStringLiteral("運点")};
    bool overLoad = false;
    bool minusEnable = false;
    bool numberDice = false;
    bool zeroDice = false;
    bool percentileDice = false;
    bool soundEffect = true;
    bool variableRoll = true;
    bool routePanelVisible = true;
    QString fixWord = QStringLiteral("Route");
    int fixType = 2;
    int flagListMode = 0;
    int flagNumber = 0;
    // The labels, each line ended by CR LF, the last one too; empty when there are none.
    QString flagText;

    bool operator==(const SettingsValues &) const = default;

    // The labels of flagText, one per line.
    QStringList flagLabels() const;
};

// The most labels a settings file may ask for. A hand-edited "FlagNumber" above it is taken as
// this many, so an absurd number cannot stall the program or exhaust its memory.
inline constexpr int MaxFlagNumber = 10000;

// The largest settings file read: room for every label at a length no label needs. A bigger
// file cannot be opened, for loading or for saving over it.
inline constexpr qint64 MaxIniFileBytes = 16 * 1024 * 1024;

// A settings file's number: decimal, or hexadecimal after "0x" or "$", with an optional sign,
// within 32 bits (eight hex digits above 0x7FFFFFFF read as negative); nothing for other text.
std::optional<int> readIniNumber(QStringView text);
// A value as a text box shows it: it ends at a NUL character, and blanks before that go too,
// so that what is read is what a save writes back.
QStringView shownIniValue(QStringView value);

// The settings a file of these bytes holds, read as loadSettingsFile reads a file. A label count
// above maxFlagNumber is taken as that many; askedFlagNumber, when given, receives the count the
// file asks for (0 for none).
SettingsValues settingsFromBytes(const QByteArray &bytes, int maxFlagNumber = MaxFlagNumber,
                                 int *askedFlagNumber = nullptr);

// The bytes saveSettingsFile writes for data over a file that held existing (empty for no file).
// A label count above MaxFlagNumber in existing is kept while data holds MaxFlagNumber labels:
// the labels past them were never read, and they stay in the file with their count.
QByteArray settingsFileBytes(const SettingsValues &data, const QByteArray &existing);

// Fills every field of data from the settings file at path, taking the default for every value
// the file lacks. A missing file (or a folder of that name) gives the defaults and is no error;
// a file that exists but cannot be read raises FileError::cannotOpen and leaves data unchanged.
// askedFlagNumber as for settingsFromBytes.
void loadSettingsFile(SettingsValues &data, const QString &path, int *askedFlagNumber = nullptr);

// What the user is told when a settings file asks for more labels than a load reads; empty
// when it does not.
QString flagCapNotice(const QString &fileName, int askedFlagNumber);

// Writes every field of data into the settings file at path, updating an existing file in
// place: every line but those whose value changes keeps its bytes and its line end (foreign
// sections and keys, comments, blank lines); a new key goes after its section's last entry and
// ends as the line before it does. Of two sections of one name only the first is read and
// written to; the second stays as it stands. The file is replaced atomically where
// the folder allows (see writeWholeFile); a failure raises FileError::cannotCreate.
void saveSettingsFile(const SettingsValues &data, const QString &path);

// The names (no folder) of the entries of dir matching "*.INI" without regard to case, sorted
// case-insensitively (names differing in case only in code-unit order), with "Default.ini"
// (any case) moved to the front. Names code page 932 cannot hold are left out.
QStringList listSettingsFiles(const QString &dir);

// The settings files of the program directory, addressed by bare names, and their list. The
// settings in force and the name of their file belong to the sheet (Sheet).
class IniSettings
{
public:
    explicit IniSettings(QString programDir);

    const QString &programDir() const { return m_programDir; }
    QString pathOf(const QString &fileName) const { return m_programDir + fileName; }

    QStringList files;

    // The name under which fileName is found in the program directory, letter case aside: the
    // name itself when an entry has it exactly, else the first entry that differs from it in
    // letter case only, in code-unit order ("HARD.ini" before "Hard.INI" before "hard.ini"),
    // which is also the order of files. The name itself when there is none.
    QString nameOnDisk(const QString &fileName) const;

    // Both read or write the file nameOnDisk finds, so that a name stored in a save file or
    // typed by the user in another letter case reaches the user's file; a new file takes the
    // name as given. A name holding a "/" names no file of the folder: load gives the
    // defaults, as for a missing file, and save raises FileError::cannotCreate.
    // notice, when given, receives what the user is to be told of the file (flagCapNotice).
    void load(SettingsValues &data, const QString &fileName, QString *notice = nullptr) const;
    void save(const SettingsValues &data, const QString &fileName);
    // Writes over the file as save does what edit makes of its bytes (none for no file); a file
    // that exists but cannot be read raises FileError::cannotOpen and is left as it is.
    void rewrite(const QString &fileName,
                 const std::function<QByteArray(const QByteArray &)> &edit);
    void refreshList();

    // Told after every write of a settings file through save or rewrite, once files lists it.
    std::function<void()> written;

private:
    QString m_programDir; // ends with a path separator
};
