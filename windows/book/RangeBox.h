#pragma once

#include "store/export/ExportRange.h"

#include <QDate>
#include <QGroupBox>

#include <array>
#include <optional>

class QLineEdit;
class QRadioButton;

// 範囲: この日, この月, この年 (of a given day), 期間 (two days typed in) and, where asked for,
// 全部. Shared by the windows that print and export the diary.
class RangeBox : public QGroupBox {
    Q_OBJECT
public:
    enum Option { ThisDay, ThisMonth, ThisYear, Period, Everything };

    // Without everything, option[Everything] stays null.
    RangeBox(bool everything, QWidget* parent);

    std::array<QRadioButton*, 5> option{}; // この日 (chosen at first), この月, この年, 期間, 全部
    QLineEdit* fromBox = nullptr; // 期間's first day, read leniently
    QLineEdit* toBox = nullptr;   // 期間's last day

    // The day この日, この月 and この年 are taken from; empty period boxes get it too.
    void setDay(const QDate& day);
    QDate day() const { return day_; }

    // The chosen range. A period box that holds no date gets "正しい日付を入力してください。" and
    // the focus, unless quietly, and the answer is nothing.
    std::optional<store::exporting::Range> chosen(bool quietly = false);

Q_SIGNALS:
    // Another option was chosen, or a period box was edited and left.
    void changed();

private:
    QDate day_;
};
