#include "platform/Error.h"

#include "platform/Dialogs.h"
#include "platform/Services.h"

#include <new>

namespace platform {

Error::Error(int number, QString description)
    : number_(number), description_(std::move(description)),
      what_(standardMessage(number_, description_).toStdString()) {}

QString Error::message() const {
    return standardMessage(number_, description_);
}

QString standardMessage(int number, const QString& description) {
    return description + QLatin1Char('(') + QString::number(number) + QLatin1Char(')');
}

Error typeMismatch() {
    return Error(errnum::TypeMismatch, QStringLiteral("型が一致しません。"));
}

namespace {

void show(const QString& text) noexcept {
    try {
        dialogs().message(text, Buttons::Ok, Icon::Critical, programTitle());
    } catch (...) {
        // Showing the error failed as well; there is nobody left to tell.
    }
}

} // namespace

bool guard(const std::function<void()>& body) noexcept {
    try {
        body();
        return true;
    } catch (const Error& e) {
        show(e.message());
    } catch (const std::bad_alloc&) {
        show(standardMessage(errnum::OutOfMemory, QStringLiteral("メモリが不足しています。")));
    } catch (const std::exception& e) {
        show(standardMessage(errnum::Internal, QString::fromLocal8Bit(e.what())));
    } catch (...) {
        show(standardMessage(errnum::Internal, QStringLiteral("予期しないエラーが発生しました。")));
    }
    return false;
}

} // namespace platform
