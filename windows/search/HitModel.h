#pragma once

#include "store/search/SearchService.h"

#include <QAbstractTableModel>
#include <QStyledItemDelegate>

namespace windows::search {

// The hits of one answer as the search window lists them: 日付, 備考, 本文, newest first. Rows
// beyond the answer's first ones are asked for from the search service as the list scrolls.
class HitModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { DateColumn, RemarkColumn, ExcerptColumn, ColumnCount };
    enum Role {
        DayRole = Qt::UserRole, // the hit's day (QDate)
        BoldStartRole,          // where the match sits in the excerpt
        BoldLengthRole,
    };

    using QAbstractTableModel::QAbstractTableModel;

    // Shows an answer in place of the one before.
    void setAnswer(quint64 answer, const QStringList& words, int count,
                   const QVector<store::search::Hit>& first);
    // Empties the list: no answer is shown.
    void clear();
    // More rows of the shown answer; rows of another answer, or not following the ones listed,
    // are dropped.
    void addRows(quint64 answer, int from, const QVector<store::search::Hit>& rows);

    // The shown answer's words, as the search compares them.
    const QStringList& words() const { return words_; }
    // The number of hits of the shown answer (more than the rows listed while some are to come).
    int count() const { return count_; }
    QDate day(int row) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

private:
    quint64 answer_ = 0;
    QStringList words_;
    int count_ = 0;
    QVector<store::search::Hit> rows_;
    // The first row asked for and not yet arrived, or -1: one request at a time.
    int waitingFrom_ = -1;
    // The service had no more rows to give, whatever the count said.
    bool exhausted_ = true;
};

// Draws an excerpt on one line with the matching part in bold. The text itself stays plain in
// the model, so that a screen reader reads it as it is.
class ExcerptDelegate : public QStyledItemDelegate {
public:
    // Space between the text and the cell's left edge, in pixels.
    static constexpr int Margin = 3;

    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
};

} // namespace windows::search
