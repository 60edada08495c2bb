#pragma once

#include <QTableView>

// A table's first column held in view at its left edge while the rest scrolls sideways: a view
// of the same model and selection laid over the table, showing that column only.
//
// It lives as the table's child. The table keeps the focus and the keyboard; a double-click on
// the held column counts as one on the table.
class FrozenColumn : public QTableView {
    Q_OBJECT
public:
    explicit FrozenColumn(QTableView* table);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    // Over the table's first column, from the top of its header to the bottom of its cells.
    void place();

    QTableView* table_;
};
