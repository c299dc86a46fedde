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

void refuse(QLineEdit *edit, Problem problem, Limit limit)
{
    auto *validator = new RefusingValidator(std::move(problem), std::move(limit), edit);
    edit->setValidator(validator);
    QObject::connect(edit, &QLineEdit::inputRejected, edit, [edit, validator] {
        if (!validator->lastRefusal().isEmpty())
            showRefusal(edit, validator->lastRefusal());
    });
}

void guard(QLineEdit *edit, qsizetype maxBytes)
{
    Limit limit;
    if (maxBytes > 0)
        limit = [maxBytes](const QString &text) { return Cp932::byteLength(text) <= maxBytes; };
    refuse(
        edit,
        [](const QString &text) -> std::optional<QString> {
            const QString unheld = Cp932::unheldCharacters(text);
            if (!unheld.isEmpty())
                return refusalText(unheld);
            return std::nullopt;
        },
        std::move(limit));
}

void limitTyping(QLineEdit *edit, qsizetype maxCharacters)
{
    refuse(
        edit, [](const QString &) { return std::optional<QString>(); },
        [maxCharacters](const QString &text) { return text.size() <= maxCharacters; });
}

} // namespace Cp932Input

namespace {

struct Edit
{
    QString text;
    int caret = 0;
};

// What an edit of before into after keeps of the text it inserted: the longest beginning that
// keeps the whole within the limit, cut between two characters. The inserted text ends at the
// caret, and what follows the caret is the end the two texts share: where the inserted text
// begins like that end ("b一" pasted before "bc"), only the caret tells the new characters from
// the old. The inserted text then begins where the two texts part. A caret that does not fit
// the texts leaves the end to what they share.
Edit keepWhatFits(const QString &before, const QString &after, int caret,
                  const Cp932Input::Limit &fits)
{
    const qsizetype shorter = qMin(before.size(), after.size());
    const qsizetype afterCaret = after.size() - caret;
    qsizetype head = 0;
    qsizetype tail = 0;
    if (caret >= 0 && afterCaret >= 0 && afterCaret <= before.size() &&
        QStringView(before).right(afterCaret) == QStringView(after).right(afterCaret)) {
        tail = afterCaret;
        while (head < shorter - tail && before[head] == after[head])
            ++head;
    } else {
        while (head < shorter && before[head] == after[head])
            ++head;
        while (tail < shorter - head &&
               before[before.size() - 1 - tail] == after[after.size() - 1 - tail])
            ++tail;
    }
    if (head > 0 && after[head - 1].isHighSurrogate())
        --head;
    if (tail > 0 && after[after.size() - tail].isLowSurrogate())
        --tail;
    const QString start = after.left(head);
    const QString end = after.right(tail);
    const QStringView inserted = QStringView(after).mid(head, after.size() - head - tail);

    QList<qsizetype> boundaries{0};
    for (qsizetype i = 0; i < inserted.size();) {
        i += inserted[i].isHighSurrogate() && i + 1 < inserted.size() ? 2 : 1;
        boundaries.append(i);
    }
    const auto withPrefix = [&](qsizetype n) {
        QString text = start;
        text += inserted.left(n);
        return text + end;
    };
    // The limit only grows with the length kept, so the longest that fits is searched for.
    qsizetype low = 0;
    qsizetype high = boundaries.size() - 1;
    while (low < high) {
        const qsizetype middle = (low + high + 1) / 2;
        if (fits(withPrefix(boundaries[middle])))
            low = middle;
        else
            high = middle - 1;
    }
    return {withPrefix(boundaries[low]), static_cast<int>(head + boundaries[low])};
}

} // namespace

RefusingValidator::RefusingValidator(Cp932Input::Problem problem, Cp932Input::Limit limit,
                                     QLineEdit *edit)
    : QValidator(edit), m_edit(edit), m_problem(std::move(problem)), m_limit(std::move(limit)),
      m_shown(edit->text())
{
    connect(edit, &QLineEdit::textChanged, this, [this](const QString &text) { m_shown = text; });
}

QValidator::State RefusingValidator::validate(QString &input, int &pos) const
{
    // The user's edits are undoable; a write by the program starts a fresh history and is
    // never cut, so that it shows what it writes whole.
    if (m_limit && m_edit->isUndoAvailable() && !m_limit(input)) {
        const Edit kept = keepWhatFits(m_shown, input, pos, m_limit);
        if (kept.text == m_shown) {
            m_lastRefusal = m_problem(input).value_or(QString());
            return Invalid;
        }
        input = kept.text;
        pos = kept.caret;
    }
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
