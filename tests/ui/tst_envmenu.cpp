#include "IniData.h"
#include "QuickSelectMenu.h"
#include "Sheet.h"

#include <QAction>
#include <QFile>
#include <QMenu>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

class TestQuickSelectMenu : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<IniSettings> m_settings;
    std::unique_ptr<Sheet> m_sheet;
    std::unique_ptr<QMenu> m_env;
    std::unique_ptr<QuickSelectMenu> m_menu;

    void writeFiles(const QStringList &names)
    {
        for (const QString &name : names) {
            QFile file(m_dir->filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        m_settings->refreshList();
    }
    static QStringList numbered(int count)
    {
        QStringList names;
        for (int i = 1; i <= count; ++i)
            names.append(u"f%1.ini"_s.arg(i, 2, 10, QChar(u'0')));
        return names;
    }
    QStringList texts() const
    {
        QStringList result;
        for (QAction *action : m_env->actions())
            result.append(action->isSeparator() ? u"-"_s : action->text());
        return result;
    }
    QStringList marked() const
    {
        QStringList result;
        for (QAction *action : m_env->actions()) {
            if (action->isChecked())
                result.append(action->text());
        }
        return result;
    }
    QAction *item(const QString &text) const
    {
        for (QAction *action : m_env->actions()) {
            if (action->text() == text)
                return action;
        }
        qFatal("no item %s", qPrintable(text));
    }

private Q_SLOTS:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_settings = std::make_unique<IniSettings>(m_dir->path());
        m_sheet = std::make_unique<Sheet>();
        m_env = std::make_unique<QMenu>(u"簡易選択(&S)"_s);
        // The window creates the submenu disabled, before any settings file is listed.
        m_env->setEnabled(false);
        m_menu = std::make_unique<QuickSelectMenu>(m_env.get(), *m_settings, *m_sheet);
    }
    void cleanup()
    {
        m_menu.reset();
        m_env.reset();
        m_sheet.reset();
        m_settings.reset();
        m_dir.reset();
    }

    void pagesHoldTenEntriesBetweenThePageCommands_data()
    {
        QTest::addColumn<int>("files");
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("items");
        QStringList ten;
        for (int k = 0; k < 10; ++k)
            ten.append(u"&%1　f%2"_s.arg(k).arg(k + 1, 2, 10, QChar(u'0')));
        QTest::newRow("exactly ten") << 10 << 0 << ten;
        QTest::newRow("eleven, first page")
            << 11 << 0 << ten + QStringList{u"-"_s, u"次のページ(&N)"_s};
        QTest::newRow("eleven, second page")
            << 11 << 1 << QStringList{u"前のページ(&B)"_s, u"-"_s, u"&0　f11"_s};
        QTest::newRow("page beyond the files")
            << 3 << 2 << QStringList{u"前のページ(&B)"_s, u"-"_s};
    }
    void pagesHoldTenEntriesBetweenThePageCommands()
    {
        QFETCH(int, files);
        QFETCH(int, page);
        QFETCH(QStringList, items);
        writeFiles(numbered(files));
        m_menu->page = page;
        m_menu->rebuild();
        QCOMPARE(texts(), items);
        QVERIFY(m_env->isEnabled());
        QVERIFY(m_env->menuAction()->isEnabled());
    }

    void noFilesLeaveTheMenuEmptyAndDisabled()
    {
        m_settings->refreshList();
        m_menu->rebuild();
        QVERIFY(m_env->actions().isEmpty());
        QVERIFY(!m_env->isEnabled());
        QVERIFY(!m_env->menuAction()->isEnabled());
    }

    void captionsShowTheNameWithoutItsEndingAndKeepTheirAmpersands()
    {
        writeFiles({u"A&B.ini"_s, u"X.INI"_s, u"Default.ini"_s});
        m_menu->rebuild();
        QCOMPARE(texts(), (QStringList{u"&0　Default"_s, u"&1　A&&B"_s, u"&2　X"_s}));
    }

    void theFileInForceIsMarkedOnlyOnItsOwnPage_data()
    {
        QTest::addColumn<QString>("current");
        QTest::addColumn<int>("page");
        QTest::addColumn<QStringList>("marks");
        QTest::newRow("on the page") << u"f03.ini"_s << 0 << QStringList{u"&2　f03"_s};
        QTest::newRow("letter case aside") << u"F12.INI"_s << 1 << QStringList{u"&1　f12"_s};
        QTest::newRow("on another page") << u"f12.ini"_s << 0 << QStringList();
        QTest::newRow("not listed") << u"Default.ini"_s << 0 << QStringList();
    }
    void theFileInForceIsMarkedOnlyOnItsOwnPage()
    {
        QFETCH(QString, current);
        QFETCH(int, page);
        QFETCH(QStringList, marks);
        writeFiles(numbered(12));
        m_sheet->applySettings(current, m_sheet->settings());
        m_menu->page = page;
        m_menu->rebuild();
        QCOMPARE(marked(), marks);
    }

    void thePageCommandsTurnThePage()
    {
        writeFiles(numbered(25));
        m_menu->rebuild();
        QSignalSpy chosen(m_menu.get(), &QuickSelectMenu::settingsChosen);
        item(u"次のページ(&N)"_s)->trigger();
        item(u"次のページ(&N)"_s)->trigger();
        QCOMPARE(m_menu->page, 2);
        QCOMPARE(texts().mid(2), (QStringList{u"&0　f21"_s, u"&1　f22"_s, u"&2　f23"_s,
                                              u"&3　f24"_s, u"&4　f25"_s}));
        item(u"前のページ(&B)"_s)->trigger();
        QCOMPARE(m_menu->page, 1);
        QCOMPARE(chosen.count(), 0);
    }

    void choosingAnEntryPutsItsFileInForceOnce()
    {
        writeFiles(numbered(12));
        SettingsValues chosenData;
        chosenData.overLoad = true;
        chosenData.fixWord = u"道"_s;
        saveSettingsFile(chosenData, m_dir->filePath(u"f12.ini"_s));
        // Rebuilding again and again must not connect the items again.
        for (int i = 0; i < 3; ++i)
            m_menu->rebuild();
        item(u"次のページ(&N)"_s)->trigger();

        QSignalSpy chosen(m_menu.get(), &QuickSelectMenu::settingsChosen);
        item(u"&1　f12"_s)->trigger();
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen[0][0].toString(), u"f12.ini"_s);
        QCOMPARE(chosen[0][1].value<SettingsValues>(), chosenData);
    }

    void theOpenedFilesPageIsFoundWithoutRegardToCase()
    {
        writeFiles(numbered(25));
        QCOMPARE(m_menu->pageOf(u"F21.ini"_s), 2);
        QCOMPARE(m_menu->pageOf(u"f10.ini"_s), 0);
        QCOMPARE(m_menu->pageOf(u"missing.ini"_s), 0);
    }
};

QTEST_MAIN(TestQuickSelectMenu)
#include "tst_envmenu.moc"
