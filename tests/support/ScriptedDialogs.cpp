#include "support/Testing.h"

namespace testing {

static QString kindName(ScriptedDialogs::Kind kind) {
    static const char* const names[] = {"message box", "input box", "file dialog",
                                        "printer chooser"};
    return QLatin1String(names[int(kind)]);
}

std::optional<ScriptedDialogs::Queued> ScriptedDialogs::take(Call call, const QString& what) {
    const QWidget* splash = app::modFunc().Splash.data();
    call.splashShown = splash != nullptr && splash->isVisible();
    calls_.push_back(call);
    if (queue_.empty()) {
        problems_ << QStringLiteral("unexpected %1: %2").arg(kindName(call.kind), what);
        return std::nullopt;
    }
    Queued next = queue_.front();
    queue_.pop_front();
    if (next.kind != call.kind) {
        problems_ << QStringLiteral("expected a %1 but met a %2: %3")
                         .arg(kindName(next.kind), kindName(call.kind), what);
        return std::nullopt;
    }
    return next;
}

platform::Answer ScriptedDialogs::message(const QString& text, platform::Buttons buttons,
                                          platform::Icon icon, const QString& title) {
    const auto next = take({Kind::Message, text, title, buttons, icon, {}, {}, {}}, text);
    if (!next)
        return buttons == platform::Buttons::Ok ? platform::Answer::Ok : platform::Answer::Cancel;
    return next->answer;
}

std::optional<QString> ScriptedDialogs::input(const QString& prompt, const QString& title,
                                              const QString& defaultText) {
    const auto next = take(
        {Kind::Input, prompt, title, platform::Buttons::OkCancel, {}, defaultText, {}, {}}, prompt);
    return next ? next->text : std::nullopt;
}

std::optional<QString> ScriptedDialogs::openFile(const platform::FileRequest& request) {
    const auto next =
        take({Kind::OpenFile, {}, request.title, platform::Buttons::OkCancel, {}, {}, request, {}},
             request.filter);
    return next ? next->text : std::nullopt;
}

std::unique_ptr<platform::PageJob>
ScriptedDialogs::choosePrinter(const platform::PrintRequest& request) {
    const Call call{
        Kind::Printer, request.documentName, {}, platform::Buttons::OkCancel, {}, {}, {}, {}};
    const auto next = take(call, request.documentName);
    if (!next || !next->text)
        return nullptr;
    return platform::pdfPageJob(*next->text, request);
}

QString ScriptedDialogs::Call::summary() const {
    return QStringLiteral("%1|%2|%3|").arg(title).arg(int(buttons)).arg(int(icon)) + text;
}

QStringList ScriptedDialogs::messageTexts() const {
    QStringList texts;
    for (const auto& call : calls_)
        if (call.kind == Kind::Message)
            texts << call.text;
    return texts;
}

QStringList ScriptedDialogs::problems() const {
    QStringList all = problems_;
    for (const auto& unused : queue_)
        all << QStringLiteral("queued %1 answer never used").arg(kindName(unused.kind));
    return all;
}

void ScriptedDialogs::reset() {
    queue_.clear();
    calls_.clear();
    problems_.clear();
}

} // namespace testing
