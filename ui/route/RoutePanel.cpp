#include "RoutePanel.h"

#include "Fonts.h"
#include "RouteText.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProxyStyle>
#include <QPushButton>
#include <QRubberBand>
#include <QScrollBar>
#include <QStyle>
#include <QTextBlock>
#include <QTextCursor>
#include <qdrawutil.h>

using namespace Qt::StringLiterals;

namespace {

// The panel is laid out in its own coordinates; its top strip is the dock's title bar (the part
// a drag starts from) and the rest its content, so content positions are shifted up by it.
constexpr int StripHeight = 28;

// The strip the panel is dragged by; the dock sizes its title bar by the strip's size hint.
class Strip : public QWidget
{
public:
    explicit Strip(QWidget *parent) : QWidget(parent) { setFixedSize(sizeHint()); }
    QSize sizeHint() const override { return {RoutePanel::PanelWidth, StripHeight}; }
};

QRect inContent(int x, int y, int width, int height)
{
    return QRect(x, y - StripHeight, width, height);
}

QPushButton *makeButton(QWidget *parent, const QString &name, const QString &caption,
                        const QRect &geometry)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(name);
    button->setGeometry(geometry);
    return button;
}

class NoDockSeparatorStyle : public QProxyStyle
{
public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option,
                    const QWidget *widget) const override
    {
        if (metric == PM_DockWidgetSeparatorExtent)
            return 0;
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

} // namespace

std::unique_ptr<QStyle> RoutePanel::dockSiteStyle()
{
    return std::make_unique<NoDockSeparatorStyle>();
}

RoutePanel::RoutePanel(QWidget *parent) : QDockWidget(parent)
{
    setObjectName(u"PanelRoute"_s);
    setWindowTitle(u"道程"_s);
    setFeatures(DockWidgetMovable | DockWidgetFloatable);
    setAllowedAreas(Qt::RightDockWidgetArea);
    // The window opens and closes the panel and sets its own width with it; the main window's
    // context menu must not offer a second way.
    toggleViewAction()->setVisible(false);

    auto *strip = new Strip(this);
    auto *label = new QLabel(u"道程"_s, strip);
    label->setObjectName(u"LabelRoute"_s);
    label->setFont(Fonts::proportional(16, true));
    // Not measured here: a label never resized is sized to its text as it is first shown, and
    // the panel may never be.
    label->move(8, 8);
    setTitleBarWidget(strip);

    auto *content = new QWidget(this);
    content->setFixedSize(PanelWidth, PanelHeight - StripHeight);
    content->setFont(Fonts::proportional(11));

    m_memo = new QPlainTextEdit(content);
    m_memo->setObjectName(u"MemoRoute"_s);
    m_memo->setGeometry(inContent(4, 28, 113, 317));
    m_memo->setReadOnly(true);
    m_memo->setUndoRedoEnabled(false);
    m_memo->setFocusPolicy(Qt::ClickFocus);
    m_memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_memo->setFont(Fonts::fixedPitch(16, true));
    m_memo->setToolTip(u"道程"_s);
    m_memo->setAccessibleName(u"道程"_s);
    QPalette palette = m_memo->palette();
    for (const auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, palette.color(group, QPalette::Button));
    m_memo->setPalette(palette);

    m_output = makeButton(content, u"OutputButton"_s, u"書き出し"_s, inContent(9, 356, 49, 20));
    m_output->setEnabled(false);
    m_clear = makeButton(content, u"ClearButton"_s, u"クリア"_s, inContent(65, 356, 49, 20));
    m_clear->setToolTip(u"道程をクリアする"_s);
    m_clear->setEnabled(false);
    QPushButton *close =
        makeButton(content, u"CloseButton"_s, u"閉じる"_s, inContent(65, 379, 49, 20));
    close->setToolTip(u"パネルを閉じる"_s);
    setWidget(content);

    connect(m_output, &QPushButton::clicked, this, &RoutePanel::outputClicked);
    connect(m_clear, &QPushButton::clicked, this, &RoutePanel::clearClicked);
    connect(close, &QPushButton::clicked, this, &RoutePanel::closeClicked);
    connect(this, &QDockWidget::topLevelChanged, this, [this] {
        update();
        // Mid-drag the panel floats only while it follows the mouse; the drop decides.
        if (!m_pressed)
            settle();
    });
}

void RoutePanel::setRoute(const QList<std::uint16_t> &route)
{
    m_memo->setPlainText(RouteText::routeViewLines(route).join(u'\n'));
    scrollToNewest();
}

void RoutePanel::appendParagraph(std::uint16_t paragraph)
{
    // Appending touches only the end of the document, where a rebuild would lay out every line.
    if (m_memo->document()->isEmpty())
        m_memo->setPlainText(RouteText::numberLine(paragraph));
    else
        m_memo->appendPlainText(RouteText::arrowLine() + u'\n' + RouteText::numberLine(paragraph));
    scrollToNewest();
}

void RoutePanel::removeLastParagraphs(int count)
{
    QTextDocument *document = m_memo->document();
    // Number lines and arrow lines alternate: the paragraphs kept end at line 2 * (kept - 1).
    const int kept = (document->blockCount() + 1) / 2 - count;
    if (kept <= 0 || document->isEmpty()) {
        m_memo->clear();
        return;
    }
    QTextCursor cursor(document->findBlockByNumber(2 * (kept - 1)));
    cursor.movePosition(QTextCursor::EndOfBlock);
    cursor.movePosition(QTextCursor::End, QTextCursor::KeepAnchor);
    cursor.removeSelectedText();
    scrollToNewest();
}

void RoutePanel::clearRoute()
{
    m_memo->clear();
    m_shown = 0;
}

void RoutePanel::followRoute(const QList<std::uint16_t> &route, bool replaced)
{
    const int count = int(route.size()) - 1;
    if (count <= 0)
        clearRoute();
    else if (!replaced && count == m_shown + 1)
        appendParagraph(route.last());
    else if (!replaced && count < m_shown)
        removeLastParagraphs(m_shown - count);
    else if (replaced || count != m_shown)
        setRoute(route.mid(1));
    m_shown = qMax(count, 0);
    scrollToNewest();
}

QStringList RoutePanel::routeViewLines() const
{
    QStringList lines;
    const QTextDocument *document = m_memo->document();
    if (document->isEmpty())
        return lines;
    lines.reserve(document->blockCount());
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next())
        lines.append(block.text());
    return lines;
}

void RoutePanel::scrollToNewest()
{
    m_memo->moveCursor(QTextCursor::End);
    QScrollBar *bar = m_memo->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void RoutePanel::setRouteFileName(const QString &fileName)
{
    m_output->setToolTip(RouteText::outputButtonHint(fileName));
}

void RoutePanel::setOutputEnabled(bool enabled)
{
    m_output->setEnabled(enabled);
}

void RoutePanel::setClearEnabled(bool enabled)
{
    m_clear->setEnabled(enabled);
}

bool RoutePanel::event(QEvent *event)
{
    const bool handled = QDockWidget::event(event);
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        // The dock takes a press only on its strip, where a drag may follow. The window decides
        // where a dragged panel docks, so Qt's own drop zones are closed until the release.
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            m_pressed = handled;
            if (m_pressed)
                setAllowedAreas(Qt::NoDockWidgetArea);
        }
        break;
    case QEvent::MouseMove:
        // The dock grabs the mouse the moment the pointer has moved far enough to drag.
        if (m_pressed && !m_dragging && QWidget::mouseGrabber() == this) {
            m_dragging = true;
            Q_EMIT dragStarted();
        }
        if (m_dragging)
            showDropOutline(overWindow(static_cast<QMouseEvent *>(event)->globalPosition()));
        break;
    case QEvent::MouseButtonRelease:
        if (static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
            const bool dragged = m_dragging;
            m_pressed = false;
            m_dragging = false;
            setAllowedAreas(Qt::RightDockWidgetArea);
            showDropOutline(false);
            if (dragged)
                settleAfterDrag(overWindow(static_cast<QMouseEvent *>(event)->globalPosition()));
        }
        break;
    default:
        break;
    }
    return handled;
}

bool RoutePanel::overWindow(const QPointF &globalPosition) const
{
    const QWidget *window = parentWidget();
    return window && window->rect().contains(window->mapFromGlobal(globalPosition).toPoint());
}

void RoutePanel::showDropOutline(bool shown)
{
    auto *window = qobject_cast<QMainWindow *>(parentWidget());
    if (!window || !window->centralWidget())
        return;
    if (!m_outline)
        m_outline = new QRubberBand(QRubberBand::Rectangle, window);
    // The strip at the right of the sheet, where a dropped panel lands.
    m_outline->setGeometry(window->contentsRect().right() + 1 - PanelWidth,
                           window->centralWidget()->y(), PanelWidth, PanelHeight);
    m_outline->setVisible(shown);
    m_outline->raise();
}

void RoutePanel::settleAfterDrag(bool droppedOnWindow)
{
    // A drop anywhere over the window docks the panel in its strip, whatever part of the window
    // the pointer is over; docking reports the settled panel through topLevelChanged.
    if (droppedOnWindow && isFloating()) {
        setFloating(false);
        if (!isFloating())
            return;
    }
    settle();
}

void RoutePanel::settle()
{
    update();
    scrollToNewest();
    Q_EMIT dockSettled(isFloating());
}

void RoutePanel::paintEvent(QPaintEvent *event)
{
    QDockWidget::paintEvent(event);
    QPainter painter(this);
    if (isFloating()) {
        // A floating panel has no bevels; the thin frame around it is its window's edge.
        const int frame = style()->pixelMetric(QStyle::PM_DockWidgetFrameWidth, nullptr, this);
        if (frame > 0)
            qDrawPlainRect(&painter, rect(), palette().color(QPalette::Dark), frame);
    } else {
        // Docked, an outer lowered and an inner raised bevel, two pixels each.
        qDrawShadeRect(&painter, rect(), palette(), true, 2, 0);
    }
}
