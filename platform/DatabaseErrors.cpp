#include "platform/DatabaseDetail.h"

#include "platform/Error.h"

#include <QRegularExpression>

namespace platform::db::detail {

namespace {

constexpr int NullInKey = 3058;
constexpr int ZeroLengthNotAllowed = 3315;
constexpr int ConversionError = 3421;

} // namespace

void fail(sqlite3* handle, int code) {
    const QString text = handle != nullptr ? QString::fromUtf8(sqlite3_errmsg(handle))
                                           : QString::fromUtf8(sqlite3_errstr(code));
    static const QRegularExpression noTable(QStringLiteral("^no such table: (?:\\w+\\.)?(.+)$"));
    static const QRegularExpression check(QStringLiteral("^CHECK constraint failed: (\\w+)$"));
    static const QRegularExpression notNull(QStringLiteral("^NOT NULL constraint failed: (.+)$"));
    static const QRegularExpression unique(
        QStringLiteral("^UNIQUE constraint failed: (\\w+)\\.(\\w+)"));

    const int extended = handle != nullptr ? sqlite3_extended_errcode(handle) : code;
    if (extended == SQLITE_CONSTRAINT_PRIMARYKEY || extended == SQLITE_CONSTRAINT_UNIQUE) {
        const auto m = unique.match(text);
        const QString table = m.hasMatch() ? m.captured(1) : QString();
        throw Error(
            errnum::DuplicateKey,
            QStringLiteral("主キーの値が重複しているため、テーブル '%1' を変更できませんでした。")
                .arg(table));
    }
    if (extended == SQLITE_IOERR_DATA) {
        // An encrypted page that does not open: changed, moved or cut off behind our back.
        throw Error(code & 0xff,
                    QStringLiteral("日記のファイルが壊れているか、改ざんされています。"));
    }
    if (const auto m = noTable.match(text); m.hasMatch()) {
        throw Error(errnum::TableMissing,
                    QStringLiteral("入力テーブルまたはクエリ '%1' が見つかりませんでした。")
                        .arg(m.captured(1)));
    }
    if (const auto m = check.match(text); m.hasMatch()) {
        // Constraint names carry what was checked: len_<column>_<limit>, nz_<column>, yn_<column>.
        const QString name = m.captured(1);
        static const QRegularExpression length(QStringLiteral("^len_(\\w+)_(\\d+)$"));
        if (const auto l = length.match(name); l.hasMatch()) {
            throw Error(errnum::FieldTooSmall,
                        QStringLiteral("フィールド '%1' に入力できるのは %2 文字までです。")
                            .arg(l.captured(1), l.captured(2)));
        }
        if (name.startsWith(QStringLiteral("nz_"))) {
            throw Error(ZeroLengthNotAllowed,
                        QStringLiteral("フィールド '%1' には長さ 0 の文字列を入力できません。")
                            .arg(name.mid(3)));
        }
        if (name.startsWith(QStringLiteral("yn_"))) {
            throw Error(ConversionError,
                        QStringLiteral("フィールド '%1' に入力できるのは Yes/No の値だけです。")
                            .arg(name.mid(3)));
        }
    }
    // What the user can do something about, said in the program's language.
    switch (code & 0xff) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        throw Error(code & 0xff, QStringLiteral("日記のファイルを別のプログラムが使っているため、"
                                                "書き込めませんでした。しばらくしてからもう一度"
                                                "保存してください。"));
    case SQLITE_READONLY:
        throw Error(code & 0xff,
                    QStringLiteral("日記のファイルは読み取り専用のため、書き込めませんでした。"));
    case SQLITE_FULL:
        throw Error(code & 0xff, QStringLiteral("ディスクに空きがないため、日記のファイルに"
                                                "書き込めませんでした。"));
    default:
        break;
    }
    if (const auto m = notNull.match(text); m.hasMatch()) {
        throw Error(
            NullInKey,
            QStringLiteral("フィールド '%1' を空にすることはできません。").arg(m.captured(1)));
    }
    throw Error(code & 0xff, text);
}

void check(sqlite3* handle, int code) {
    if (code != SQLITE_OK && code != SQLITE_DONE && code != SQLITE_ROW)
        fail(handle, code);
}

} // namespace platform::db::detail
