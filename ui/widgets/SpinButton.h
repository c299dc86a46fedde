#pragma once

#include <QWidget>

class QLineEdit;
class QToolButton;

// A pair of up and down arrows bound to an edit box that shows a whole number. A click (or the
// up and down arrow keys while the box has the focus) steps the number shown by one within the
// range and writes it back as plain decimal digits; the box's own change handler does the rest.
class SpinButton : public QWidget
{
    Q_OBJECT

public:
    explicit SpinButton(QWidget *parent = nullptr);

    void setBuddy(QLineEdit *buddy);
    QLineEdit *buddy() const { return m_buddy; }

    void setRange(int minimum, int maximum);
    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }

    // Steps the number in the bound box by delta, clamped to the range.
    void stepBy(int delta);

    QToolButton *upButton() const { return m_up; }
    QToolButton *downButton() const { return m_down; }

Q_SIGNALS:
    // A click or an arrow key stepped the box; its change handler has run.
    void stepped();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QLineEdit *m_buddy = nullptr;
    QToolButton *m_up;
    QToolButton *m_down;
    int m_minimum = -32767;
    int m_maximum = 32767;
};
