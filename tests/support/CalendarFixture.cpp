#include "support/CalendarFixture.h"

#include "windows/WindowLookup.h"

#include <QComboBox>
#include <QtTest>

#include <algorithm>

namespace testing {

void CalendarTest::init() {
    env.reset(); // a failed check in cleanup() left the previous world alive
    env = std::make_unique<TestEnv>();
    journal = createJournal(*env);
    app::modFunc().TerminalName = QStringLiteral("PC01");
    app::modFunc().WorkDate = QDate(2026, 12, 6);
    app::modFunc().MarkedMonth = 0;
}

void CalendarTest::cleanup() {
    deleteAllWindows();
    ORVANE_VERIFY_ENV(*env);
    env.reset();
}

void addEntry(const QDate& day, const QVariant& memo, const QString& text) {
    app::modFunc().JournalDb->execute(
        QStringLiteral("insert into Mirel (Reg_dat, Mirel_txt, Memo_txt) values (?, ?, ?)"),
        {day, text, memo});
}

quint64 queries() {
    return app::modFunc().JournalDb->statementCount();
}

frmCal& shownCalendar() {
    frmCal& w = windows::showCalendar();
    if (!QTest::qWaitForWindowExposed(&w))
        qWarning("the calendar window was not exposed");
    return w;
}

QString tipOf(frmCal& w, int day) {
    w.oCal1->setToolTipDay(day);
    return w.oCal1->ToolTipText();
}

QString tagOf(frmCal& w, int day) {
    w.oCal1->setToolTipDay(day);
    return w.oCal1->DayTag();
}

bool hasPen(frmCal& w, int day) {
    const int x = w.oCal1->DayLeft(day) + 1;
    const int y = w.oCal1->DayTop(day) + 1;
    const QColor tip = w.Cal1->pixel(x, y + 10);
    const QColor body = w.Cal1->pixel(x + 4, y + 6);
    return (tip == QColor(0, 0, 0) && body == QColor(0, 128, 0)) ||
           (tip == QColor(255, 255, 255) && body == QColor(255, 127, 255));
}

QString lastMessage(const TestEnv& env) {
    const auto& calls = env.dialogs.calls();
    const auto last = std::find_if(calls.rbegin(), calls.rend(), [](const auto& call) {
        return call.kind == ScriptedDialogs::Kind::Message;
    });
    if (last == calls.rend())
        return {};
    static const char* const buttons[] = {"Ok", "OkCancel", "YesNo", "YesNoCancel"};
    static const char* const icons[] = {"None", "Critical", "Question", "Exclamation",
                                        "Information"};
    return QStringList{last->title, QLatin1String(buttons[int(last->buttons)]),
                       QLatin1String(icons[int(last->icon)]), last->text}
        .join(QLatin1Char('|'));
}

void choose(QComboBox* combo, const QString& text) {
    const int item = combo->findText(text);
    QVERIFY2(item >= 0, qPrintable(text));
    combo->setCurrentIndex(item);
    Q_EMIT combo->activated(item);
}

} // namespace testing
