#include "support/EditorFixture.h"

namespace testing {

void EditorTest::init() {
    env = std::make_unique<TestEnv>();
    journal = createJournal(*env);
    app::modFunc().TerminalName = u"PC01"_s;
}

void EditorTest::cleanup() {
    deleteAllWindows();
    ORVANE_VERIFY_ENV(*env);
    env.reset();
}

frmMirel& EditorTest::open(const QDate& day) {
    app::modFunc().WorkDate = day;
    return windows::showEditor();
}

void EditorTest::reload(frmMirel& editor, const QDate& day) {
    app::modFunc().WorkDate = day;
    editor.iniForm();
}

bool EditorTest::addEntry(const QString& day, const QString& text, const QString& memo,
                          const QString& picture) const {
    return rawExecute(
        journal, u"insert into Mirel values('%1 00:00:00','%2','%3','%4',0,"
                 "'%1 00:00:00','1899-12-30 10:00:00','PC01')"_s.arg(day, text, memo, picture));
}

} // namespace testing
