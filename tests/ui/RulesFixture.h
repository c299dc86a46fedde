#pragma once

#include "Cp932.h"
#include "MainFormFixture.h"
#include "RulesCommands.h"
#include "SheetHistory.h"
#include "SheetUndo.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>

#include <functional>

// Types answers into every "ダイスの目" dialog that opens while it lives, one per dialog, in
// order; an empty answer presses Escape. What each dialog said back is kept.
class FacesAnswerer : public QObject
{
public:
    explicit FacesAnswerer(QStringList answers) : m_answers(std::move(answers))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget *dialog = QApplication::activeModalWidget();
            if (!dialog || dialog->objectName() != QStringLiteral("FacesDialog") ||
                m_answers.isEmpty())
                return;
            auto *edit = dialog->findChild<QLineEdit *>(QStringLiteral("EditFaces"));
            const QString answer = m_answers.takeFirst();
            edit->selectAll();
            if (answer.isEmpty()) {
                QTest::keyClick(edit, Qt::Key_Escape);
                return;
            }
            QTest::keyClicks(edit, answer);
            QTest::keyClick(edit, Qt::Key_Return);
            ++answered;
        });
        m_timer.start(10);
    }
    int answered = 0;
    bool done() const { return m_answers.isEmpty(); }

private:
    QStringList m_answers;
    QTimer m_timer;
};

// Runs work once on the modal dialog of the given name when it opens, inside its event loop.
class ModalDriver : public QObject
{
public:
    ModalDriver(QString name, std::function<void(QWidget *)> work)
        : m_name(std::move(name)), m_work(std::move(work))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget *dialog = QApplication::activeModalWidget();
            if (!dialog || dialog->objectName() != m_name)
                return;
            m_timer.stop();
            m_work(dialog);
            ran = true;
        });
        m_timer.start(10);
    }
    bool ran = false;

private:
    QString m_name;
    std::function<void(QWidget *)> m_work;
    QTimer m_timer;
};

// A main window whose Default.ini holds a book's rules: the luck test and a combat.
struct RulesFixture : MainFormFixture
{
    static QString rulesText()
    {
        return QStringLiteral("[HEAD]\r\nName3=運点\r\n\r\n"
                              "[Test1]\r\nName=運試し\r\nDice=2\r\nAbility=3\r\nSuccess=le\r\n"
                              "Always=3:-1\r\nOnSuccess=\r\nOnFailure=1:-2\r\n\r\n"
                              "[Combat]\r\nAttack=2\r\nEndurance=1\r\nDice=2\r\nDamage=2\r\n"
                              "EscapeDamage=2\r\n");
    }

    RulesFixture()
    {
        QFile file(dir.filePath(QStringLiteral("Default.ini")));
        if (file.open(QIODevice::WriteOnly))
            file.write(Cp932::encode(rulesText()));
        file.close();
        SettingsValues values;
        loadSettingsFile(values, file.fileName());
        form->sheet().applySettings(QStringLiteral("Default.ini"), values);
        // Stamina 20, skill 10, luck 9; the history starts here.
        Sheet &sheet = form->sheet();
        for (const auto &[index, value] : {std::pair{0, 20}, {1, 10}, {2, 9}})
            sheet.setOrigin(index, value);
        form->history().undo().reset();
    }

    RulesCommands &rules() const { return *form->rules(); }
    int current(int index) const { return form->sheet().record().current(index); }
    QAction *menuItem(const QString &name) const
    {
        const QList<QAction *> items =
            form->findChild<QMenu *>(QStringLiteral("Rules1"))->actions();
        for (QAction *item : items) {
            if (item->objectName() == name)
                return item;
        }
        qFatal("no menu item named %s", qPrintable(name));
    }
    // The exported ledger, as text.
    QString ledger() const
    {
        form->history().showHistory();
        form->history().exportLedger();
        QFile file(dir.filePath(QStringLiteral("履歴.txt")));
        return file.open(QIODevice::ReadOnly) ? Cp932::decode(file.readAll()) : QString();
    }
};
