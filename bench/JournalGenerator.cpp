#include "bench/JournalGenerator.h"

#include "platform/Database.h"
#include "platform/Dates.h"
#include "store/Schema.h"

#include <QFile>

#include <sqlite3.h>

#include <stdexcept>

namespace bench {

namespace {

QString dayText(const QDate& day, int chars) {
    static const QString words[] = {
        QStringLiteral("今日は朝から晴れて、"),   QStringLiteral("公園まで散歩した。"),
        QStringLiteral("夕方に雨が降り出し、"),   QStringLiteral("本を一冊読み終えた。"),
        QStringLiteral("友だちと電話で話した。"), QStringLiteral("新しい絵の具を買った。")};
    QString text;
    int i = day.dayOfYear();
    while (text.size() < chars) {
        text += words[i % 6];
        if (i % 5 == 0)
            text += QLatin1Char('\n');
        i += 7;
    }
    return text.left(chars);
}

void check(int code, sqlite3* handle) {
    if (code != SQLITE_OK && code != SQLITE_DONE && code != SQLITE_ROW)
        throw std::runtime_error(sqlite3_errmsg(handle));
}

} // namespace

int generateJournal(const QString& path, const JournalShape& shape) {
    {
        auto db = platform::db::Workspace().createDatabase(path);
        store::tblMake(*db);
    }
    // One transaction for the whole file: this is set-up, not what is measured.
    sqlite3* handle = nullptr;
    check(sqlite3_open(QFile::encodeName(path).constData(), &handle), handle);
    check(sqlite3_exec(handle, "BEGIN", nullptr, nullptr, nullptr), handle);
    sqlite3_stmt* insert = nullptr;
    check(sqlite3_prepare_v2(handle, "insert into Mirel values(?,?,?,?,0,?,?,?)", -1, &insert,
                             nullptr),
          handle);
    int written = 0;
    for (QDate day = shape.firstDay; day <= shape.lastDay; day = day.addDays(1)) {
        if (shape.everyNthDayEmpty > 0 && day.toJulianDay() % shape.everyNthDayEmpty == 0)
            continue;
        const QByteArray values[] = {
            platform::db::toStorageText(QDateTime(day, QTime(0, 0))).toUtf8(),
            dayText(day, shape.textChars).toUtf8(),
            QStringLiteral("%1の備考")
                .arg(platform::dates::format(day, QStringLiteral("m/d")))
                .toUtf8(),
            day.day() == 1 ? QStringLiteral("/home/user/Graphic/%1.bmp")
                                 .arg(platform::dates::format(day, QStringLiteral("yymmdd")))
                                 .toUtf8()
                           : QByteArray(""),
            platform::db::toStorageText(QDateTime(day, QTime(0, 0))).toUtf8(),
            platform::db::toStorageText(QDateTime(platform::dates::zeroDate(), QTime(21, 5, 9)))
                .toUtf8(),
            QByteArrayLiteral("BENCH")};
        for (int i = 0; i < 7; ++i) {
            check(sqlite3_bind_text(insert, i + 1, values[i].constData(),
                                    static_cast<int>(values[i].size()), SQLITE_TRANSIENT),
                  handle);
        }
        check(sqlite3_step(insert), handle);
        sqlite3_reset(insert);
        ++written;
    }
    sqlite3_finalize(insert);
    check(sqlite3_exec(handle, "COMMIT", nullptr, nullptr, nullptr), handle);
    sqlite3_close(handle);
    return written;
}

} // namespace bench
