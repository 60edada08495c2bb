// The year notebook window: its controls, the year's list, the year buttons, opening a day in the
// editor and closing.
#include "windows/notebook/frmBar.h"

#include "app/modFunc.h"
#include "platform/Dates.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "store/Journal.h"
#include "store/JournalKeys.h"
#include "windows/EditorHandover.h"
#include "windows/WindowLookup.h"
#include "windows/editor/EditorJournal.h"
#include "windows/notebook/FrozenColumn.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QPainter>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <QTableWidget>

#include <algorithm>
#include <limits>
#include <utility>

namespace {

// Sizes and places are given in twips, 15 to a pixel.
constexpr int TwipsPerPixel = 15;
constexpr int px(int twips) {
    return (twips + TwipsPerPixel / 2) / TwipsPerPixel;
}

const QColor FixedCells(255, 255, 128);
// Space between a cell's text and its edges, in pixels.
constexpr int CellMargin = 3;

QString dateHeader() {
    return QStringLiteral("日付") + QString(15, QLatin1Char(' '));
}

// Much wider than the window: the list scrolls sideways to read a long remark.
QString remarkHeader() {
    const QChar wide(0x3000);
    return QString(30, wide) + QStringLiteral("備考(ToolTipText) ") + QString(28, wide) +
           QLatin1Char(' ') + QString(12, wide) + QString(23, QLatin1Char(' ')) +
           QString(10, wide) + QString(26, QLatin1Char(' '));
}

// Cells drawn as one line of plain text, clipped at the cell's edge. A year's list shows many
// rows at once, and the standard drawing lays each text out as a paragraph several times over.
class CellDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem cell(option);
        initStyleOption(&cell, index);
        // The date column keeps its colour on the selected row, as the header row does.
        if (index.column() == 0)
            cell.state &= ~QStyle::State_Selected;
        const QString text = std::exchange(cell.text, QString());
        // Background, selection and focus as usual.
        const QWidget* view = cell.widget;
        view->style()->drawControl(QStyle::CE_ItemViewItem, &cell, painter, view);
        const QFontMetrics metrics(cell.font);
        const QRect area = cell.rect.adjusted(CellMargin, 0, -CellMargin, 0);
        const int x = cell.displayAlignment & Qt::AlignHCenter
                          ? area.center().x() - metrics.horizontalAdvance(text) / 2
                          : area.left();
        const int y = area.top() + (area.height() + metrics.ascent() - metrics.descent()) / 2;
        painter->save();
        painter->setClipRect(area);
        painter->setFont(cell.font);
        painter->setPen(cell.palette.color(
            cell.state & QStyle::State_Selected ? QPalette::HighlightedText : QPalette::Text));
        painter->drawText(x, y, text);
        painter->restore();
    }
};

QIcon notebookIcon() {
    QPixmap picture(16, 16);
    picture.fill(Qt::transparent);
    QPainter painter(&picture);
    painter.fillRect(2, 1, 12, 14, QColor(0, 0, 160));
    painter.fillRect(5, 2, 8, 12, Qt::white);
    painter.setPen(QColor(128, 128, 255));
    for (int y = 5; y < 13; y += 3)
        painter.drawLine(6, y, 11, y);
    return QIcon(picture);
}

} // namespace

frmBar::frmBar(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmBar"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowIcon(notebookIcon());
    QPalette colours = palette();
    colours.setColor(QPalette::Window, QColor(192, 192, 255));
    setPalette(colours);
    setAutoFillBackground(true);
    makeControls();
    resize(px(9555), px(7485));
}

void frmBar::makeControls() {
    Grid1 = new QTableWidget(0, 2, this);
    Grid1->setObjectName(QStringLiteral("Grid1"));
    Grid1->setGeometry(0, 0, px(9615), px(6855));
    Grid1->setFont(platform::namedFont(QStringLiteral("ＭＳ Ｐゴシック"), 9, false));
    Grid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid1->setSelectionMode(QAbstractItemView::SingleSelection);
    Grid1->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    Grid1->setWordWrap(false);
    Grid1->setItemDelegate(new CellDelegate(Grid1));
    Grid1->verticalHeader()->hide();
    // Rows as high as the text, as a list of dates wants them.
    Grid1->verticalHeader()->setMinimumSectionSize(1);
    Grid1->verticalHeader()->setDefaultSectionSize(QFontMetrics(Grid1->font()).height() + 4);
    QHeaderView* header = Grid1->horizontalHeader();
    header->setStretchLastSection(false);
    header->setHighlightSections(false);
    header->setStyleSheet(QStringLiteral(
        "QHeaderView::section { background-color: rgb(255, 255, 128); color: black; border: none;"
        " border-right: 1px solid gray; border-bottom: 1px solid gray; padding: 0px 3px; }"));
    // A style sheet stops the grid's font from reaching its header.
    header->setFont(Grid1->font());
    const QStringList headers{dateHeader(), remarkHeader()};
    Grid1->setHorizontalHeaderLabels(headers);
    Grid1->horizontalHeaderItem(0)->setTextAlignment(Qt::AlignCenter);
    Grid1->horizontalHeaderItem(1)->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Each column as wide as its header text: the list has no rows yet.
    header->resizeSections(QHeaderView::ResizeToContents);
    // The date stays in view at the left while a long remark is scrolled.
    auto* dates = new FrozenColumn(Grid1);
    dates->setItemDelegate(new CellDelegate(dates));
    connect(Grid1, &QTableWidget::doubleClicked, this,
            [this] { platform::guard([this] { Grid1_DblClick(); }); });

    const std::array<QString, 4> captions{QStringLiteral("<<前年"), QStringLiteral("翌年>>"),
                                          QStringLiteral("印刷"), QStringLiteral("戻る")};
    for (int i = 0; i < 4; ++i) {
        auto* button = new QPushButton(captions[std::size_t(i)], this);
        button->setObjectName(QStringLiteral("Command1_%1").arg(i));
        button->setGeometry(px(5640 + i * 840), px(6960), px(855), px(375));
        button->setAutoDefault(false);
        // A style sheet, so that the face colour shows whatever the desktop's button style is.
        button->setStyleSheet(
            QStringLiteral("QPushButton { background-color: rgb(192, 255, 255); color: black;"
                           " border: 2px outset #a0a0a0; }"
                           " QPushButton:pressed { border-style: inset; }"));
        connect(button, &QPushButton::clicked, this,
                [this, i] { platform::guard([this, i] { Command1_Click(i); }); });
        Command1[std::size_t(i)] = button;
    }
}

void frmBar::Form_Load() {
    noteYear = static_cast<qint16>(app::modFunc().WorkDate.year());
    setBarPos();
    barShow();
}

void frmBar::setBarPos() {
    const auto& layout = app::modFunc().NotebookLayout;
    if (layout[0] == 0)
        return;
    move(px(layout[1]), px(layout[0]));
    resize(px(layout[2]), px(layout[3]));
}

void frmBar::storeLayout() {
    // Like the editor's stored layout: the window's place, and its size without the frame the
    // desktop draws, so that restoring it gives the same window.
    app::modFunc().NotebookLayout = {y() * TwipsPerPixel, x() * TwipsPerPixel,
                                     width() * TwipsPerPixel, height() * TwipsPerPixel};
}

void frmBar::barShow() {
    Grid1->setRowCount(0);
    setWindowTitle(QStringLiteral("手帳  ") + QString::number(noteYear) + QStringLiteral("年度"));
    auto& m = app::modFunc();
    int listed = 0;
    try {
        openYearEntries();
        auto& rows = *m.JournalRs;
        // The rows all at once: one by one, the grid would lay itself out for each.
        Grid1->setRowCount(static_cast<int>(rows.rowCount()));
        const platform::dates::Pattern pattern(QStringLiteral("yy/m/dd(aaa)"));
        for (; !rows.eof(); rows.moveNext()) {
            const QDate day = rows.field(QStringLiteral("reg_dat")).toDateTime().date();
            // A key that names no day has no place in a list of days.
            if (day.isValid())
                setRow(listed++, day, pattern.format(day, QTime()),
                       rows.field(QStringLiteral("memo_txt")).toString());
        }
    } catch (const platform::Error& e) {
        platform::dialogs().message(e.message(), platform::Buttons::Ok, platform::Icon::None,
                                    platform::programTitle());
    }
    // The rows listed before a failure stay.
    Grid1->setRowCount(listed);
    m.JournalRs.reset();
}

void frmBar::openYearEntries() {
    store::openEntriesBetween(windows::editor::journal(), store::yearKeys(noteYear));
}

void frmBar::setRow(int row, const QDate& day, const QString& dayText, const QString& memo) {
    auto* date = new QTableWidgetItem(dayText);
    date->setData(Qt::UserRole, day);
    date->setTextAlignment(Qt::AlignCenter);
    date->setBackground(FixedCells);
    Grid1->setItem(row, 0, date);
    auto* remark = new QTableWidgetItem(memo);
    remark->setTextAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    Grid1->setItem(row, 1, remark);
}

QDate frmBar::rowDate(int row) const {
    const QTableWidgetItem* date = Grid1->item(row, 0);
    return date != nullptr ? date->data(Qt::UserRole).toDate() : QDate();
}

void frmBar::Command1_Click(int Index) {
    switch (Index) {
    case 0:
        stepYear(-1);
        break;
    case 1:
        stepYear(1);
        break;
    case 2:
        barPrint();
        break;
    case 3:
        backToCalendar();
        unload();
        break;
    default:
        break;
    }
}

void frmBar::stepYear(int years) {
    const int year = noteYear + years;
    if (year < std::numeric_limits<qint16>::min() || year > std::numeric_limits<qint16>::max())
        throw platform::Error(6, QStringLiteral("オーバーフローしました。"));
    noteYear = static_cast<qint16>(year);
    barShow();
}

void frmBar::Grid1_DblClick() {
    const QDate day = rowDate(Grid1->currentRow());
    // The header, or a list without entries: no day to open.
    if (!day.isValid())
        return;
    switch (windows::handToOpenEditor(day)) {
    case windows::Handover::Shown:
        windows::showEditor();
        break;
    case windows::Handover::SaveFailed:
        // The editor keeps its day and the unsaved text, and the list stays for another try.
        return;
    case windows::Handover::NoEditor:
        app::modFunc().WorkDate = day;
        windows::showEditor();
        break;
    }
    storeLayout();
    unload();
}

void frmBar::backToCalendar() {
    windows::showCalendar();
    storeLayout();
}

void frmBar::unload() {
    unloading_ = true;
    close();
}

void frmBar::Form_Resize() {
    if (isMinimized())
        return;
    // The rule works on the outer size, frame included, in twips; a window smaller than what it
    // takes away keeps the grid at no size and the buttons in view at the left and top.
    const int width = frameGeometry().width() * TwipsPerPixel;
    const int height = frameGeometry().height() * TwipsPerPixel;
    Grid1->resize(px(std::max(0, width - 135)), px(std::max(0, height - 1100)));
    for (int i = 0; i < 4; ++i)
        Command1[std::size_t(i)]->move(px(std::max(0, width - 4000) + i * 855),
                                       px(std::max(0, height - 900)));
}

void frmBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    platform::guard([this] { Form_Resize(); });
}

void frmBar::closeEvent(QCloseEvent* event) {
    if (!unloading_) {
        unloading_ = true;
        platform::guard([this] { backToCalendar(); });
    }
    event->accept();
}
