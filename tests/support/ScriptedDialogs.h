#pragma once

#include "platform/Dialogs.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <optional>
#include <vector>

namespace testing {

// Answers dialogs from a queue the test fills in advance and records every call. A dialog that
// was not expected, or of another kind than the next queued answer, is recorded as a problem
// and answered as cancelled; the fixture fails the test when problems or unused answers remain.
class ScriptedDialogs : public platform::Dialogs {
public:
    enum class Kind { Message, Input, OpenFile };

    struct Call {
        Kind kind;
        QString text; // message text or input prompt
        QString title;
        platform::Buttons buttons = platform::Buttons::Ok;
        platform::Icon icon = platform::Icon::None;
        QString defaultText;
        platform::FileRequest file;
        bool splashShown = false; // the start-up splash was on the screen
        // "title|buttons|icon|text", the buttons and icon by their numbers in platform/Dialogs.h.
        QString summary() const;
    };

    // Queue the next answers.
    void answerMessage(platform::Answer answer) { queue_.push_back({Kind::Message, answer, {}}); }
    void answerInput(std::optional<QString> text) { queue_.push_back({Kind::Input, {}, text}); }
    void answerFile(std::optional<QString> path) { queue_.push_back({Kind::OpenFile, {}, path}); }

    platform::Answer message(const QString& text, platform::Buttons buttons, platform::Icon icon,
                             const QString& title) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override;
    std::optional<QString> openFile(const platform::FileRequest& request) override;

    const std::vector<Call>& calls() const { return calls_; }
    // Texts of the message boxes shown, in order.
    QStringList messageTexts() const;

    // Problems met so far plus answers never used; empty when the script ran as planned.
    QStringList problems() const;
    void reset();

private:
    struct Queued {
        Kind kind;
        platform::Answer answer = platform::Answer::Ok;
        std::optional<QString> text;
    };
    // Records the call and takes the next answer when it is of the call's kind.
    std::optional<Queued> take(Call call, const QString& what);

    std::deque<Queued> queue_;
    std::vector<Call> calls_;
    QStringList problems_;
};

} // namespace testing
