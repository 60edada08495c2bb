// The restore window: the list of backups, its total size, and putting the journal back to one.
#include "windows/restore/frmRestore.h"

#include "app/modFunc.h"
#include "platform/Dates.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/Services.h"
#include "platform/System.h"
#include "store/Unlock.h"
#include "store/backup/Backups.h"
#include "windows/Controls.h"
#include "windows/EditorHandover.h"
#include "windows/WindowLookup.h"
#include "windows/calendar/frmCal.h"
#include "windows/editor/frmMirel.h"
#include "windows/notebook/frmBar.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <array>
#include <cmath>

using store::backup::BackupInfo;

using windows::named;

namespace {

enum Column { MadeColumn, EntriesColumn, NewestColumn, SizeColumn };

// Sizes as a file manager shows them: bytes, whole kilobytes, then megabytes and up with one
// decimal; a kilobyte is 1024 bytes.
QString sizeText(qint64 bytes) {
    if (bytes < 1024)
        return QStringLiteral("%1 B").arg(bytes);
    const qint64 kilobytes = (bytes + 512) / 1024;
    if (kilobytes < 1024)
        return QStringLiteral("%1 KB").arg(kilobytes);
    static const std::array<QString, 3> units{QStringLiteral("MB"), QStringLiteral("GB"),
                                              QStringLiteral("TB")};
    double value = double(bytes) / (1024.0 * 1024.0);
    std::size_t unit = 0;
    // 1023.96 MB would read "1024.0 MB": that is the next unit's 1.0.
    while (unit + 1 < units.size() && std::round(value * 10) >= 1024 * 10) {
        value /= 1024;
        ++unit;
    }
    return QString::number(value, 'f', 1) + QLatin1Char(' ') + units[unit];
}

QString madeText(const BackupInfo& backup) {
    return platform::dates::format(backup.made, QStringLiteral("yyyy/mm/dd hh:nn"));
}

} // namespace

frmRestore::frmRestore(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("frmRestore"));
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("バックアップから復元"));
    setFont(platform::namedFont(QStringLiteral("ＭＳ Ｐゴシック"), 9, false));
    makeControls();
    resize(480, 320);
}

void frmRestore::makeControls() {
    backupList = new QTableWidget(0, 4, this);
    named(backupList, QStringLiteral("backupList"), QStringLiteral("バックアップの一覧"));
    backupList->setHorizontalHeaderLabels({QStringLiteral("日時"), QStringLiteral("件数"),
                                           QStringLiteral("最新の日記"), QStringLiteral("サイズ")});
    backupList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    backupList->setSelectionBehavior(QAbstractItemView::SelectRows);
    backupList->setSelectionMode(QAbstractItemView::SingleSelection);
    backupList->setWordWrap(false);
    backupList->setTabKeyNavigation(false);
    backupList->verticalHeader()->hide();
    QHeaderView* header = backupList->horizontalHeader();
    header->setHighlightSections(false);
    // The list is short (the kept generations): every column fits its texts, the size takes the
    // rest.
    header->setSectionResizeMode(QHeaderView::ResizeToContents);
    header->setSectionResizeMode(SizeColumn, QHeaderView::Stretch);

    totalLabel = new QLabel(this);
    named(totalLabel, QStringLiteral("totalLabel"), QStringLiteral("合計"));
    restoreButton = new QPushButton(QStringLiteral("復元"), this);
    named(restoreButton, QStringLiteral("restoreButton"), QStringLiteral("復元"));
    restoreButton->setEnabled(false);
    closeButton = new QPushButton(QStringLiteral("閉じる"), this);
    named(closeButton, QStringLiteral("closeButton"), QStringLiteral("閉じる"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(backupList, 1);
    auto* bottomRow = new QHBoxLayout;
    bottomRow->addWidget(totalLabel, 1);
    bottomRow->addWidget(restoreButton);
    bottomRow->addWidget(closeButton);
    layout->addLayout(bottomRow);

    // Nothing to restore until a backup is chosen.
    connect(backupList, &QTableWidget::itemSelectionChanged, this, [this] {
        restoreButton->setEnabled(!backupList->selectionModel()->selectedRows().isEmpty());
    });
    connect(restoreButton, &QPushButton::clicked, this,
            [this] { platform::guard([this] { restoreSelected(); }); });
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
}

void frmRestore::loadBackups() {
    // The backups of the journal open now; mdbPath may name another one for the next start.
    const auto& db = app::modFunc().JournalDb;
    const QString journal = db ? db->path() : app::modFunc().mdbPath;
    setBackups(store::backup::listBackups(journal), store::backup::totalSize(journal));
}

void frmRestore::setBackups(std::vector<BackupInfo> backups, qint64 total) {
    backups_ = std::move(backups);
    backupList->clearContents();
    backupList->setRowCount(int(backups_.size()));
    const auto cell = [this](int row, int column, const QString& text, Qt::Alignment alignment) {
        auto* item = new QTableWidgetItem(text);
        item->setTextAlignment(alignment | Qt::AlignVCenter);
        backupList->setItem(row, column, item);
    };
    for (int row = 0; row < int(backups_.size()); ++row) {
        const BackupInfo& backup = backups_[std::size_t(row)];
        cell(row, MadeColumn, madeText(backup), Qt::AlignLeft);
        cell(row, EntriesColumn,
             backup.entries ? QString::number(*backup.entries) : QStringLiteral("破損"),
             Qt::AlignRight);
        cell(row, NewestColumn,
             backup.newest
                 ? platform::dates::format(*backup.newest, QStringLiteral("yyyy/mm/dd (aaa)"))
                 : QString(),
             Qt::AlignLeft);
        cell(row, SizeColumn, sizeText(backup.size), Qt::AlignRight);
    }
    if (!backups_.empty())
        backupList->selectRow(0);
    const QString totalText = QStringLiteral("合計 ") + sizeText(total);
    totalLabel->setText(totalText);
    totalLabel->setAccessibleName(totalText);
}

bool frmRestore::restoreSelected() {
    const QModelIndexList selected = backupList->selectionModel()->selectedRows();
    if (selected.isEmpty() || selected.first().row() >= int(backups_.size()))
        return false;
    // A copy: the list is read again below.
    const BackupInfo backup = backups_[std::size_t(selected.first().row())];
    if (!backup.entries) {
        windows::say(
            platform::Error(platform::errnum::NotADatabase,
                            QStringLiteral("このバックアップは壊れているため復元できません。"))
                .message(),
            platform::Icon::Critical);
        return false;
    }
    if (platform::dialogs().message(madeText(backup) +
                                        QStringLiteral(" のバックアップに戻しますか？"),
                                    platform::Buttons::YesNo, platform::Icon::Exclamation,
                                    platform::programTitle()) != platform::Answer::Yes)
        return false;
    // What the editor shows goes into the journal first, so that the backup made before the
    // restore holds it; a failed save has said why, and the text stays where the user can keep it.
    if (frmMirel* editor = windows::findEditorByTitle(); editor != nullptr && !editor->devProc())
        return false;

    // A backup encrypted under another key (or onto a plain journal) opens with its own
    // passphrase, asked for before anything changes.
    std::shared_ptr<platform::cipher::CipherVfs> backupLayer;
    if (store::backup::needsPassphrase(backup)) {
        backupLayer = store::askToUnlock(backup.path, QStringLiteral("バックアップを開く"),
                                         QStringLiteral("このバックアップのパスフレーズを入力して"
                                                        "ください。"),
                                         QStringLiteral("キャンセル"))
                          .layer;
        if (!backupLayer)
            return false;
    }

    store::backup::RestoreResult result;
    try {
        result = store::backup::restoreJournal(backup, backupLayer);
    } catch (const platform::Error& e) {
        windows::say(e.message(), platform::Icon::Critical);
        loadBackups();
        return false;
    }
    showRestoredJournal();
    // The state before the restore is a backup of its own now.
    loadBackups();
    if (!result.missingPictures.isEmpty())
        platform::dialogs().message(
            QStringLiteral("次の絵はバックアップに見つからないため戻せませんでした。\n") +
                result.missingPictures.join(QLatin1Char('\n')),
            platform::Buttons::Ok, platform::Icon::Exclamation, platform::programTitle());
    if (!result.failedPictures.isEmpty())
        platform::dialogs().message(
            QStringLiteral("次の絵は書き込めなかったため、前のままです。\n") +
                result.failedPictures.join(QLatin1Char('\n')),
            platform::Buttons::Ok, platform::Icon::Exclamation, platform::programTitle());
    platform::dialogs().message(QStringLiteral("復元しました。"), platform::Buttons::Ok,
                                platform::Icon::None, platform::programTitle());
    return true;
}

void frmRestore::showRestoredJournal() {
    if (frmCal* calendar = windows::findCalendar())
        calendar->markAnew();
    if (frmMirel* editor = windows::findEditorByTitle()) {
        editor->iniForm();
        // The text shown is the restored one: a later save must not write the old one back.
        editor->txtChg = false;
    }
    if (frmBar* notebook = windows::findNotebook())
        notebook->barShow();
}
