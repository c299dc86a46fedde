#include "LabelledComboBox.h"

#include <QAbstractItemView>
#include <QAccessibleWidget>

using namespace Qt::StringLiterals;

namespace {

class LabelledComboAccessible : public QAccessibleWidget
{
public:
    explicit LabelledComboAccessible(QWidget *box) : QAccessibleWidget(box, QAccessible::ComboBox)
    {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Value)
            return box()->currentText();
        if (t == QAccessible::Name && !widget()->accessibleName().isEmpty())
            return widget()->accessibleName();
        return t == QAccessible::Name ? box()->currentText() : QAccessibleWidget::text(t);
    }

    // The list that drops down is the one child, as it is for a plain drop-down list.
    int childCount() const override { return 1; }
    QAccessibleInterface *child(int index) const override
    {
        return index == 0 ? QAccessible::queryAccessibleInterface(box()->view()) : nullptr;
    }
    int indexOfChild(const QAccessibleInterface *child) const override
    {
        return child && child->object() == box()->view() ? 0 : -1;
    }

    QStringList actionNames() const override
    {
        return QStringList{showMenuAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString &name) override
    {
        if (name == showMenuAction() || name == pressAction())
            box()->showPopup();
        else
            QAccessibleWidget::doAction(name);
    }

private:
    QComboBox *box() const { return static_cast<QComboBox *>(widget()); }
};

QAccessibleInterface *labelledComboFactory(const QString &className, QObject *object)
{
    if (className == u"LabelledComboBox"_s && object && object->isWidgetType())
        return new LabelledComboAccessible(static_cast<QWidget *>(object));
    return nullptr;
}

} // namespace

LabelledComboBox::LabelledComboBox(QWidget *parent) : QComboBox(parent)
{
    static const bool installed = [] {
        QAccessible::installFactory(labelledComboFactory);
        return true;
    }();
    Q_UNUSED(installed);
}
