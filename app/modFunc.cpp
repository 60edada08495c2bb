#include "app/modFunc.h"

#include <QWidget>

namespace app {

namespace {
ModFunc& instance() {
    static ModFunc values;
    return values;
}
} // namespace

ModFunc::ModFunc() = default;
ModFunc::~ModFunc() = default;
ModFunc& ModFunc::operator=(ModFunc&&) noexcept = default;

void ModFunc::closeSplash() {
    if (QWidget* splash = Splash.data())
        splash->close();
}

ModFunc& modFunc() {
    return instance();
}

void resetModFunc() {
    instance() = ModFunc{};
}

} // namespace app

// The session store/ works on is the program's own values.
store::Session& store::session() {
    return app::modFunc();
}
