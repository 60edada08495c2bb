#include "support/Testing.h"

namespace testing {

void CalendarTest::init() {
    env = std::make_unique<TestEnv>(); // also ends the world a failed cleanup() left
    journal = createJournal(*env);
    app::modFunc().TerminalName = QStringLiteral("PC01");
    app::modFunc().WorkDate = QDate(2026, 12, 6);
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
    QTest::qVerify(QTest::qWaitForWindowExposed(&w), "exposed", "calendar", __FILE__, __LINE__);
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
    const int x = w.oCal1->DayLeft(day) + 1, y = w.oCal1->DayTop(day) + 1;
    const bool inverted = w.oCal1->Day() == day;
    return w.Cal1->pixel(x, y + 10) == (inverted ? QColor(255, 255, 255) : QColor(0, 0, 0)) &&
           w.Cal1->pixel(x + 4, y + 6) == (inverted ? QColor(255, 127, 255) : QColor(0, 128, 0));
}

QString lastMessage(const TestEnv& env) {
    const char* const buttons[] = {"Ok", "OkCancel", "YesNo", "YesNoCancel"};
    const char* const icons[] = {"None", "Critical", "Question", "Exclamation", "Information"};
    const auto& calls = env.dialogs.calls();
    for (auto c = calls.rbegin(); c != calls.rend(); ++c)
        if (c->kind == ScriptedDialogs::Kind::Message)
            return QStringList{c->title, buttons[int(c->buttons)], icons[int(c->icon)], c->text}
                .join('|');
    return {};
}

void press(frmCal& w, int day, bool twice) {
    const QPoint at(w.oCal1->DayLeft(day) + 10, w.oCal1->DayTop(day) + 10);
    QMouseEvent move(QEvent::MouseMove, QPointF(at), w.Cal1->mapToGlobal(QPointF(at)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(w.Cal1, &move);
    QTest::mouseClick(w.Cal1, Qt::LeftButton, Qt::NoModifier, at);
    if (twice)
        QTest::mouseDClick(w.Cal1, Qt::LeftButton, Qt::NoModifier, at);
}

void choose(QComboBox* combo, const QString& text) {
    const int item = combo->findText(text);
    QVERIFY2(item >= 0, qPrintable(text));
    combo->setCurrentIndex(item);
    Q_EMIT combo->activated(item);
}

} // namespace testing
