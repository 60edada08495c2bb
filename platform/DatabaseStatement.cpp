#include "platform/DatabaseDetail.h"

#include "platform/Dates.h"
#include "platform/Error.h"

namespace platform::db::detail {

Statement::Statement(sqlite3* handle, const QString& sql) : handle_(handle) {
    const QByteArray utf8 = sql.toUtf8();
    const char* tail = nullptr;
    check(handle_, sqlite3_prepare_v2(handle_, utf8.constData(), static_cast<int>(utf8.size()),
                                      &stmt_, &tail));
    if (stmt_ == nullptr)
        throw Error(SQLITE_MISUSE, QStringLiteral("実行する SQL 文がありません。"));
    if (tail != nullptr && !QByteArray(tail).trimmed().isEmpty()) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
        throw Error(SQLITE_MISUSE, QStringLiteral("一度に実行できる SQL 文は一つだけです。"));
    }
}

void Statement::bind(const QVariantList& params) {
    const int expected = sqlite3_bind_parameter_count(stmt_);
    if (expected != params.size()) {
        throw Error(SQLITE_RANGE,
                    QStringLiteral("SQL 文の引数の数が合いません (%1 個必要、%2 個指定)。")
                        .arg(expected)
                        .arg(params.size()));
    }
    for (int i = 0; i < expected; ++i)
        bindOne(i + 1, params[i]);
}

int Statement::step() {
    const int code = sqlite3_step(stmt_);
    if (code != SQLITE_ROW && code != SQLITE_DONE)
        fail(handle_, code);
    return code;
}

void Statement::bindText(int index, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    check(handle_, sqlite3_bind_text(stmt_, index, utf8.constData(), static_cast<int>(utf8.size()),
                                     SQLITE_TRANSIENT));
}

void Statement::bindOne(int index, const QVariant& value) {
    if (!value.isValid() || value.isNull()) {
        // A null QString still means an empty text, not a missing value.
        if (value.typeId() == QMetaType::QString)
            bindText(index, QString(QLatin1String("")));
        else
            check(handle_, sqlite3_bind_null(stmt_, index));
        return;
    }
    switch (value.typeId()) {
    case QMetaType::QDate:
        bindText(index, toStorageText(QDateTime(value.toDate(), QTime(0, 0))));
        break;
    case QMetaType::QTime:
        bindText(index, toStorageText(QDateTime(dates::zeroDate(), value.toTime())));
        break;
    case QMetaType::QDateTime:
        bindText(index, toStorageText(value.toDateTime()));
        break;
    case QMetaType::Bool:
        check(handle_, sqlite3_bind_int(stmt_, index, value.toBool() ? -1 : 0));
        break;
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        check(handle_, sqlite3_bind_int64(stmt_, index, value.toLongLong()));
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        check(handle_, sqlite3_bind_double(stmt_, index, value.toDouble()));
        break;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        check(handle_, sqlite3_bind_blob(stmt_, index, bytes.constData(),
                                         static_cast<int>(bytes.size()), SQLITE_TRANSIENT));
        break;
    }
    default:
        bindText(index, value.toString());
        break;
    }
}

int pragmaInt(sqlite3* handle, const char* pragma) {
    Statement statement(handle, QString::fromLatin1(pragma));
    statement.step();
    return sqlite3_column_int(statement.get(), 0);
}

} // namespace platform::db::detail
