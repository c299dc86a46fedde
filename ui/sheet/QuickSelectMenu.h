#pragma once

#include <QObject>
#include <QStringList>

class IniSettings;
class Sheet;
struct SettingsValues;
class QAction;
class QActionGroup;
class QMenu;

// The quick-select submenu "簡易選択(&S)": the settings files beside the program, ten to a page,
// the one in force marked. Choosing one puts it in force; the window then applies it.
class QuickSelectMenu : public QObject
{
    Q_OBJECT

public:
    static constexpr int PageSize = 10;

    // The files are those of settings; the one in force is sheet's. The menu follows every
    // write of a settings file through settings.
    QuickSelectMenu(QMenu *menu, IniSettings &settings, const Sheet &sheet,
                    QObject *parent = nullptr);
    ~QuickSelectMenu() override;

    // The page shown. Applying settings keeps it; New sets it to 0, Open to pageOf the file.
    int page = 0;

    // Rebuilds the submenu for page from the settings files as listed.
    void rebuild();

    // The page on which the settings files list fileName (letter case aside), or 0 when it is
    // not listed.
    int pageOf(const QString &fileName) const;

Q_SIGNALS:
    // A file was chosen and read: these are its values, to be put in force.
    void settingsChosen(const QString &file, const SettingsValues &values);

private:
    enum : int { PreviousPage = -1, NextPage = -2 };

    void itemChosen(QAction *item);
    QAction *addCommand(const QString &text, int id);
    void setMenuEnabled(bool on);

    QMenu *m_menu;
    IniSettings &m_settings;
    const Sheet &m_sheet;
    QActionGroup *m_group;
    // The file names of the entries of the page shown, in their order; entry ids index it.
    QStringList m_entries;
};
