#include "support/SplashWatch.h"

#include "app/modFunc.h"
#include "platform/Services.h"

#include <QWidget>

namespace testing {

SplashWatch::SplashWatch(platform::Dialogs& inner) : inner_(inner) {
    platform::setDialogs(this);
}

SplashWatch::~SplashWatch() {
    platform::setDialogs(&inner_);
}

void SplashWatch::note() {
    const QWidget* splash = app::modFunc().Splash.data();
    splashShown.push_back(splash != nullptr && splash->isVisible());
}

platform::Answer SplashWatch::message(const QString& text, platform::Buttons buttons,
                                      platform::Icon icon, const QString& title) {
    note();
    return inner_.message(text, buttons, icon, title);
}

std::optional<QString> SplashWatch::input(const QString& prompt, const QString& title,
                                          const QString& defaultText) {
    note();
    return inner_.input(prompt, title, defaultText);
}

std::optional<QString> SplashWatch::openFile(const platform::FileRequest& request) {
    note();
    return inner_.openFile(request);
}

} // namespace testing
