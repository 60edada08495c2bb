#include "app/modFunc.h"
#include "platform/Database.h"
#include "platform/Error.h"
#include "store/Chooser.h"
#include "store/Schema.h"
#include "support/SplashWatch.h"
#include "support/TestEnv.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPointer>
#include <QtTest>

#include <sqlite3.h>

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

// Rows of a query run with SQLite's own library on the file, apart from the engine.
QStringList rawRows(const QString& path, const char* sql) {
    sqlite3* handle = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &handle, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(handle, sql, -1, &stmt, nullptr);
    QStringList rows;
    while (stmt != nullptr && sqlite3_step(stmt) == SQLITE_ROW) {
        QStringList cells;
        for (int c = 0; c < sqlite3_column_count(stmt); ++c)
            cells << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(stmt, c)));
        rows << cells.join(QLatin1Char('|'));
    }
    sqlite3_finalize(stmt);
    sqlite3_close(handle);
    return rows;
}

void touch(const QString& path) {
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

const QString insertRow = QStringLiteral("insert into mirel values (?, ?, ?, ?, ?, ?, ?, ?)");

QVariantList row(const QDate& day, const QString& text, const QString& memo,
                 const QString& picture = {}, const QString& terminal = QStringLiteral("pc")) {
    return {day, text, memo, picture, false, QDate(2026, 12, 6), QTime(21, 5, 9), terminal};
}

} // namespace

class StoreTest : public QObject {
    Q_OBJECT

    std::unique_ptr<testing::TestEnv> env;
    QString path() const { return env->root() + QStringLiteral("/orvane.mdb"); }

    std::unique_ptr<Database> newJournal() {
        auto db = Workspace().createDatabase(path());
        store::tblMake(*db);
        return db;
    }

private Q_SLOTS:
    void init() { env = std::make_unique<testing::TestEnv>(); }
    void cleanup() {
        ORVANE_VERIFY_ENV(*env);
        env.reset();
    }

    void schemaOnDisk() {
        newJournal().reset();
        QCOMPARE(rawRows(path(), "select name from sqlite_master where type = 'table'"),
                 QStringList{QStringLiteral("Mirel")});
        QCOMPARE(rawRows(path(), "select name, type, pk from pragma_table_info('Mirel')"),
                 (QStringList{"Reg_dat|DATETIME|1", "Mirel_txt|LONGTEXT|0", "Memo_txt|LONGTEXT|0",
                              "Pic_txt|VARCHAR(100)|0", "Error_kbn|BIT|0", "Treat_dat|DATETIME|0",
                              "Treat_tim|DATETIME|0", "Terminal_nam|VARCHAR(30)|0"}));
        const QStringList sql =
            rawRows(path(), "select sql from sqlite_master where name = 'Mirel'");
        QCOMPARE(sql.size(), 1);
        QVERIFY2(sql[0].contains(QStringLiteral("CONSTRAINT mirel PRIMARY KEY")),
                 qPrintable(sql[0]));
        // The key is the table's only index.
        QCOMPARE(rawRows(path(), "select origin, \"unique\" from pragma_index_list('Mirel')"),
                 QStringList{QStringLiteral("pk|1")});
        // A second tblMake on the same file reports the table that is there already.
        auto db = Workspace().openDatabase(path());
        QVERIFY(errorNumber([&] { store::tblMake(*db); }) != 0);
    }

    void columnRules() {
        auto db = newJournal();
        // Empty texts are stored as empty texts.
        db->execute(insertRow, row(QDate(1998, 7, 15), {}, {}, {}, {}));
        QCOMPARE(rawRows(path(), "select typeof(Mirel_txt), typeof(Memo_txt), typeof(Pic_txt), "
                                 "typeof(Terminal_nam), Mirel_txt || Memo_txt || Pic_txt || "
                                 "Terminal_nam from Mirel"),
                 QStringList{QStringLiteral("text|text|text|text|")});
        // Picture paths up to 100 characters, computer names up to 30.
        db->execute(insertRow, row(QDate(1998, 7, 16), {}, {}, QString(100, QLatin1Char('p')),
                                   QString(30, QLatin1Char('t'))));
        QCOMPARE(errorNumber([&] {
                     db->execute(insertRow,
                                 row(QDate(1998, 7, 17), {}, {}, QString(101, QLatin1Char('p'))));
                 }),
                 errnum::FieldTooSmall);
        QCOMPARE(errorNumber([&] {
                     db->execute(insertRow, row(QDate(1998, 7, 18), {}, {}, {},
                                                QString(31, QLatin1Char('t'))));
                 }),
                 errnum::FieldTooSmall);
        QCOMPARE(rawRows(path(), "select count(*) from Mirel"), QStringList{QStringLiteral("2")});

        // One entry per day.
        QCOMPARE(errorNumber([&] {
                     db->execute(insertRow, row(QDate(1998, 7, 15), QStringLiteral("again"), {}));
                 }),
                 errnum::DuplicateKey);
        QCOMPARE(rawRows(path(), "select count(*) from Mirel"), QStringList{QStringLiteral("2")});

        // A file without the table.
        auto bare = Workspace().createDatabase(env->root() + QStringLiteral("/bare.mdb"));
        QCOMPARE(errorNumber([&] { bare->openRecordset(QStringLiteral("select * from mirel")); }),
                 errnum::TableMissing);
        QCOMPARE(errorNumber([&] { bare->execute(insertRow, row(QDate(1998, 7, 15), {}, {})); }),
                 errnum::TableMissing);
    }

    void valuesRoundTrip() {
        const QString text = QStringLiteral("It's \"quoted\"\r\nsecond line\nthird 😀🎨 日記");
        const QString memo = QStringLiteral("O'Brien; DROP TABLE Mirel; --");
        const QString picture = QStringLiteral("/home/ユーザー/Graphic/981215.bmp");
        {
            auto db = newJournal();
            db->execute(insertRow, row(QDate(1998, 12, 15), text, memo, picture));
        }
        auto db = Workspace().openDatabase(path());
        Recordset rs = db->openRecordset(
            QStringLiteral("select * from mirel where format(reg_dat, 'yyyy/mm/dd') = ?"),
            {QStringLiteral("1998/12/15")});
        QVERIFY(!rs.eof());
        QCOMPARE(rs.field(QStringLiteral("mirel_txt")).toString(), text);
        QCOMPARE(rs.field(QStringLiteral("memo_txt")).toString(), memo);
        QCOMPARE(rs.field(QStringLiteral("pic_txt")).toString(), picture);
        QCOMPARE(rs.field(QStringLiteral("Reg_dat")).toDateTime(),
                 QDateTime(QDate(1998, 12, 15), QTime(0, 0)));
        rs.moveNext();
        QVERIFY(rs.eof());
        QCOMPARE(rawRows(path(), "select Mirel_txt from Mirel"), QStringList{text});
    }

    void chooserCreatesJournal() {
        auto& m = app::modFunc();
        m.mdbPath = path();
        env->dialogs.answerMessage(Answer::Ok);
        QVERIFY(store::mdbSelect());
        const auto& call = env->dialogs.calls().at(0);
        QCOMPARE(call.text, QStringLiteral("新規にデータベースを作成します。"));
        QCOMPARE(call.buttons, Buttons::OkCancel);
        QCOMPARE(call.icon, Icon::None);
        QCOMPARE(call.title, QStringLiteral("ORVANE"));
        QCOMPARE(env->dialogs.calls().size(), std::size_t{1});
        QVERIFY(env->endings.isEmpty());
        QVERIFY(m.JournalDb != nullptr);
        QCOMPARE(m.JournalDb->path(), path());
        QCOMPARE(rawRows(path(), "select name from sqlite_master where type = 'table'"),
                 QStringList{QStringLiteral("Mirel")});
    }

    void chooserCannotCreate() {
        auto& m = app::modFunc();
        m.mdbPath = env->root() + QStringLiteral("/missing/orvane.mdb");
        env->dialogs.answerMessage(Answer::Ok);
        env->dialogs.answerMessage(Answer::Ok);
        QVERIFY(store::mdbSelect());
        QCOMPARE(env->dialogs.messageTexts(),
                 (QStringList{QStringLiteral("新規にデータベースを作成します。"),
                              QStringLiteral("MDBを作成できませんでした。")}));
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
        QTest::newRow("folder of that name") << "other/orvane.mdb"
                                             << "folder" << wrong;
        QTest::newRow("cancelled")
            << QString() << QString()
            << QStringLiteral("ＭＤＢを指定してもう一度やり直してください。");
    }

    void chooserPicksFile() {
        QFETCH(QString, fileName);
        QFETCH(QString, exists);
        QFETCH(QString, message);
        auto& m = app::modFunc();
        const QString initial = path();
        m.mdbPath = initial;
        QWidget splash;
        splash.show();
        m.Splash = &splash;

        std::optional<QString> chosen;
        if (!fileName.isEmpty()) {
            chosen = QDir(env->root()).filePath(fileName);
            QVERIFY(QDir().mkpath(QFileInfo(*chosen).absolutePath()));
            if (exists == QLatin1String("file"))
                touch(*chosen);
            else if (exists == QLatin1String("folder"))
                QVERIFY(QDir().mkpath(*chosen));
        }
        testing::SplashWatch watch(env->dialogs);
        env->dialogs.answerMessage(Answer::Cancel);
        env->dialogs.answerFile(chosen);
        if (!message.isEmpty())
            env->dialogs.answerMessage(Answer::Ok);

        const bool goOn = store::mdbSelect();

        const auto& request = env->dialogs.calls().at(1).file;
        QCOMPARE(request.fileName, initial);
        QCOMPARE(request.filter,
                 QStringLiteral("すべてのファイル (*.*)|*.*|ＭＤＢ ファイル (*.mdb)|*.mdb"));
        QCOMPARE(request.filterIndex, 1);
        QVERIFY(request.hideReadOnly);
        QVERIFY(request.title.isEmpty());
        QVERIFY(m.JournalDb == nullptr); // a picked file is opened by the caller
        if (message.isEmpty()) {
            QVERIFY(goOn);
            QCOMPARE(m.mdbPath, *chosen);
            QVERIFY(env->endings.isEmpty());
            QVERIFY(splash.isVisible());
            QCOMPARE(env->dialogs.calls().size(), std::size_t{2});
        } else {
            QVERIFY(!goOn);
            QCOMPARE(env->dialogs.calls().size(), std::size_t{3});
            const auto& ending = env->dialogs.calls().at(2);
            QCOMPARE(ending.text, message);
            QCOMPARE(ending.buttons, Buttons::Ok);
            QCOMPARE(ending.icon, Icon::None);
            QCOMPARE(ending.title, QStringLiteral("ORVANE"));
            QCOMPARE(env->endings.size(), 1);
            // The splash is gone before the message comes up.
            QCOMPARE(watch.splashShown, (std::vector<bool>{true, true, false}));
        }
    }
};

ORVANE_TEST_MAIN(StoreTest)
#include "tst_store.moc"
