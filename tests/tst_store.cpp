#include "app/modFunc.h"
#include "platform/Database.h"
#include "platform/Error.h"
#include "store/Chooser.h"
#include "store/Schema.h"
#include "support/Files.h"
#include "support/JournalFile.h"
#include "support/SplashWatch.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QtTest>

using namespace platform;
using namespace platform::db;

namespace {

int errorNumber(const std::function<void()>& body) {
    try {
        body();
    } catch (const Error& e) {
        return e.number();
    }
    return 0;
}

// A row as the editor inserts it.
QVariantList row(const QDate& day, const QString& text = {}, const QString& memo = {},
                 const QString& picture = {}, const QString& terminal = QStringLiteral("pc")) {
    return {day, text, memo, picture, false, QDate(2026, 12, 6), QTime(21, 5, 9), terminal};
}

const QString question = QStringLiteral("新規にデータベースを作成します。");

} // namespace

class StoreTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;
    QString path() const { return env->root() + QStringLiteral("/orvane.mdb"); }

    // The first value of a query run with SQLite's own library on the file.
    QString rawValue(const char* sql) const {
        return testing::rawRows(path(), QString::fromUtf8(sql)).value(0).value(0);
    }

    // Inserts a row: the error number, 0 when it was stored.
    static int insert(Database& db, const QVariantList& values) {
        return errorNumber([&] {
            db.execute(QStringLiteral("insert into mirel values (?,?,?,?,?,?,?,?)"), values);
        });
    }

private Q_SLOTS:
    void init() { env = std::make_unique<testing::TestEnv>(); }
    void cleanup() {
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void journalTable() {
        auto db = Workspace().createDatabase(path());
        store::tblMake(*db);
        QCOMPARE(rawValue("select group_concat(name) from sqlite_master where type = 'table'"),
                 QStringLiteral("Mirel"));
        QCOMPARE(rawValue("select group_concat(name || ' ' || type || ' ' || pk, ', ') "
                          "from pragma_table_info('Mirel')"),
                 QStringLiteral("Reg_dat DATETIME 1, Mirel_txt LONGTEXT 0, Memo_txt LONGTEXT 0, "
                                "Pic_txt VARCHAR(100) 0, Error_kbn BIT 0, Treat_dat DATETIME 0, "
                                "Treat_tim DATETIME 0, Terminal_nam VARCHAR(30) 0"));
        const QString sql = rawValue("select sql from sqlite_master where name = 'Mirel'");
        QVERIFY2(sql.contains(QStringLiteral("CONSTRAINT mirel PRIMARY KEY")), qPrintable(sql));
        // The key is the table's only index.
        QCOMPARE(
            rawValue("select group_concat(origin || \"unique\") from pragma_index_list('Mirel')"),
            QStringLiteral("pk1"));

        // Empty texts are stored as empty texts.
        QCOMPARE(insert(*db, row(QDate(1998, 7, 15), {}, {}, {}, {})), 0);
        QCOMPARE(rawValue("select typeof(Mirel_txt) || typeof(Memo_txt) || typeof(Pic_txt) || "
                          "typeof(Terminal_nam) || Mirel_txt || Memo_txt || Pic_txt || "
                          "Terminal_nam from Mirel"),
                 QStringLiteral("texttexttexttext"));
        // Picture paths up to 100 characters, computer names up to 30.
        const QString p100(100, QLatin1Char('p'));
        const QString t30(30, QLatin1Char('t'));
        QCOMPARE(insert(*db, row(QDate(1998, 7, 16), {}, {}, p100, t30)), 0);
        QCOMPARE(insert(*db, row(QDate(1998, 7, 17), {}, {}, p100 + 'p')), errnum::FieldTooSmall);
        QCOMPARE(insert(*db, row(QDate(1998, 7, 18), {}, {}, {}, t30 + 't')),
                 errnum::FieldTooSmall);
        // One entry per day.
        QCOMPARE(insert(*db, row(QDate(1998, 7, 15), QStringLiteral("again"))),
                 errnum::DuplicateKey);
        QCOMPARE(rawValue("select count(*) from Mirel"), QStringLiteral("2"));

        // Quotes, line breaks and emoji are stored and read back unchanged.
        const QString text = QStringLiteral("It's \"quoted\"\r\nsecond line\n😀🎨 日記");
        const QString memo = QStringLiteral("O'Brien; DROP TABLE Mirel; --");
        QCOMPARE(insert(*db, row(QDate(1998, 12, 15), text, memo)), 0);
        Recordset rs = db->openRecordset(
            QStringLiteral("select * from mirel where format(reg_dat, 'yyyy/mm/dd') = ?"),
            {QStringLiteral("1998/12/15")});
        QCOMPARE(rs.field(QStringLiteral("mirel_txt")).toString(), text);
        QCOMPARE(rs.field(QStringLiteral("memo_txt")).toString(), memo);
        QCOMPARE(rawValue("select Mirel_txt from Mirel where Reg_dat like '1998-12-15%'"), text);

        // A file without the table.
        auto bare = Workspace().createDatabase(env->root() + QStringLiteral("/bare.mdb"));
        QCOMPARE(errorNumber([&] { bare->openRecordset(QStringLiteral("select * from mirel")); }),
                 errnum::TableMissing);
        QCOMPARE(insert(*bare, row(QDate(1998, 7, 15))), errnum::TableMissing);
    }

    void chooserCannotCreate() {
        auto& m = app::modFunc();
        m.mdbPath = env->root() + QStringLiteral("/missing/orvane.mdb");
        env->dialogs.answerMessage(Answer::Ok);
        env->dialogs.answerMessage(Answer::Ok);
        QVERIFY(store::mdbSelect());
        QCOMPARE(env->dialogs.messageTexts(),
                 (QStringList{question, QStringLiteral("MDBを作成できませんでした。")}));
        const auto& call = env->dialogs.calls().at(1);
        QCOMPARE(call.buttons, Buttons::Ok);
        QCOMPARE(call.icon, Icon::None);
        QCOMPARE(call.title, QStringLiteral("ORVANE"));
        QVERIFY(env->endings.isEmpty());
        QVERIFY(m.JournalDb == nullptr);
        QVERIFY(!QFile::exists(m.mdbPath));
    }

    void chooserPicksFile_data() {
        QTest::addColumn<QString>("fileName"); // relative to the test folder, empty: cancelled
        QTest::addColumn<QString>("exists");   // "file", "folder" or "" for nothing
        QTest::addColumn<QString>("message");  // the ending's message, empty when accepted
        const QString wrong =
            QStringLiteral("ＭＤＢパスが間違っています。もう一度やり直してください。");
        const QString file = QStringLiteral("file");
        QTest::newRow("journal name in other letters") << "other/MyOrvane.MDB" << file << QString();
        QTest::newRow("plain journal name") << "other/orvane.mdb" << file << QString();
        QTest::newRow("another name") << "other/journal.mdb" << file << wrong;
        QTest::newRow("missing file") << "other/orvane.mdb" << QString() << wrong;
        QTest::newRow("folder of that name")
            << "other/orvane.mdb" << QStringLiteral("folder") << wrong;
        QTest::newRow("cancelled")
            << QString() << QString()
            << QStringLiteral("ＭＤＢを指定してもう一度やり直してください。");
    }
    void chooserPicksFile() {
        QFETCH(QString, fileName);
        QFETCH(QString, exists);
        QFETCH(QString, message);
        auto& m = app::modFunc();
        m.mdbPath = path();
        QWidget splash;
        splash.show();
        m.Splash = &splash;
        std::optional<QString> chosen;
        if (!fileName.isEmpty()) {
            chosen = QDir(env->root()).filePath(fileName);
            if (exists == QLatin1String("file"))
                testing::writeFile(*chosen);
            else if (exists == QLatin1String("folder"))
                QVERIFY(QDir().mkpath(*chosen));
        }
        testing::SplashWatch watch(env->dialogs);
        env->dialogs.answerMessage(Answer::Cancel);
        env->dialogs.answerFile(chosen);
        if (!message.isEmpty())
            env->dialogs.answerMessage(Answer::Ok);

        QCOMPARE(store::mdbSelect(), message.isEmpty());

        const auto& request = env->dialogs.calls().at(1).file;
        QCOMPARE(request.fileName, path());
        QCOMPARE(request.filter,
                 QStringLiteral("すべてのファイル (*.*)|*.*|ＭＤＢ ファイル (*.mdb)|*.mdb"));
        QCOMPARE(request.filterIndex, 1);
        QVERIFY(request.hideReadOnly);
        QVERIFY(request.title.isEmpty());
        QVERIFY(m.JournalDb == nullptr); // a picked file is opened by the caller
        if (message.isEmpty()) {
            QCOMPARE(m.mdbPath, *chosen);
            QCOMPARE(env->dialogs.messageTexts(), QStringList{question});
            QVERIFY(env->endings.isEmpty());
            QVERIFY(splash.isVisible());
            return;
        }
        QCOMPARE(env->dialogs.messageTexts(), (QStringList{question, message}));
        const auto& ending = env->dialogs.calls().back();
        QCOMPARE(ending.buttons, Buttons::Ok);
        QCOMPARE(ending.icon, Icon::None);
        QCOMPARE(ending.title, QStringLiteral("ORVANE"));
        QCOMPARE(env->endings, QList<int>{1});
        // The splash is gone before the message comes up.
        QCOMPARE(watch.splashShown, (std::vector<bool>{true, true, false}));
    }
};

ORVANE_TEST_MAIN(StoreTest)
#include "tst_store.moc"
