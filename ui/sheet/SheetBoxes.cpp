#include "SheetBoxes.h"

#include "CharacterRecord.h"
#include "CheckListBox.h"
#include "Cp932Input.h"
#include "DiceStrip.h"
#include "Fonts.h"
#include "SpinButton.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

constexpr int FirstRowTop = 56;
constexpr int RowPitch = 24;

// The spin buttons of the origins keep the names they have always had, lower-case "max" and all.
const char16_t *const OriginSpinNames[SheetBoxes::AbilityCount] = {
    u"UpDownAbl1Max", u"UpDownAbl2max", u"UpDownAbl3Max", u"UpDownAbl4max",
    u"UpDownAbl5Max", u"UpDownAbl6Max", u"UpDownAbl7max", u"UpDownAbl8Max"};

template <typename W>
W *place(W *widget, const QString &name, int left, int top, int width = -1, int height = -1)
{
    widget->setObjectName(name);
    if (width < 0)
        widget->move(left, top);
    else
        widget->setGeometry(left, top, width, height);
    return widget;
}

// A label's top is that of the 20-pixel box beside it, its text centred on the box's height.
QLabel *label(QWidget *parent, const QString &name, const QString &caption, int left, int top)
{
    auto *widget = place(new QLabel(caption, parent), name, left, top);
    widget->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    widget->adjustSize();
    widget->setFixedHeight(20);
    return widget;
}

QLineEdit *numberBox(QWidget *parent, const QString &name, const QString &hint, int left, int top,
                     int width)
{
    auto *edit = place(new QLineEdit(u"0"_s, parent), name, left, top, width, 20);
    edit->setToolTip(hint);
    // Only single-byte digits are typed here: no input method.
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    return edit;
}

SpinButton *spinButton(QWidget *parent, const QString &name, QLineEdit *buddy, int left, int top)
{
    auto *spin = place(new SpinButton(parent), name, left, top, 13, 20);
    spin->setBuddy(buddy);
    spin->setRange(-32767, 32767);
    return spin;
}

} // namespace

SheetBoxes SheetBoxes::create(QWidget *sheet, const SettingsValues &settings)
{
    SheetBoxes b;
    b.nameLabel = label(sheet, u"LabelName"_s, u"名前"_s, 8, 8);
    b.name = place(new QLineEdit(sheet), u"EditName"_s, 64, 8, 153, 20);
    b.name->setToolTip(u"キャラクターの名前"_s);
    Cp932Input::guard(b.name, CharacterRecord::NameBytes);

    const QString fullWidthDigits = u"１２３４５６７８"_s;
    for (int i = 0; i < AbilityCount; ++i) {
        const int top = FirstRowTop + RowPitch * i;
        const QString n = QString::number(i + 1);
        auto *name = label(sheet, u"LabelAbl"_s + n, u"能力値"_s + fullWidthDigits[i], 8, top);
        name->setFixedWidth(64);
        auto *origin = numberBox(sheet, u"EditAbl%1Max"_s.arg(n), u"原点"_s, 88, top, 40);
        b.abilityLabels.append(name);
        b.origins.append(origin);
        b.originSpins.append(
            spinButton(sheet, QString::fromUtf16(OriginSpinNames[i]), origin, 128, top));
        b.slashes.append(label(sheet, u"LabelSepAbl"_s + n, u"/"_s, 149, top));
        auto *current = numberBox(sheet, u"EditAbl"_s + n, u"現在値"_s, 165, top, 40);
        b.currents.append(current);
        b.currentSpins.append(spinButton(sheet, u"UpDownAbl"_s + n, current, 205, top));
    }

    b.moneyLabel = label(sheet, u"LabelMoney"_s, u"所持金"_s, 8, 264);
    b.money = numberBox(sheet, u"EditMoney"_s, u"所持金記入欄"_s, 72, 264, 145);

    b.inventoryLabel = label(sheet, u"LabelInventry"_s, u"所持品"_s, 240, 8);
    b.inventory = place(new Cp932PlainTextEdit(sheet), u"MemoInventry"_s, 240, 40, 241, 209);
    b.inventory->setToolTip(u"所持品記入欄"_s);
    b.inventory->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    b.inventory->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    b.inventory->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    b.inventory->setTabChangesFocus(true);

    b.paragraphLabel = label(sheet, u"LabelNow"_s, u"現在のパラグラフ"_s, 240, 264);
    b.paragraph = place(new QLineEdit(u"0"_s, sheet), u"EditNow"_s, 384, 264, 57, 20);
    b.paragraph->setToolTip(u"現在地記入欄"_s);
    Cp932Input::limitTyping(b.paragraph, 4);
    b.paragraph->setFont(Fonts::fixedPitch(12, true));
    b.paragraph->setAttribute(Qt::WA_InputMethodEnabled, false);
    b.registerButton =
        place(new QPushButton(u"登録"_s, sheet), u"ButtonAssign"_s, 448, 264, 33, 17);
    b.registerButton->setToolTip(u"道程に登録する"_s);

    b.flags = place(new CheckListBox(sheet), u"CheckListBoxFL"_s, 0, 294, 489, 66);

    b.dice = new DiceStrip(settings, sheet);
    b.dice->move(0, 370);

    // Read aloud, the other boxes are called by their hints.
    for (QWidget *box : QList<QWidget *>{b.name, b.money, b.inventory, b.paragraph})
        box->setAccessibleName(box->toolTip());
    b.flags->setAccessibleName(u"フラグ"_s);
    return b;
}

QList<QWidget *> SheetBoxes::tabOrder() const
{
    QList<QWidget *> order{name};
    for (QLineEdit *edit : origins)
        order.append(edit);
    for (QLineEdit *edit : currents)
        order.append(edit);
    order << money << inventory << paragraph << registerButton << flags;
    return order;
}

QList<QLineEdit *> SheetBoxes::numberBoxes() const
{
    return origins + currents + QList<QLineEdit *>{money};
}
