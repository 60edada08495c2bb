#pragma once

#include "store/backup/Backups.h"

#include <QWidget>

#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

// The list of the journal's backups, newest first, and the command that puts the journal back to
// one of them.
//
// Open it through windows::showRestore() (windows/WindowLookup.h), which reads the list; there is
// one at a time. The window deletes itself when it closes.
class frmRestore : public QWidget {
    Q_OBJECT
public:
    explicit frmRestore(QWidget* parent = nullptr);

    // ---- controls ----
    // One row per backup: 日時, 件数 (or 破損), 最新の日記, サイズ.
    QTableWidget* backupList = nullptr;
    QLabel* totalLabel = nullptr;         // "合計 12.3 MB"
    QPushButton* restoreButton = nullptr; // "復元"
    QPushButton* closeButton = nullptr;   // "閉じる"

    // Reads the open journal's backups and their total size into the list.
    void loadBackups();
    // Lists these backups in the order given, the first one selected.
    void setBackups(std::vector<store::backup::BackupInfo> backups, qint64 total);
    const std::vector<store::backup::BackupInfo>& backups() const { return backups_; }

    // 復元: puts the journal back to the selected backup after asking, and shows the restored
    // journal in every open window. Returns true when the journal was restored.
    bool restoreSelected();

private:
    void makeControls();
    // The restored journal in the calendar, the editor and the notebook.
    void showRestoredJournal();

    std::vector<store::backup::BackupInfo> backups_;
};
