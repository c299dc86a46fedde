#include "HistoryWindow.h"

#include "Ledger.h"
#include "UniformListView.h"

#include <QAbstractListModel>
#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace HistoryWindowDetail {

// The timeline as the list shows it, one line each: a row's title, then a line for each
// change made on it. Showing a ledger again replaces only the lines of the rows it told again.
class Lines : public QAbstractListModel
{
public:
    static constexpr int ChangeRole = Qt::UserRole + 1;

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_lines.size());
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid() || index.row() >= m_lines.size())
            return {};
        switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole:
            return m_lines[index.row()];
        case Qt::FontRole:
            if (!isChange(index.row())) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            return {};
        case ChangeRole:
            return isChange(index.row());
        default:
            return {};
        }
    }

    void show(const Ledger &ledger, int fromRow)
    {
        fromRow = std::clamp(fromRow, 0, rows());
        const int firstLine = fromRow < rows() ? m_rowStart[fromRow] : int(m_lines.size());
        QStringList told;
        QList<int> starts;
        for (qsizetype i = fromRow; i < ledger.rows().size(); ++i) {
            const Ledger::Row &row = ledger.rows()[i];
            starts.append(firstLine + int(told.size()));
            told.append(row.title);
            told.append(row.changes);
        }
        const int before = int(m_lines.size()) - firstLine;
        const int after = int(told.size());
        const int kept = std::min(before, after);
        m_rowStart.resize(fromRow);
        m_rowStart.append(starts);
        // Only the lines whose text changed are repainted.
        int firstChanged = -1;
        int lastChanged = -1;
        for (int i = 0; i < kept; ++i) {
            QString &line = m_lines[firstLine + i];
            if (line == told[i])
                continue;
            line = told[i];
            if (firstChanged < 0)
                firstChanged = firstLine + i;
            lastChanged = firstLine + i;
        }
        if (firstChanged >= 0)
            Q_EMIT dataChanged(index(firstChanged), index(lastChanged));
        if (after > before) {
            beginInsertRows({}, firstLine + kept, firstLine + after - 1);
            m_lines.append(told.mid(kept));
            endInsertRows();
        } else if (before > after) {
            beginRemoveRows({}, firstLine + after, firstLine + before - 1);
            m_lines.resize(firstLine + after);
            endRemoveRows();
        }
    }

    int rows() const { return int(m_rowStart.size()); }
    int titleLine(int row) const { return m_rowStart[row]; }
    int lastLine(int row) const
    {
        return row + 1 < rows() ? m_rowStart[row + 1] - 1 : int(m_lines.size()) - 1;
    }
    int rowOfLine(int line) const
    {
        return int(std::upper_bound(m_rowStart.cbegin(), m_rowStart.cend(), line) -
                   m_rowStart.cbegin()) -
               1;
    }
    QString line(int line) const { return m_lines[line]; }

private:
    bool isChange(int line) const
    {
        const int row = rowOfLine(line);
        return row >= 0 && m_rowStart[row] != line;
    }

    QStringList m_lines;
    QList<int> m_rowStart; // the title line of each row
};

} // namespace HistoryWindowDetail

namespace {

// One line of text on the item's background, a change set in under its row's title. The
// style's own item drawing measures and lays the text out several times over to place icons and
// check marks these lines never have; here the text is shaped once to elide it and once to draw.
class LineDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem item(option);
        initStyleOption(&item, index);
        const QWidget *view = item.widget;
        QStyle *style = view ? view->style() : QApplication::style();
        style->drawPrimitive(QStyle::PE_PanelItemViewItem, &item, painter, view);

        const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 1;
        const int indent = index.data(HistoryWindowDetail::Lines::ChangeRole).toBool()
                               ? item.fontMetrics.height()
                               : 0;
        const QRect text = item.rect.adjusted(margin + indent, 0, -margin, 0);
        const QPalette::ColorGroup group =
            !(item.state & QStyle::State_Enabled) ? QPalette::Disabled
            : (item.state & QStyle::State_Active) ? QPalette::Normal
                                                  : QPalette::Inactive;
        painter->save();
        painter->setFont(item.font);
        painter->setPen(item.palette.color(group, (item.state & QStyle::State_Selected)
                                                      ? QPalette::HighlightedText
                                                      : QPalette::Text));
        const QString shown =
            QFontMetrics(item.font).elidedText(item.text, Qt::ElideRight, text.width());
        painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
        painter->restore();

        if (item.state & QStyle::State_HasFocus) {
            QStyleOptionFocusRect focus;
            focus.QStyleOption::operator=(item);
            focus.rect = style->subElementRect(QStyle::SE_ItemViewItemFocusRect, &item, view);
            focus.state |= QStyle::State_KeyboardFocusChange | QStyle::State_Item;
            focus.backgroundColor = item.palette.color(group, (item.state & QStyle::State_Selected)
                                                                  ? QPalette::Highlight
                                                                  : QPalette::Window);
            style->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, painter, view);
        }
    }
};

} // namespace

HistoryWindow::HistoryWindow(QWidget *parent)
    : QDialog(parent), m_status(new QLabel(this)), m_lines(new HistoryWindowDetail::Lines(this)),
      m_rows(new UniformListView(this)), m_rewind(new QPushButton(u"この時点に戻る"_s, this)),
      m_export(new QPushButton(u"書き出し"_s, this))
{
    setObjectName(u"HistoryWindow"_s);
    setWindowTitle(u"履歴"_s);
    m_status->setObjectName(u"HistoryStatus"_s);
    m_status->setWordWrap(true);
    m_status->hide();
    m_rows->setObjectName(u"HistoryList"_s);
    m_rows->setModel(m_lines);
    m_rows->setItemDelegate(new LineDelegate(m_rows));
    m_rows->setSelectionMode(QAbstractItemView::SingleSelection);
    m_rows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_rows->setAccessibleName(u"履歴"_s);
    m_rewind->setObjectName(u"RewindButton"_s);
    m_rewind->setToolTip(u"選んだパラグラフを登録した時点のシートに戻す"_s);
    m_export->setObjectName(u"ExportButton"_s);
    m_export->setToolTip(u"履歴をテキストファイルに書き出す"_s);
    auto *close = new QPushButton(u"閉じる"_s, this);
    close->setObjectName(u"CloseButton"_s);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(m_rewind);
    buttons->addWidget(m_export);
    buttons->addStretch();
    buttons->addWidget(close);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_rows);
    layout->addLayout(buttons);
    resize(420, 480);

    connect(m_rows->selectionModel(), &QItemSelectionModel::currentChanged, this,
            &HistoryWindow::updateButtons);
    connect(m_rewind, &QPushButton::clicked, this, [this] {
        if (selectedRow() >= 0)
            Q_EMIT rewindRequested(selectedRow());
    });
    connect(m_export, &QPushButton::clicked, this, &HistoryWindow::exportRequested);
    connect(close, &QPushButton::clicked, this, &QDialog::close);
    updateButtons();
}

void HistoryWindow::setLedger(const Ledger &ledger, int fromRow)
{
    m_lines->show(ledger, fromRow);
    selectRow(m_lines->rows() - 1);
}

void HistoryWindow::setStatus(const QString &text)
{
    m_status->setText(text);
    m_status->setVisible(!text.isEmpty());
}

int HistoryWindow::selectedRow() const
{
    // A change line stands for the row it belongs to.
    const QModelIndex current = m_rows->currentIndex();
    return current.isValid() ? m_lines->rowOfLine(current.row()) : -1;
}

void HistoryWindow::selectRow(int row)
{
    if (row < 0 || row >= m_lines->rows()) {
        m_rows->setCurrentIndex({});
    } else {
        // The row's changes in view as far as they fit, its title always.
        m_rows->scrollTo(m_lines->index(m_lines->lastLine(row)));
        m_rows->setCurrentIndex(m_lines->index(m_lines->titleLine(row)));
        m_rows->scrollTo(m_rows->currentIndex());
    }
    updateButtons();
}

int HistoryWindow::rowCount() const
{
    return m_lines->rows();
}

QString HistoryWindow::rowTitle(int row) const
{
    if (row < 0 || row >= m_lines->rows())
        return {};
    return m_lines->line(m_lines->titleLine(row));
}

void HistoryWindow::updateButtons()
{
    m_rewind->setEnabled(selectedRow() >= 0);
    m_export->setEnabled(m_lines->rows() > 0);
}
