#pragma once

#include <QPlainTextEdit>
#include <QValidator>

#include <functional>
#include <optional>

class QLineEdit;

// Typing and pasting into boxes whose text is stored in code page 932. A character that code
// page 932 cannot hold is refused where it comes in, and the box says why in a tooltip; a byte
// limit (20 for a name, 8 for an ability name) is enforced in bytes, not characters.
namespace Cp932Input {

// The reason shown when text holding these characters is refused.
QString refusalText(const QString &unheld);

// What stands against a text, if anything: no value when it may stand, an empty text when it
// is refused without a word (a byte limit reached), otherwise the reason shown to the user.
using Problem = std::function<std::optional<QString>(const QString &)>;

// Whether a text keeps within a box's limit, such as its number of bytes.
using Limit = std::function<bool(const QString &)>;

// Refuses every edit of the line edit that would leave a text with a problem, and shows why.
// Past the limit, what the user types, pastes or drops keeps as much of its beginning as fits,
// cut between two characters; the program's own writes show whole.
void refuse(QLineEdit *edit, Problem problem, Limit limit = {});

// Puts a guard on a line edit: at most maxBytes bytes (0: no limit), no unheld characters.
void guard(QLineEdit *edit, qsizetype maxBytes);

// At most maxCharacters characters typed or pasted; the program may write more.
void limitTyping(QLineEdit *edit, qsizetype maxCharacters);

// Shows a refusal reason beside a widget.
void showRefusal(QWidget *widget, const QString &reason);

} // namespace Cp932Input

// The validator behind Cp932Input::refuse: it remembers why it refused the last input.
class RefusingValidator : public QValidator
{
    Q_OBJECT

public:
    RefusingValidator(Cp932Input::Problem problem, Cp932Input::Limit limit, QLineEdit *edit);

    State validate(QString &input, int &pos) const override;

    // Why the last refused input was refused; empty when no reason is given.
    const QString &lastRefusal() const { return m_lastRefusal; }

private:
    QLineEdit *m_edit;
    Cp932Input::Problem m_problem;
    Cp932Input::Limit m_limit;
    QString m_shown; // the text before the edit being validated
    mutable QString m_lastRefusal;
};

// A multi-line box that refuses typed or pasted characters code page 932 cannot hold.
class Cp932PlainTextEdit : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit Cp932PlainTextEdit(QWidget *parent = nullptr);

Q_SIGNALS:
    void refused(const QString &reason);

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    void insertFromMimeData(const QMimeData *source) override;

private:
    bool accept(const QString &text);
};
