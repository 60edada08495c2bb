// The search window: its controls, searching as the query is typed, the index build's progress
// and opening a hit in the editor.
#include "windows/search/frmFind.h"

#include "app/modFunc.h"
#include "platform/Error.h"
#include "platform/System.h"
#include "store/search/TextFold.h"
#include "windows/Controls.h"
#include "windows/EditorHandover.h"
#include "windows/WindowLookup.h"
#include "windows/editor/frmMirel.h"
#include "windows/search/HitModel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

using windows::search::HitModel;

using windows::named;

namespace {

// How long typing must pause before the query is looked up.
constexpr int TypingPauseMs = 150;

} // namespace

frmFind::frmFind(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmFind"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("日記の検索"));
    setFont(platform::namedFont(QStringLiteral("ＭＳ Ｐゴシック"), 9, false));
    makeControls();
    resize(640, 420);

    auto& service = store::search::service();
    connect(&service, &store::search::SearchService::answered, this,
            [this](quint64 answer, const QStringList& words, int count,
                   const QVector<store::search::Hit>& first) {
                platform::guard([&] { onAnswered(answer, words, count, first); });
            });
    connect(&service, &store::search::SearchService::fetched, this,
            [this](quint64 answer, int from, const QVector<store::search::Hit>& rows) {
                platform::guard([&] { hits->addRows(answer, from, rows); });
            });
}

void frmFind::makeControls() {
    queryBox = new QLineEdit(this);
    named(queryBox, QStringLiteral("queryBox"), QStringLiteral("検索する言葉"));
    queryBox->setPlaceholderText(QStringLiteral("検索する言葉"));
    queryBox->setClearButtonEnabled(true);

    countLabel = new QLabel(this);
    named(countLabel, QStringLiteral("countLabel"), QStringLiteral("件数"));

    hits = new HitModel(this);
    hitList = new QTableView(this);
    named(hitList, QStringLiteral("hitList"), QStringLiteral("検索結果"));
    hitList->setModel(hits);
    hitList->setItemDelegateForColumn(HitModel::ExcerptColumn,
                                      new windows::search::ExcerptDelegate(hitList));
    hitList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    hitList->setSelectionBehavior(QAbstractItemView::SelectRows);
    hitList->setSelectionMode(QAbstractItemView::SingleSelection);
    hitList->setWordWrap(false);
    hitList->setTabKeyNavigation(false);
    hitList->verticalHeader()->hide();
    hitList->verticalHeader()->setMinimumSectionSize(1);
    const QFontMetrics metrics(font());
    hitList->verticalHeader()->setDefaultSectionSize(metrics.height() + 4);
    QHeaderView* header = hitList->horizontalHeader();
    header->setHighlightSections(false);
    header->setStretchLastSection(true);
    // Fixed widths: measuring every fetched row would make long lists slow to scroll.
    header->resizeSection(HitModel::DateColumn,
                          metrics.horizontalAdvance(QStringLiteral("0000/00/00 (月)")) + 16);
    header->resizeSection(HitModel::RemarkColumn, 160);

    buildProgress = new QProgressBar(this);
    named(buildProgress, QStringLiteral("buildProgress"), QStringLiteral("索引の作成"));
    buildProgress->hide();
    cancelButton = new QPushButton(QStringLiteral("中止"), this);
    named(cancelButton, QStringLiteral("cancelButton"), QStringLiteral("索引の作成を中止"));
    cancelButton->hide();

    noticeLabel = new QLabel(this);
    named(noticeLabel, QStringLiteral("noticeLabel"), QStringLiteral("お知らせ"));
    noticeLabel->setWordWrap(true);
    closeButton = new QPushButton(QStringLiteral("閉じる"), this);
    named(closeButton, QStringLiteral("closeButton"), QStringLiteral("閉じる"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(queryBox);
    layout->addWidget(countLabel);
    layout->addWidget(hitList, 1);
    auto* buildRow = new QHBoxLayout;
    buildRow->addWidget(buildProgress, 1);
    buildRow->addWidget(cancelButton);
    layout->addLayout(buildRow);
    auto* bottomRow = new QHBoxLayout;
    bottomRow->addWidget(noticeLabel, 1);
    bottomRow->addWidget(closeButton);
    layout->addLayout(bottomRow);
    queryBox->setFocus();

    searchTimer = new QTimer(this);
    searchTimer->setObjectName(QStringLiteral("searchTimer"));
    searchTimer->setSingleShot(true);
    searchTimer->setInterval(TypingPauseMs);
    connect(searchTimer, &QTimer::timeout, this,
            [this] { platform::guard([this] { searchTimer_Timer(); }); });
    connect(queryBox, &QLineEdit::textChanged, searchTimer, qOverload<>(&QTimer::start));
    connect(hitList, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
        platform::guard([&] { hitList_Activated(index.row()); });
    });
    connect(cancelButton, &QPushButton::clicked, this,
            [this] { platform::guard([this] { cancelButton_Click(); }); });
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
}

void frmFind::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (prepared_)
        return;
    prepared_ = true;
    auto& service = store::search::service();
    connect(&service, &store::search::SearchService::progress, this,
            [this](int done, int total) { platform::guard([&] { onProgress(done, total); }); });
    connect(&service, &store::search::SearchService::built, this,
            [this](bool complete) { platform::guard([&] { onBuilt(complete); }); });
    connect(&service, &store::search::SearchService::notice, this,
            [this](const QString& text) { platform::guard([&] { setNotice(text); }); });
    platform::guard([&] { service.prepare(); });
}

void frmFind::searchTimer_Timer() {
    searchTimer->stop();
    const QString query = queryBox->text();
    asked_.reset();
    early_.reset();
    if (store::search::queryWords(query).isEmpty()) {
        hits->clear();
        setCount({});
        return;
    }
    {
        asking_ = true;
        const auto asked = qScopeGuard([this] { asking_ = false; });
        asked_ = store::search::service().search(query);
    }
    if (early_ && early_->answer == asked_) {
        const Early answer = *std::exchange(early_, std::nullopt);
        onAnswered(answer.answer, answer.words, answer.count, answer.first);
    }
}

void frmFind::onAnswered(quint64 answer, const QStringList& words, int count,
                         const QVector<store::search::Hit>& first) {
    if (asking_) {
        early_ = Early{answer, words, count, first};
        return;
    }
    // An answer to an older query, or to one since emptied.
    if (asked_ != answer)
        return;
    hits->setAnswer(answer, words, count, first);
    setCount(count == 0 ? QStringLiteral("見つかりません") : QStringLiteral("%1件").arg(count));
}

void frmFind::setCount(const QString& text) {
    countLabel->setText(text);
    countLabel->setAccessibleName(text.isEmpty() ? QStringLiteral("件数") : text);
}

void frmFind::setNotice(const QString& text) {
    noticeLabel->setText(text);
    noticeLabel->setAccessibleName(text.isEmpty() ? QStringLiteral("お知らせ") : text);
}

void frmFind::onProgress(int done, int total) {
    buildProgress->setRange(0, std::max(total, 1));
    buildProgress->setValue(std::clamp(done, 0, std::max(total, 1)));
    buildProgress->show();
    cancelButton->show();
}

void frmFind::onBuilt(bool complete) {
    buildProgress->hide();
    cancelButton->hide();
    if (!complete) {
        setNotice(QStringLiteral("索引の作成を中止しました。"));
        return;
    }
    // The hits listed while the build ran came from part of the journal: ask again.
    if (asked_)
        searchTimer_Timer();
}

void frmFind::cancelButton_Click() {
    store::search::service().cancelBuild();
}

void frmFind::hitList_Activated(int row) {
    const QDate day = hits->day(row);
    if (!day.isValid())
        return;
    const QStringList words = hits->words();
    frmMirel* editor = nullptr;
    switch (windows::handToOpenEditor(day)) {
    case windows::Handover::Shown:
        editor = &windows::showEditor();
        break;
    case windows::Handover::SaveFailed:
        // The editor keeps its day and the unsaved text; the list stays for another try.
        return;
    case windows::Handover::NoEditor:
        app::modFunc().WorkDate = day;
        editor = &windows::showEditor();
        break;
    }
    editor->selectFirstMatch(words);
}
