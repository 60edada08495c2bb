#include "app/modFunc.h"
#include "platform/Error.h"
#include "store/Chooser.h"
#include "store/Schema.h"
#include "support/Files.h"
#include "support/JournalFile.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QtTest>

using namespace platform;
using namespace Qt::StringLiterals;

class StoreTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;
    QString path() const { return env->root() + u"/orvane.mdb"_s; }

    // Runs the chooser with the splash on the screen, answering its question and then the file
    // dialog with that file (nothing: cancelled), and the message box that follows when told.
    // Sums up what happens: whether start-up goes on, the later message boxes and the endings,
    // after any problem the dialog script met in the choice before.
    QString choose(Answer answer, const std::optional<QString>& picked = {}, bool told = true) {
        QString said = env->dialogs.problems().join(' ');
        env->dialogs.reset();
        env->endings.clear();
        env->dialogs.answerMessage(answer);
        if (answer == Answer::Cancel)
            env->dialogs.answerFile(picked);
        if (told)
            env->dialogs.answerMessage(Answer::Ok);
        QWidget splash;
        splash.show();
        app::modFunc().Splash = &splash;
        said += store::mdbSelect() ? u"goes on"_s : u"stops"_s;
        for (const auto& c : env->dialogs.calls())
            if (c.kind == testing::ScriptedDialogs::Kind::Message && &c != &env->dialogs.calls()[0])
                said += ", " + c.summary() + (c.splashShown ? " (splash shown)" : "");
        return said + u", endings %1"_s.arg(env->endings.size());
    }

private Q_SLOTS:
    void init() { env = std::make_unique<testing::TestEnv>(); }
    void cleanup() { ORVANE_VERIFY_ENV(*env); } // the next init() replaces the world

    void journalTable() {
        auto db = db::Workspace().createDatabase(path());
        store::tblMake(*db);
        // A row as the editor inserts it: the error's message, empty when it was stored.
        const auto insert = [&](int day, QString text, QString picture = {}, QString pc = "pc") {
            try {
                db->execute(u"insert into mirel values (?,?,?,?,?,?,?,?)"_s,
                            {QDate(1998, 12, day), text, QString(), picture, false,
                             QDate(2026, 12, 6), QTime(21, 5, 9), pc});
            } catch (const Error& e) {
                return e.message();
            }
            return QString();
        };
        // On disk: dates as text the sqlite3 client reads, a time on the zero date, False as 0,
        // empty texts as empty texts; quotes, line breaks and emoji unchanged.
        const QString text = u"It's \"quoted\"\r\nline\n😀 日記; --"_s;
        QCOMPARE(insert(15, text), QString());
        QCOMPARE(testing::rawRows(path(), u"select * from Mirel"_s),
                 (QList<QStringList>{{"1998-12-15 00:00:00", text, "", "", "0",
                                      "2026-12-06 00:00:00", "1899-12-30 21:05:09", "pc"}}));
        QVERIFY(insert(15, {}).endsWith(u"(3022)"_s));
        // A picture path holds 100 characters (emoji count as one), a computer name 30.
        const QString p100 = QString(99, QLatin1Char('p')) + u"🎨"_s;
        QCOMPARE(insert(16, {}, p100, QString(30, 't')), QString());
        QCOMPARE(insert(17, {}, p100 + 'p'),
                 u"フィールド 'Pic_txt' に入力できるのは 100 文字までです。(3163)"_s);
    }

    void chooser() {
        // The question itself, and a cancelled choice: tst_startup.
        const QString picked = testing::writeFile(env->root() + u"/MyOrvane.MDB"_s);
        app::modFunc().mdbPath = path();
        QCOMPARE(choose(Answer::Cancel, picked, false), u"goes on, endings 0"_s);
        QVERIFY(app::modFunc().mdbPath == picked && !app::modFunc().JournalDb); // opened later
        const auto& asked = env->dialogs.calls().at(1).file;
        QCOMPARE(asked.fileName + '|' + asked.filter + '|' + QString::number(asked.filterIndex),
                 path() + "|すべてのファイル (*.*)|*.*|ＭＤＢ ファイル (*.mdb)|*.mdb|1");
        QVERIFY(asked.hideReadOnly && asked.title.isEmpty());

        // Another name, or a file that does not exist (the proposed one): the splash goes
        // first.
        const QString wrong =
            u"stops, ORVANE|0|0|ＭＤＢパスが間違っています。もう一度やり直してください。, endings 1"_s;
        QCOMPARE(choose(Answer::Cancel, testing::writeFile(env->root() + "/journal.mdb")), wrong);
        QCOMPARE(choose(Answer::Cancel, path()), wrong);

        // Creating the journal fails: start-up goes on without one.
        app::modFunc().mdbPath = env->root() + u"/missing/orvane.mdb"_s;
        QCOMPARE(choose(Answer::Ok),
                 "goes on, ORVANE|0|0|MDBを作成できませんでした。 (splash shown), endings 0");
    }
};

ORVANE_TEST_MAIN(StoreTest)
#include "tst_store.moc"
