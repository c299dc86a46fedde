#pragma once

#include <QDockWidget>
#include <QList>
#include <QStringList>

#include <cstdint>
#include <memory>

class QPlainTextEdit;
class QPushButton;
class QRubberBand;
class QStyle;

// The route panel at the right of the main window: the route as a column of paragraph numbers
// joined by arrows, and the buttons to export, clear and close it. It docks only at the right
// and floats as a tool window titled "道程", dragged by its top strip in both states. It holds
// no route of its own: the window hands it the record's route and decides what the buttons do.
class RoutePanel : public QDockWidget
{
    Q_OBJECT

public:
    static constexpr int PanelWidth = 121;
    static constexpr int PanelHeight = 410;

    explicit RoutePanel(QWidget *parent = nullptr);

    // The style of the window the panel docks into: no separator between the window's sheet
    // and the docked panel, which sit flush, so the window is as wide as the two together.
    static std::unique_ptr<QStyle> dockSiteStyle();

    // Shows the route anew, the newest paragraph in view.
    void setRoute(const QList<std::uint16_t> &route);
    // Adds one paragraph below the others, as setRoute with the longer route would show it,
    // at a cost that does not grow with the route.
    void appendParagraph(std::uint16_t paragraph);
    // Takes the newest count paragraphs away, at a cost that does not grow with the route.
    void removeLastParagraphs(int count);
    void clearRoute();
    // Brings the view to route (entry 0 first, which is never shown): entries added or taken
    // off at its end are added or taken off in the view; a route replaced is shown anew.
    void followRoute(const QList<std::uint16_t> &route, bool replaced);
    // The lines of the view as they stand, for the route report.
    QStringList routeViewLines() const;
    void scrollToNewest();

    // The export button's tooltip names the file an export would write.
    void setRouteFileName(const QString &fileName);
    void setOutputEnabled(bool enabled);
    void setClearEnabled(bool enabled);

Q_SIGNALS:
    void outputClicked();
    void clearClicked();
    void closeClicked();
    // A drag of the panel has begun, docked or floating: the strip it may dock into should show.
    void dragStarted();
    // The panel has come to rest after a drag, or docked or floated without one (a double click
    // on its strip): floating or docked, bevels set, the newest paragraph in view.
    void dockSettled(bool floating);

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void settle();
    void settleAfterDrag(bool droppedOnWindow);
    bool overWindow(const QPointF &globalPosition) const;
    void showDropOutline(bool shown);

    QPlainTextEdit *m_memo = nullptr;
    QPushButton *m_output = nullptr;
    QPushButton *m_clear = nullptr;
    QRubberBand *m_outline = nullptr;
    int m_shown = 0;         // the paragraphs the view shows
    bool m_pressed = false;  // the left button went down on the strip and may start a drag
    bool m_dragging = false; // the panel follows the mouse
};
