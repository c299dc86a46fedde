#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <QTimer>

#include <memory>

// A modal dialog that no test answers holds a widget test in its event loop until CTest gives
// up on it. Linked into every widget test, this closes a modal dialog that has stood
// unanswered for two seconds and fails the running test with what the dialog said, so the
// test ends at once. Tests that answer their dialogs do so within milliseconds.

namespace {

constexpr int PatienceMilliseconds = 2000;
constexpr int PollMilliseconds = 100;

void watchModalDialogs()
{
    auto *timer = new QTimer(QCoreApplication::instance());
    // Owned by the connection, which goes with the timer and the application.
    struct Watch
    {
        QPointer<QWidget> dialog;
        QElapsedTimer standing;
    };
    const auto watch = std::make_shared<Watch>();
    QPointer<QWidget> *const watched = &watch->dialog;
    QElapsedTimer *const standing = &watch->standing;
    QObject::connect(timer, &QTimer::timeout, timer, [watch, watched, standing] {
        QWidget *modal = QApplication::activeModalWidget();
        if (modal != *watched) {
            *watched = modal;
            standing->start();
            return;
        }
        if (!modal || !standing->hasExpired(PatienceMilliseconds))
            return;
        QString said = modal->windowTitle();
        if (auto *box = qobject_cast<QMessageBox *>(modal))
            said += u": "_qs + box->text();
        QTest::qFail(qPrintable(u"a modal dialog stood unanswered (%1)"_qs.arg(said)), __FILE__,
                     __LINE__);
        if (auto *dialog = qobject_cast<QDialog *>(modal))
            dialog->reject();
        else
            modal->close();
        *watched = nullptr;
    });
    timer->start(PollMilliseconds);
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(watchModalDialogs)
