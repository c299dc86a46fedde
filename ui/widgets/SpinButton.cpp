#include "SpinButton.h"

#include "NumberText.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <tuple>

SpinButton::SpinButton(QWidget *parent)
    : QWidget(parent), m_up(new QToolButton(this)), m_down(new QToolButton(this))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (auto [button, arrow, name] :
         {std::tuple{m_up, Qt::UpArrow, u"増やす"}, std::tuple{m_down, Qt::DownArrow, u"減らす"}}) {
        button->setArrowType(arrow);
        button->setAccessibleName(QString::fromUtf16(name));
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
        button->setIconSize(QSize(7, 5));
        layout->addWidget(button);
    }
    connect(m_up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void SpinButton::setBuddy(QLineEdit *buddy)
{
    if (m_buddy)
        m_buddy->removeEventFilter(this);
    m_buddy = buddy;
    if (m_buddy)
        m_buddy->installEventFilter(this);
}

void SpinButton::setRange(int minimum, int maximum)
{
    m_minimum = minimum;
    m_maximum = qMax(minimum, maximum);
}

void SpinButton::stepBy(int delta)
{
    if (!m_buddy || !isEnabled())
        return;
    // A number typed outside the range is first brought into it, then stepped; no wrap-around.
    const int shown = std::clamp(NumberText::read(m_buddy->text()), m_minimum, m_maximum);
    const int next = std::clamp(shown + delta, m_minimum, m_maximum);
    m_buddy->setText(QString::number(next));
    Q_EMIT stepped();
}

bool SpinButton::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_buddy && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down) {
            stepBy(key->key() == Qt::Key_Up ? 1 : -1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SpinButton::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ToolTipChange) {
        m_up->setToolTip(toolTip());
        m_down->setToolTip(toolTip());
    }
}
