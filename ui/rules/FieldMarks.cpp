#include "FieldMarks.h"

#include <QAbstractButton>
#include <QLabel>
#include <QRegularExpression>
#include <QTabBar>
#include <QTabWidget>

using namespace Qt::StringLiterals;

namespace FieldMarks {

void mark(QWidget *field, const QString &reason)
{
    field->setToolTip(reason);
    field->setAccessibleDescription(reason);
    QPalette palette = field->parentWidget()->palette();
    if (!reason.isEmpty())
        palette.setColor(QPalette::Base, QColor(0xff, 0xe0, 0xe0));
    field->setPalette(palette);
}

QLabel *problemLabel(QWidget *parent, const QString &name)
{
    auto *label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(0xb0, 0x00, 0x00));
    label->setPalette(palette);
    label->hide();
    return label;
}

QString withoutMnemonic(const QString &caption)
{
    // A Japanese caption carries its letter in brackets after the words; a Latin one marks a
    // letter of its own, and "&&" stands for "&".
    static const QRegularExpression bracketed(u"\\(&[^&]\\)"_s);
    static const QRegularExpression marker(u"&(.)"_s);
    QString text = caption;
    text.remove(bracketed);
    text.replace(marker, u"\\1"_s);
    return text.trimmed();
}

void nameByCaptions(QWidget *root)
{
    for (QAbstractButton *button : root->findChildren<QAbstractButton *>()) {
        if (!button->text().isEmpty())
            button->setAccessibleName(withoutMnemonic(button->text()));
    }
    for (QTabWidget *tabs : root->findChildren<QTabWidget *>()) {
        for (int i = 0; i < tabs->count(); ++i)
            tabs->tabBar()->setAccessibleTabName(i, withoutMnemonic(tabs->tabText(i)));
    }
}

} // namespace FieldMarks
