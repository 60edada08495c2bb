#include "windows/search/HitModel.h"

#include "platform/Dates.h"

#include <QApplication>
#include <QPainter>

#include <algorithm>
#include <utility>

namespace windows::search {

namespace {

// Rows asked for at a time while the list scrolls: a few screens' worth.
constexpr int FetchBatch = 100;

QString dayText(const QDate& day) {
    static const platform::dates::Pattern pattern(QStringLiteral("yyyy/mm/dd (aaa)"));
    return pattern.format(day, QTime());
}

} // namespace

void HitModel::setAnswer(quint64 answer, const QStringList& words, int count,
                         const QVector<store::search::Hit>& first) {
    beginResetModel();
    answer_ = answer;
    words_ = words;
    count_ = count;
    rows_ = first;
    waitingFrom_ = -1;
    exhausted_ = rows_.size() >= count_;
    endResetModel();
}

void HitModel::clear() {
    setAnswer(0, {}, 0, {});
}

void HitModel::addRows(quint64 answer, int from, const QVector<store::search::Hit>& rows) {
    if (answer != answer_ || from != rows_.size())
        return;
    waitingFrom_ = -1;
    if (rows.isEmpty()) {
        // Fewer hits than counted (entries deleted since): stop asking.
        exhausted_ = true;
        return;
    }
    beginInsertRows({}, from, from + int(rows.size()) - 1);
    rows_.append(rows);
    endInsertRows();
    exhausted_ = rows_.size() >= count_;
}

QDate HitModel::day(int row) const {
    return row >= 0 && row < rows_.size() ? rows_[row].day : QDate();
}

int HitModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(rows_.size());
}

int HitModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant HitModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_.size())
        return {};
    const store::search::Hit& hit = rows_[index.row()];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
        switch (index.column()) {
        case DateColumn:
            return role == Qt::DisplayRole ? dayText(hit.day) : QVariant();
        case RemarkColumn:
            return hit.remark;
        case ExcerptColumn:
            return hit.excerpt;
        default:
            return {};
        }
    case DayRole:
        return hit.day;
    case BoldStartRole:
        return hit.boldStart;
    case BoldLengthRole:
        return hit.boldLength;
    default:
        return {};
    }
}

QVariant HitModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case DateColumn:
        return QStringLiteral("日付");
    case RemarkColumn:
        return QStringLiteral("備考");
    case ExcerptColumn:
        return QStringLiteral("本文");
    default:
        return {};
    }
}

bool HitModel::canFetchMore(const QModelIndex& parent) const {
    return !parent.isValid() && !exhausted_ && waitingFrom_ < 0;
}

void HitModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent))
        return;
    waitingFrom_ = int(rows_.size());
    store::search::service().fetch(answer_, waitingFrom_,
                                   std::min(FetchBatch, count_ - waitingFrom_));
}

void ExcerptDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    const QString text = std::exchange(cell.text, QString());
    // Background, selection and focus as usual, without the text.
    const QWidget* view = cell.widget;
    QStyle* style = view != nullptr ? view->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, view);

    const int start = std::clamp(index.data(HitModel::BoldStartRole).toInt(), 0, int(text.size()));
    const int length =
        std::clamp(index.data(HitModel::BoldLengthRole).toInt(), 0, int(text.size()) - start);
    QFont bold(cell.font);
    bold.setBold(true);
    const QRect area = cell.rect.adjusted(Margin, 0, -Margin, 0);
    const QFontMetrics metrics(cell.font);
    const int baseline = area.top() + (area.height() + metrics.ascent() - metrics.descent()) / 2;

    painter->save();
    painter->setClipRect(area);
    painter->setPen(cell.palette.color(
        cell.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
    int x = area.left();
    const auto draw = [&](const QString& piece, const QFont& font) {
        if (piece.isEmpty() || x > area.right())
            return;
        painter->setFont(font);
        painter->drawText(x, baseline, piece);
        x += QFontMetrics(font).horizontalAdvance(piece);
    };
    draw(text.left(start), cell.font);
    draw(text.mid(start, length), bold);
    draw(text.mid(start + length), cell.font);
    painter->restore();
}

} // namespace windows::search
