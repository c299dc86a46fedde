#pragma once

#include <QApplication>
#include <QString>

class QWidget;

// The application object. Its notify override is the general error report: any error that
// escapes an event handler is shown in a stop box captioned with the application title, and
// the program goes on.
class PelkoApplication : public QApplication
{
    Q_OBJECT

public:
    PelkoApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // The application title: "Pelko", or "Pelko[" + name + "]" while a character is named.
    const QString &title() const { return m_title; }
    void setTitle(const QString &title) { m_title = title; }

    // Shows message as the general error report does.
    static void showError(const QString &message);
    // Shows a warning that is no error (the program goes on as told); nothing when it is empty.
    static void showNotice(const QString &message);

    // The message text as the report shows it: a "." follows a last character above ".".
    static QString reportText(const QString &message);

private:
    void loadTranslations();

    QString m_title;
};
