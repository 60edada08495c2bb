#pragma once

#include "platform/Dialogs.h"

#include <vector>

namespace testing {

// Passes every dialog on to the dialogs it wraps and notes whether the splash window was on the
// screen when the dialog came up. Installed over the scripted dialogs of a TestEnv.
class SplashWatch : public platform::Dialogs {
public:
    explicit SplashWatch(platform::Dialogs& inner);
    ~SplashWatch() override;
    SplashWatch(const SplashWatch&) = delete;
    SplashWatch& operator=(const SplashWatch&) = delete;

    platform::Answer message(const QString& text, platform::Buttons buttons, platform::Icon icon,
                             const QString& title) override;
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override;
    std::optional<QString> openFile(const platform::FileRequest& request) override;

    // One entry per dialog, in order: true when the splash was visible.
    std::vector<bool> splashShown;

private:
    void note();
    platform::Dialogs& inner_;
};

} // namespace testing
