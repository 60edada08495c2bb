// The first column of a table held in view while the table scrolls sideways.
#include "windows/notebook/FrozenColumn.h"

#include <QEvent>
#include <QHeaderView>
#include <QScopeGuard>
#include <QScrollBar>

#include <algorithm>

FrozenColumn::FrozenColumn(QTableView* table) : QTableView(table), table_(table) {
    setModel(table->model());
    setSelectionModel(table->selectionModel());
    setSelectionBehavior(table->selectionBehavior());
    setSelectionMode(table->selectionMode());
    setEditTriggers(table->editTriggers());
    setFont(table->font());
    setFocusPolicy(Qt::NoFocus);
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(table->verticalScrollMode());
    for (int column = 1; column < model()->columnCount(); ++column)
        setColumnHidden(column, true);
    setColumnWidth(0, table->columnWidth(0));

    // No row numbers: they would push the column off the table's.
    QHeaderView* rows = verticalHeader();
    const QHeaderView* tableRows = table->verticalHeader();
    rows->hide();
    rows->setMinimumSectionSize(tableRows->minimumSectionSize());
    rows->setDefaultSectionSize(tableRows->defaultSectionSize());
    QHeaderView* header = horizontalHeader();
    const QHeaderView* tableHeader = table->horizontalHeader();
    header->setStyleSheet(tableHeader->styleSheet());
    header->setFont(tableHeader->font());
    header->setHighlightSections(tableHeader->highlightSections());

    // Widths, heights and the scrolling up and down follow each other both ways.
    connect(tableHeader, &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (column == 0) {
            setColumnWidth(0, size);
            place();
        }
    });
    connect(header, &QHeaderView::sectionResized, table, [table](int column, int, int size) {
        if (column == 0)
            table->setColumnWidth(0, size);
    });
    connect(tableRows, &QHeaderView::sectionResized, this,
            [this](int row, int, int size) { setRowHeight(row, size); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, table->verticalScrollBar(),
            &QScrollBar::setValue);
    connect(table->verticalScrollBar(), &QScrollBar::valueChanged, verticalScrollBar(),
            &QScrollBar::setValue);
    connect(this, &QTableView::doubleClicked, table, &QTableView::doubleClicked);

    // The table's cells go on under this view; its size follows the table's visible cells.
    table->viewport()->stackUnder(this);
    table->viewport()->installEventFilter(this);
    place();
}

void FrozenColumn::place() {
    const QRect cells = table_->viewport()->geometry();
    const int headerHeight = table_->horizontalHeader()->height();
    horizontalHeader()->setFixedHeight(headerHeight);
    setGeometry(cells.x(), cells.y() - headerHeight, std::min(columnWidth(0), cells.width()),
                cells.height() + headerHeight);
}

bool FrozenColumn::eventFilter(QObject* watched, QEvent* event) {
    // The type first: while the table is being destroyed its cells still send events, and the
    // table can no longer be asked for anything.
    if (event->type() == QEvent::Resize && watched == table_->viewport()) {
        place();
        return false;
    }
    return QTableView::eventFilter(watched, event);
}

namespace {

// A click on the held column makes a cell of it current, and the table would scroll back to that
// cell: the table holds still, as it does for a click on itself.
template <typename Handler> void keepingStill(QAbstractItemView& table, Handler handler) {
    const auto restore =
        qScopeGuard([&table, scrolls = table.hasAutoScroll()] { table.setAutoScroll(scrolls); });
    table.setAutoScroll(false);
    handler();
}

} // namespace

void FrozenColumn::mousePressEvent(QMouseEvent* event) {
    keepingStill(*table_, [&] { QTableView::mousePressEvent(event); });
}

void FrozenColumn::mouseMoveEvent(QMouseEvent* event) {
    keepingStill(*table_, [&] { QTableView::mouseMoveEvent(event); });
}
