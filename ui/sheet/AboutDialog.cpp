#include "AboutDialog.h"

#include "Fonts.h"
#include "ProgramIcon.h"
#include "VersionInfo.h"

#include <QDesktopServices>
#include <QFontMetrics>
#include <QFrame>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace {

constexpr int RightEdge = 217;
constexpr int RightOfIcon = 48;

QLabel *makeLabel(QWidget *parent, const char16_t *name, int x, int y)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromUtf16(name));
    label->move(x, y);
    return label;
}

// Right-aligned labels keep their right edge where it is whatever their text.
QLabel *makeRightLabel(QWidget *parent, const char16_t *name, int top, int height)
{
    QLabel *label = makeLabel(parent, name, RightOfIcon, top);
    label->setGeometry(RightOfIcon, top, RightEdge - RightOfIcon, height);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}

// A long product name would run over the icon: it gets smaller type, down to the size of the
// other labels, and only then loses its end.
void fitText(QLabel *label, const QString &text, int smallestPixelSize)
{
    QFont font = label->font();
    while (font.pixelSize() > smallestPixelSize &&
           QFontMetrics(font).horizontalAdvance(text) > label->width())
        font.setPixelSize(font.pixelSize() - 1);
    label->setFont(font);
    const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, label->width());
    label->setText(shown);
    label->setToolTip(shown == text ? QString() : text);
}

void setTextColour(QLabel *label, const QColor &colour)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
}

QString item(VersionInfo::Item number)
{
    return readVersionItem(number).value_or(QString());
}

} // namespace

AboutDialog::AboutDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(u"AboutBox"_s);
    setWindowTitle(u"バージョン情報"_s);
    setFixedSize(248, 192);
    setFont(Fonts::proportional(12));

    auto *panel = new QFrame(this);
    panel->setObjectName(u"PanelAbout"_s);
    panel->setGeometry(8, 8, 225, 137);
    // A lowered outer and a raised inner bevel: an etched frame.
    panel->setFrameStyle(QFrame::Box | QFrame::Sunken);

    auto *icon = makeLabel(panel, u"ProgramIcon", 8, 32);
    icon->setFixedSize(32, 32);
    icon->setPixmap(ProgramIcon::pixmap(32));
    icon->setScaledContents(true);

    m_description = makeLabel(panel, u"Description", 8, 8);
    m_productName = makeRightLabel(panel, u"ProductName", 32, 24);
    m_productName->setFont(Fonts::proportional(20, true));
    m_version = makeRightLabel(panel, u"Version", 57, 16);
    m_copyright = makeLabel(panel, u"Copyright", 8, 80);
    m_url = makeLabel(panel, u"URL", 8, 100);
    m_mailAddress = makeLabel(panel, u"MailAddress", 8, 116);

    QFont underlined = font();
    underlined.setUnderline(true);
    for (QLabel *clickable : {m_url, m_mailAddress}) {
        clickable->setFont(underlined);
        clickable->setCursor(Qt::PointingHandCursor);
        setTextColour(clickable, palette().color(QPalette::Link));
    }

    auto *ok = new QPushButton(u"OK"_s, this);
    ok->setObjectName(u"OKButton"_s);
    ok->setGeometry(87, 156, 75, 25);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    fillLabels();
}

void AboutDialog::fillLabels()
{
    m_description->setText(item(VersionInfo::FileDescription));
    m_copyright->setText(item(VersionInfo::LegalCopyright));
    m_productName->setText(item(VersionInfo::ProductName));
    m_version->setText(item(VersionInfo::FileVersion));
    // The label shows the save files' version string; the build that made this program, which
    // --version and the package name, is in its hint.
    m_version->setToolTip(u"ビルド "_s + VersionInfo::buildVersion());
    m_url->setText(VersionInfo::makerWebPage());
    m_mailAddress->setText(VersionInfo::makerMailAddress());

    m_links = {m_url, m_mailAddress};
    for (QLabel *label : m_links) {
        label->setAccessibleName(label->text());
        label->installEventFilter(this);
    }
}

void AboutDialog::setVisible(bool visible)
{
    if (visible)
        fitTexts();
    QDialog::setVisible(visible);
}

// Measuring a text lays it out in its font, glyph by glyph: the box is created at start-up but
// seldom opened, so its labels are measured when it first opens.
void AboutDialog::fitTexts()
{
    if (m_fitted)
        return;
    m_fitted = true;
    fitText(m_productName, item(VersionInfo::ProductName), 12);
    for (QLabel *label : {m_description, m_copyright, m_url, m_mailAddress})
        label->adjustSize();
}

void AboutDialog::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        centreOnScreen();
    QDialog::showEvent(event);
}

void AboutDialog::centreOnScreen()
{
    // In the middle of the screen at every opening, wherever the user left it last time.
    const QScreen *shown = screen();
    if (!shown)
        return;
    const QRect area = shown->geometry();
    const QSize own = frameGeometry().size();
    move(area.left() + (area.width() - own.width()) / 2,
         area.top() + (area.height() - own.height()) / 2);
}

bool AboutDialog::eventFilter(QObject *watched, QEvent *event)
{
    auto *label = qobject_cast<QLabel *>(watched);
    if (!label || !m_links.contains(label))
        return QDialog::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::Enter:
        highlightLink(label);
        break;
    case QEvent::Leave:
        unhighlightLink(label);
        break;
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() == Qt::LeftButton &&
            label->rect().contains(mouse->position().toPoint())) {
            if (label == m_url)
                openWebPage();
            else
                openMailAddress();
            return true;
        }
        break;
    }
    default:
        break;
    }
    return QDialog::eventFilter(watched, event);
}

void AboutDialog::highlightLink(QLabel *label)
{
    setTextColour(label, QColor(255, 0, 0));
}

void AboutDialog::unhighlightLink(QLabel *label)
{
    setTextColour(label, palette().color(QPalette::Link));
}

// Nothing is reported when no browser or mail program takes the address.
void AboutDialog::openWebPage()
{
    QDesktopServices::openUrl(QUrl(VersionInfo::makerWebPage()));
}

void AboutDialog::openMailAddress()
{
    QDesktopServices::openUrl(QUrl(u"mailto:"_s + VersionInfo::makerMailAddress()));
}
