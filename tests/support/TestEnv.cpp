#include "support/Testing.h"

namespace testing {

namespace {

void pointXdgAt(const QString& root) {
    for (const auto& [variable, folder] :
         {std::pair{"XDG_DATA_HOME", "/data"}, std::pair{"XDG_CONFIG_HOME", "/config"},
          std::pair{"XDG_RUNTIME_DIR", "/runtime"}, std::pair{"XDG_CACHE_HOME", "/cache"}}) {
        QDir().mkpath(root + QLatin1String(folder));
        qputenv(variable, (root + QLatin1String(folder)).toUtf8());
    }
    QFile::setPermissions(root + u"/runtime"_s,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("HOME", root.toUtf8());
    // QSettings reads its folder once per process; point it at this world explicitly.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, root + u"/config"_s);
}

} // namespace

TestEnv::TestEnv() {
    pointXdgAt(dir_.path());
    app::resetModFunc();
    app::modFunc().Kdf = QuickKdf;
    platform::setDialogs(&dialogs);
    platform::setClock(&clock);
    platform::setEndHandler([this](int code) { endings << code; });
}

TestEnv::~TestEnv() {
    // A newer world may already have replaced this one (a test that failed in cleanup): leave
    // its services in place.
    if (&platform::dialogs() != &dialogs)
        return;
    app::resetModFunc();
    platform::setDialogs(nullptr);
    platform::setClock(nullptr);
    platform::setEndHandler({});
}

void prepareProcess(int, char**) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QTemporaryDir processRoot;
    pointXdgAt(processRoot.path());
}

} // namespace testing
