#include "support/ScriptedDialogs.h"

namespace testing {

namespace {

QString kindName(ScriptedDialogs::Kind kind) {
    switch (kind) {
    case ScriptedDialogs::Kind::Message:
        return QStringLiteral("message box");
    case ScriptedDialogs::Kind::Input:
        return QStringLiteral("input box");
    case ScriptedDialogs::Kind::OpenFile:
        return QStringLiteral("file dialog");
    }
    return {};
}

} // namespace

void ScriptedDialogs::answerMessage(platform::Answer answer) {
    queue_.push_back({Kind::Message, answer, std::nullopt});
}

void ScriptedDialogs::answerInput(std::optional<QString> text) {
    queue_.push_back({Kind::Input, platform::Answer::Ok, std::move(text)});
}

void ScriptedDialogs::answerFile(std::optional<QString> path) {
    queue_.push_back({Kind::OpenFile, platform::Answer::Ok, std::move(path)});
}

std::optional<ScriptedDialogs::Queued> ScriptedDialogs::take(Kind kind, const QString& what) {
    if (queue_.empty()) {
        problems_ << QStringLiteral("unexpected %1: %2").arg(kindName(kind), what);
        return std::nullopt;
    }
    Queued next = queue_.front();
    queue_.pop_front();
    if (next.kind != kind) {
        problems_ << QStringLiteral("expected a %1 but met a %2: %3")
                         .arg(kindName(next.kind), kindName(kind), what);
        return std::nullopt;
    }
    return next;
}

platform::Answer ScriptedDialogs::message(const QString& text, platform::Buttons buttons,
                                          platform::Icon icon, const QString& title) {
    calls_.push_back({Kind::Message, text, title, buttons, icon, {}, {}});
    auto next = take(Kind::Message, text);
    if (!next)
        return buttons == platform::Buttons::Ok ? platform::Answer::Ok : platform::Answer::Cancel;
    return next->answer;
}

std::optional<QString> ScriptedDialogs::input(const QString& prompt, const QString& title,
                                              const QString& defaultText) {
    calls_.push_back({Kind::Input,
                      prompt,
                      title,
                      platform::Buttons::OkCancel,
                      platform::Icon::None,
                      defaultText,
                      {}});
    auto next = take(Kind::Input, prompt);
    return next ? next->text : std::nullopt;
}

std::optional<QString> ScriptedDialogs::openFile(const platform::FileRequest& request) {
    calls_.push_back({Kind::OpenFile,
                      {},
                      request.title,
                      platform::Buttons::OkCancel,
                      platform::Icon::None,
                      {},
                      request});
    auto next = take(Kind::OpenFile, request.filter);
    return next ? next->text : std::nullopt;
}

QStringList ScriptedDialogs::messageTexts() const {
    QStringList texts;
    for (const auto& call : calls_) {
        if (call.kind == Kind::Message)
            texts << call.text;
    }
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
