#include "TfrmList.h"

#include <QHeaderView>
#include <QMdiSubWindow>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace qx {

namespace {

constexpr int kRowHeight = 18;

// The row number column looks like the heading: it is the grid's fixed column.
class FixedColumnDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        option->backgroundBrush = option->palette.button();
        option->palette.setColor(QPalette::Text, option->palette.color(QPalette::ButtonText));
    }
};

} // namespace

TfrmList::TfrmList(QWidget *parent) : QWidget(parent)
{
    setObjectName("frmList");
    m_model = new TableModel(this);
    m_grid = new QTableView(this);
    m_grid->setObjectName("Grid1");
    m_grid->setModel(m_model);
    m_grid->setShowGrid(true);
    m_grid->setWordWrap(false);
    m_grid->setSelectionMode(QAbstractItemView::ContiguousSelection);
    m_grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->setItemDelegateForColumn(0, new FixedColumnDelegate(m_grid));
    // Fixed row heights let the view place any of a million rows without measuring them.
    QHeaderView *rows = m_grid->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setMinimumSectionSize(kRowHeight);
    rows->setDefaultSectionSize(kRowHeight);
    rows->hide();
    m_grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    m_grid->horizontalHeader()->setHighlightSections(false);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_grid);
}

TfrmList *createTableWindow(WindowHost &host, const QString &caption)
{
    auto *list = new TfrmList;
    list->setWindowTitle(caption);
    QMdiSubWindow *sub = host.addChild(list);
    sub->setWindowTitle(caption);
    sub->resize(520, 400);
    sub->show();
    return list;
}

} // namespace qx
