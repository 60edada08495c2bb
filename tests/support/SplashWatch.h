#pragma once

#include "app/modFunc.h"
#include "platform/Dialogs.h"
#include "platform/Services.h"

#include <QWidget>

#include <vector>

namespace testing {

// Passes every dialog on to the dialogs it wraps and notes whether the splash window was on the
// screen when the dialog came up. Installed over the scripted dialogs of a TestEnv.
class SplashWatch : public platform::Dialogs {
public:
    explicit SplashWatch(platform::Dialogs& inner) : inner_(inner) { platform::setDialogs(this); }
    ~SplashWatch() override { platform::setDialogs(&inner_); }
    SplashWatch(const SplashWatch&) = delete;
    SplashWatch& operator=(const SplashWatch&) = delete;

    platform::Answer message(const QString& text, platform::Buttons buttons, platform::Icon icon,
                             const QString& title) override {
        note();
        return inner_.message(text, buttons, icon, title);
    }
    std::optional<QString> input(const QString& prompt, const QString& title,
                                 const QString& defaultText) override {
        note();
        return inner_.input(prompt, title, defaultText);
    }
    std::optional<QString> openFile(const platform::FileRequest& request) override {
        note();
        return inner_.openFile(request);
    }

    // One entry per dialog, in order: true when the splash was visible.
    std::vector<bool> splashShown;

private:
    void note() {
        const QWidget* splash = app::modFunc().Splash.data();
        splashShown.push_back(splash != nullptr && splash->isVisible());
    }
    platform::Dialogs& inner_;
};

} // namespace testing
