#include "ErrorReport.h"

#include "FileError.h"
#include "Fonts.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTranslator>

using namespace Qt::StringLiterals;

PelkoApplication::PelkoApplication(int &argc, char **argv)
    : QApplication(argc, argv), m_title(u"Pelko"_s)
{
    setApplicationName(u"Pelko"_s);
    setOrganizationDomain(u"example.org"_s);
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    setFont(Fonts::proportional(12));
    loadTranslations();
}

void PelkoApplication::loadTranslations()
{
    // Qt's own dialogs and buttons speak Japanese too, whatever the system's language is.
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    for (const QString &name : {u"qtbase_ja"_s, u"qtmultimedia_ja"_s}) {
        auto *translator = new QTranslator(this);
        if (translator->load(name, folder))
            installTranslator(translator);
        else
            delete translator;
    }
}

bool PelkoApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const FileError &error) {
        showError(error.message());
    } catch (const std::exception &error) {
        showError(QString::fromUtf8(error.what()));
    } catch (...) {
        showError(u"予期しないエラーが発生しました"_s);
    }
    return true;
}

QString PelkoApplication::reportText(const QString &message)
{
    if (!message.isEmpty() && message.back() > u'.')
        return message + u'.';
    return message;
}

void PelkoApplication::showError(const QString &message)
{
    auto *app = qobject_cast<PelkoApplication *>(QCoreApplication::instance());
    QMessageBox box(QMessageBox::Critical, app ? app->title() : u"Pelko"_s, reportText(message),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setObjectName(u"ErrorReport"_s);
    box.exec();
}

void PelkoApplication::showNotice(const QString &message)
{
    if (message.isEmpty())
        return;
    QMessageBox box(QMessageBox::Warning, u"警告"_s, message, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.setObjectName(u"SettingsNotice"_s);
    box.exec();
}
