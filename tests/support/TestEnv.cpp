#include "support/Testing.h"

namespace testing {

namespace {

void pointXdgAt(const QString& root) {
    const QString data = root + QStringLiteral("/data");
    const QString config = root + QStringLiteral("/config");
    const QString runtime = root + QStringLiteral("/runtime");
    const QString cache = root + QStringLiteral("/cache");
    for (const QString& dir : {data, config, runtime, cache})
        QDir().mkpath(dir);
    QFile::setPermissions(runtime,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    qputenv("XDG_DATA_HOME", data.toUtf8());
    qputenv("XDG_CONFIG_HOME", config.toUtf8());
    qputenv("XDG_RUNTIME_DIR", runtime.toUtf8());
    qputenv("XDG_CACHE_HOME", cache.toUtf8());
    qputenv("HOME", root.toUtf8());
    // QSettings reads its folder once per process; point it at this world explicitly.
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);
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
