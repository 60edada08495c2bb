#pragma once

#include "store/search/SearchService.h"

#include <QWidget>

#include <optional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;

namespace windows::search {
class HitModel;
}

// The search window: a query typed, the matching entries listed newest first, a hit opened in
// the editor with its first match selected.
//
// Open it through windows::showFinder() (windows/WindowLookup.h); there is one at a time. The
// window deletes itself when it closes.
class frmFind : public QWidget {
    Q_OBJECT
public:
    explicit frmFind(QWidget* parent = nullptr);

    // ---- controls ----
    QLineEdit* queryBox = nullptr; // the typed query; it has the focus
    QLabel* countLabel = nullptr;  // "3件", "見つかりません", or empty for no query
    QTableView* hitList = nullptr; // 日付, 備考, 本文 over hits
    windows::search::HitModel* hits = nullptr;
    QProgressBar* buildProgress = nullptr; // shown while the index is built
    QPushButton* cancelButton = nullptr;   // "中止", shown with the progress
    QLabel* noticeLabel = nullptr;         // what the search service wants the user to know
    QPushButton* closeButton = nullptr;    // "閉じる"
    // Restarted by every change of the query; the search runs when it fires, so that a query
    // is not looked up for every letter typed.
    QTimer* searchTimer = nullptr;

    // The search timer's handler: asks for the query's hits, or empties the list when the query
    // holds nothing but blanks.
    void searchTimer_Timer();
    // Opens the day of a list row in the editor, with the first match selected there.
    void hitList_Activated(int row);
    void cancelButton_Click();

    // The number of the answer the window waits for; nothing while the query is blank.
    std::optional<quint64> askedAnswer() const { return asked_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void makeControls();
    void setCount(const QString& text);
    void onAnswered(quint64 answer, const QStringList& words, int count,
                    const QVector<store::search::Hit>& first);
    void onProgress(int done, int total);
    void onBuilt(bool complete);
    void setNotice(const QString& text);

    std::optional<quint64> asked_;
    // An answer that came while search() was still running, before its number was known.
    struct Early {
        quint64 answer;
        QStringList words;
        int count;
        QVector<store::search::Hit> first;
    };
    std::optional<Early> early_;
    bool asking_ = false;
    bool prepared_ = false;
};
