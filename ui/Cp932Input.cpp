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

void refuse(QLineEdit *edit, Problem problem)
{
    auto *validator = new RefusingValidator(std::move(problem), edit);
    edit->setValidator(validator);
    QObject::connect(edit, &QLineEdit::inputRejected, edit, [edit, validator] {
        if (!validator->lastRefusal().isEmpty())
            showRefusal(edit, validator->lastRefusal());
    });
}

void guard(QLineEdit *edit, qsizetype maxBytes)
{
    refuse(edit, [maxBytes](const QString &text) -> std::optional<QString> {
        const QString unheld = Cp932::unheldCharacters(text);
        if (!unheld.isEmpty())
            return refusalText(unheld);
        if (maxBytes > 0 && Cp932::byteLength(text) > maxBytes)
            return QString();
        return std::nullopt;
    });
}

} // namespace Cp932Input

RefusingValidator::RefusingValidator(Cp932Input::Problem problem, QObject *parent)
    : QValidator(parent), m_problem(std::move(problem))
{}

QValidator::State RefusingValidator::validate(QString &input, int &) const
{
    const std::optional<QString> problem = m_problem(input);
    m_lastRefusal = problem.value_or(QString());
    return problem ? Invalid : Acceptable;
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
