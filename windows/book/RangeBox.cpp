#include "windows/book/RangeBox.h"

#include "platform/Clock.h"
#include "platform/Dates.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/Services.h"
#include "platform/System.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

RangeBox::RangeBox(bool everything, QWidget* parent) : QGroupBox(QStringLiteral("範囲"), parent) {
    auto* layout = new QVBoxLayout(this);
    auto* group = new QButtonGroup(this);
    const std::array<QString, 5> names{QStringLiteral("この日"), QStringLiteral("この月"),
                                       QStringLiteral("この年"), QStringLiteral("期間"),
                                       QStringLiteral("全部")};
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i == Everything && !everything)
            break;
        option[i] = new QRadioButton(names[i], this);
        option[i]->setObjectName(QStringLiteral("rangeOption_%1").arg(i));
        option[i]->setAccessibleName(names[i]);
        group->addButton(option[i]);
        connect(option[i], &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                Q_EMIT changed();
        });
    }
    option[ThisDay]->setChecked(true);
    fromBox = new QLineEdit(this);
    fromBox->setObjectName(QStringLiteral("fromBox"));
    fromBox->setAccessibleName(QStringLiteral("期間の最初の日"));
    toBox = new QLineEdit(this);
    toBox->setObjectName(QStringLiteral("toBox"));
    toBox->setAccessibleName(QStringLiteral("期間の最後の日"));
    for (QLineEdit* box : {fromBox, toBox}) {
        box->setEnabled(false);
        connect(option[Period], &QRadioButton::toggled, box, &QWidget::setEnabled);
        connect(box, &QLineEdit::editingFinished, this, &RangeBox::changed);
    }
    for (const int i : {ThisDay, ThisMonth, ThisYear})
        layout->addWidget(option[std::size_t(i)]);
    auto* periodRow = new QHBoxLayout;
    periodRow->addWidget(option[Period]);
    periodRow->addWidget(fromBox, 1);
    periodRow->addWidget(new QLabel(QStringLiteral("～"), this));
    periodRow->addWidget(toBox, 1);
    layout->addLayout(periodRow);
    if (everything)
        layout->addWidget(option[Everything]);
}

void RangeBox::setDay(const QDate& day) {
    day_ = day;
    const QString text = platform::dates::format(day, QStringLiteral("yyyy/mm/dd"));
    if (fromBox->text().isEmpty())
        fromBox->setText(text);
    if (toBox->text().isEmpty())
        toBox->setText(text);
}

std::optional<store::exporting::Range> RangeBox::chosen(bool quietly) {
    using store::exporting::Range;
    if (option[ThisDay]->isChecked())
        return Range::day(day_);
    if (option[ThisMonth]->isChecked())
        return Range::month(day_);
    if (option[ThisYear]->isChecked())
        return Range::year(day_);
    if (option[Everything] != nullptr && option[Everything]->isChecked())
        return Range::all();
    const QDate today = platform::clock().today();
    std::array<QDate, 2> days;
    const std::array<QLineEdit*, 2> boxes{fromBox, toBox};
    for (std::size_t i = 0; i < boxes.size(); ++i) {
        const auto read = platform::dates::parseLenient(boxes[i]->text(), today);
        if (!read) {
            if (quietly)
                return std::nullopt;
            platform::dialogs().message(QStringLiteral("正しい日付を入力してください。"),
                                        platform::Buttons::Ok, platform::Icon::Exclamation,
                                        platform::programTitle());
            boxes[i]->setFocus();
            boxes[i]->selectAll();
            return std::nullopt;
        }
        days[i] = *read;
    }
    return Range::period(days[0], days[1]);
}
