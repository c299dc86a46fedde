#include "Cp932Input.h"

#include "Cp932.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QToolTip>

using namespace Qt::StringLiterals;

namespace Cp932Input {

QString refusalText(const QString &unheld)
{
    return u"「%1」は保存できない文字のため入力できません"_s.arg(unheld);
}

void showRefusal(QWidget *widget, const QString &reason)
{
    widget->setProperty("refusal", reason);
    if (widget->isVisible())
        QToolTip::showText(widget->mapToGlobal(QPoint(0, widget->height())), reason, widget);
}

void guard(QLineEdit *edit, qsizetype maxBytes)
{
    auto *validator = new Cp932Validator(maxBytes, edit);
    edit->setValidator(validator);
    QObject::connect(edit, &QLineEdit::inputRejected, edit, [edit, validator] {
        if (!validator->lastRefusal().isEmpty())
            showRefusal(edit, validator->lastRefusal());
    });
}

} // namespace Cp932Input

Cp932Validator::Cp932Validator(qsizetype maxBytes, QObject *parent)
    : QValidator(parent), m_maxBytes(maxBytes)
{}

QValidator::State Cp932Validator::validate(QString &input, int &) const
{
    m_lastRefusal.clear();
    const QString unheld = Cp932::unheldCharacters(input);
    if (!unheld.isEmpty()) {
        m_lastRefusal = Cp932Input::refusalText(unheld);
        return Invalid;
    }
    if (m_maxBytes > 0 && Cp932::byteLength(input) > m_maxBytes)
        return Invalid;
    return Acceptable;
}

Cp932PlainTextEdit::Cp932PlainTextEdit(QWidget *parent) : QPlainTextEdit(parent) {}

bool Cp932PlainTextEdit::accept(const QString &text)
{
    const QString unheld = Cp932::unheldCharacters(text);
    if (unheld.isEmpty())
        return true;
    const QString reason = Cp932Input::refusalText(unheld);
    Cp932Input::showRefusal(this, reason);
    Q_EMIT refused(reason);
    return false;
}

void Cp932PlainTextEdit::keyPressEvent(QKeyEvent *event)
{
    // Control characters pass the check too: the code page holds them all.
    if (!event->text().isEmpty() && !accept(event->text()))
        return;
    QPlainTextEdit::keyPressEvent(event);
}

void Cp932PlainTextEdit::inputMethodEvent(QInputMethodEvent *event)
{
    if (!event->commitString().isEmpty() && !accept(event->commitString())) {
        QInputMethodEvent withoutCommit(event->preeditString(), event->attributes());
        QPlainTextEdit::inputMethodEvent(&withoutCommit);
        return;
    }
    QPlainTextEdit::inputMethodEvent(event);
}

void Cp932PlainTextEdit::insertFromMimeData(const QMimeData *source)
{
    // The text is fetched once and the source is not touched again: fetching it from another
    // program's clipboard runs events, and an owner that answers a single request and leaves
    // takes the clipboard's data object with it.
    if (!source || !source->hasText())
        return;
    const QString text = source->text();
    if (!accept(text))
        return;
    insertPlainText(text);
    ensureCursorVisible();
}
