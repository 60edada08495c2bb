#include "store/JournalKeys.h"

#include "platform/Database.h"
#include "platform/Dates.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "platform/Services.h"
#include "store/Session.h"

#include <QDateTime>

#include <vector>

namespace store {

namespace {

// "yyyy-mm-dd hh:nn:ss", digit for digit.
const QString StoredForm = QStringLiteral("[0-9][0-9][0-9][0-9]-[0-9][0-9]-[0-9][0-9] "
                                          "[0-9][0-9]:[0-9][0-9]:[0-9][0-9]");

// Every stored key that starts with the prefix: the characters after a date's digits (a blank,
// digits, "-", ":") all sort before "~".
QVariantList startingWith(const QString& prefix) {
    return {prefix, prefix + QLatin1Char('~')};
}

QString year4(int year) {
    return QStringLiteral("%1").arg(year, 4, 10, QLatin1Char('0'));
}

struct OtherKey {
    qint64 rowid;
    QString text;
    QDateTime moment;
};

// The keys in another form that name a moment; others (text that is no date) stay as they are.
std::vector<OtherKey> otherKeys(platform::db::Database& db) {
    std::vector<OtherKey> keys;
    auto rows = db.openRecordset(QStringLiteral("select rowid,cast(reg_dat as text) as keytext "
                                                "from Mirel where ") +
                                 otherFormCondition());
    for (; !rows.eof(); rows.moveNext()) {
        const QString text = rows.field(QStringLiteral("keytext")).toString();
        if (const auto moment = platform::db::fromStorageText(text))
            keys.push_back({rows.field(QStringLiteral("rowid")).toLongLong(), text, *moment});
    }
    return keys;
}

void reportClashes(const QStringList& clashes) {
    if (clashes.isEmpty())
        return;
    platform::dialogs().message(
        QStringLiteral("次の日には日記が二つあります。日付の書き方が違う行を直すと同じ日が重なる"
                       "ため、どちらの行も変えていません。\n") +
            clashes.join(QLatin1Char('\n')),
        platform::Buttons::Ok, platform::Icon::Exclamation, platform::programTitle());
}

} // namespace

QVariantList dayKeys(const QDate& day) {
    return startingWith(platform::dates::format(day, QStringLiteral("yyyy-mm-dd")));
}

QVariantList monthKeys(int year, int month) {
    return startingWith(year4(year) + QLatin1Char('-') +
                        QStringLiteral("%1").arg(month, 2, 10, QLatin1Char('0')) +
                        QLatin1Char('-'));
}

QVariantList yearKeys(int year) {
    return startingWith(year4(year) + QLatin1Char('-'));
}

QString otherFormCondition() {
    return QStringLiteral("reg_dat not glob '%1'").arg(StoredForm);
}

void makeKeyIndexes(platform::db::Database& db) {
    if (!db.hasTable(QStringLiteral("Mirel")))
        return;
    // The primary key brings an index; a table typed in by hand may have none.
    const bool keyIndexed =
        !db.openRecordset(QStringLiteral("select 1 from pragma_index_list('Mirel') l "
                                         "join pragma_index_info(l.name) i "
                                         "where l.partial=0 and i.seqno=0 "
                                         "and i.name='Reg_dat' collate nocase"))
             .eof();
    if (!keyIndexed)
        db.execute(QStringLiteral("create index mirel_reg_dat on Mirel(Reg_dat)"));
    db.execute(QStringLiteral("create index if not exists mirel_other_keys on Mirel(Reg_dat) "
                              "where ") +
               otherFormCondition());
}

namespace {

void rewriteOtherKeys(platform::db::Database& db) {
    const auto keys = otherKeys(db);
    if (keys.empty())
        return;
    auto& reported = session().ReportedKeyClashes;
    QStringList clashes;
    platform::db::Transaction transaction(db);
    for (const auto& key : keys) {
        const QDate day = key.moment.date();
        // Another row of that day (in the stored form, or made so a moment ago): rewriting this
        // one would give the day two entries, so both stay for the user to sort out.
        if (!db.openRecordset(QStringLiteral("select 1 from Mirel where reg_dat>=? and reg_dat<?"),
                              dayKeys(day))
                 .eof()) {
            if (!reported.contains(key.text)) {
                reported.insert(key.text);
                clashes << platform::dates::format(day, QStringLiteral("yyyy/mm/dd (aaa)")) +
                               QStringLiteral("  '") + key.text + QLatin1Char('\'');
            }
            continue;
        }
        db.execute(QStringLiteral("update Mirel set reg_dat=? where rowid=?"),
                   {platform::db::toStorageText(key.moment), key.rowid});
    }
    transaction.commit();
    reportClashes(clashes);
}

} // namespace

void normaliseKeys(platform::db::Database& db) {
    if (!db.changedElsewhere())
        return;
    try {
        rewriteOtherKeys(db);
    } catch (...) {
        // Look again next time rather than leave keys that no statement finds.
        db.forgetChanges();
        throw;
    }
}

} // namespace store
