#include "bench/ProcessProbe.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QFile>
#include <QMap>
#include <QProcess>

#include <xcb/xcb.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

// argv or envp for posix_spawn, owning its strings.
class CStrings {
public:
    explicit CStrings(const QList<QByteArray>& items) : items_(items) {
        for (auto& item : items_)
            pointers_.push_back(item.data());
        pointers_.push_back(nullptr);
    }
    char* const* get() { return pointers_.data(); }

private:
    QList<QByteArray> items_;
    std::vector<char*> pointers_;
};

// This process's environment with the given NAME=value entries put over it.
QList<QByteArray> environmentWith(const QStringList& extra) {
    QMap<QByteArray, QByteArray> values;
    for (char** e = environ; *e != nullptr; ++e) {
        const QByteArray entry(*e);
        values.insert(entry.left(entry.indexOf('=')), entry);
    }
    for (const QString& entry : extra) {
        const QByteArray bytes = entry.toUtf8();
        values.insert(bytes.left(bytes.indexOf('=')), bytes);
    }
    return values.values();
}

qint64 spawn(const QByteArray& program, const QList<QByteArray>& args,
             const QList<QByteArray>& environment, posix_spawn_file_actions_t* actions) {
    CStrings argv(QList<QByteArray>{program} + args);
    CStrings envp(environment);
    pid_t pid = 0;
    if (const int error =
            posix_spawnp(&pid, program.constData(), actions, nullptr, argv.get(), envp.get())) {
        std::fprintf(stderr, "cannot start %s: %s\n", program.constData(), std::strerror(error));
        return 0;
    }
    return pid;
}

double residentMb(qint64 pid) {
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return 0;
}

struct XcbDeleter {
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};
struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> reply(xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(qstrlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

QByteArray windowName(xcb_connection_t* c, xcb_window_t window, xcb_atom_t netWmName,
                      xcb_atom_t utf8) {
    std::unique_ptr<xcb_get_property_reply_t, FreeDeleter> reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, window, netWmName, utf8, 0, 256), nullptr));
    if (!reply)
        return {};
    return QByteArray(static_cast<const char*>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

} // namespace

namespace {

// Starts a program whose first line of output says where it can be reached.
qint64 spawnAndReadLine(const QByteArray& program, const QList<QByteArray>& args, QString* line) {
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    // Their notes about the session they start are no figures of the benchmark.
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const qint64 pid = spawn(program, args, environmentWith({}), &actions);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    QByteArray text;
    char c = 0;
    while (pid != 0 && ::read(pipeFds[0], &c, 1) == 1 && c != '\n')
        text += c;
    ::close(pipeFds[0]);
    *line = QString::fromUtf8(text);
    return pid;
}

void stop(qint64 pid) {
    if (pid != 0) {
        ::kill(static_cast<pid_t>(pid), SIGTERM);
        ::waitpid(static_cast<pid_t>(pid), nullptr, 0);
    }
}

} // namespace

Desktop::Desktop() {
    QString number;
    xPid_ = spawnAndReadLine(
        "Xvfb", {"-displayfd", "1", "-noreset", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"},
        &number);
    if (!number.isEmpty())
        display_ = QStringLiteral(":") + number;
    busPid_ = spawnAndReadLine("dbus-daemon", {"--session", "--nofork", "--print-address=1"},
                               &busAddress_);
}

Desktop::~Desktop() {
    stop(busPid_);
    stop(xPid_);
}

QStringList Desktop::environment() const {
    if (display_.isEmpty() || busAddress_.isEmpty())
        return {};
    return {QStringLiteral("DISPLAY=") + display_,
            QStringLiteral("DBUS_SESSION_BUS_ADDRESS=") + busAddress_};
}

namespace {

// Waits until a top-level window whose title starts with prefix is mapped: the window and the
// moment it was.
std::optional<std::pair<xcb_window_t, Clock::time_point>>
waitMapped(xcb_connection_t* c, const QByteArray& prefix, Clock::time_point deadline) {
    const xcb_atom_t netWmName = atom(c, "_NET_WM_NAME");
    const xcb_atom_t utf8 = atom(c, "UTF8_STRING");
    pollfd watch{xcb_get_file_descriptor(c), POLLIN, 0};
    while (Clock::now() < deadline) {
        ::poll(&watch, 1, 10);
        while (xcb_generic_event_t* raw = xcb_poll_for_event(c)) {
            std::unique_ptr<xcb_generic_event_t, FreeDeleter> event(raw);
            if ((event->response_type & 0x7f) != XCB_MAP_NOTIFY)
                continue;
            const auto mapped = Clock::now();
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event.get());
            if (windowName(c, map->window, netWmName, utf8).startsWith(prefix))
                return std::make_pair(map->window, mapped);
        }
    }
    return std::nullopt;
}

bool xdotool(const QStringList& args, const QStringList& environment) {
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : environment)
        env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    tool.setProcessEnvironment(env);
    tool.start(QStringLiteral("xdotool"), args);
    return tool.waitForFinished(10000) && tool.exitCode() == 0;
}

} // namespace

std::optional<StartFigures> measureStart(const Desktop& desktop, const QString& program,
                                         const QStringList& environment, const QString& titlePrefix,
                                         bool memory, const Unlocking& unlocking) {
    std::unique_ptr<xcb_connection_t, XcbDeleter> c(xcb_connect(
        desktop.environment().value(0).section(QLatin1Char('='), 1).toLatin1().constData(),
        nullptr));
    if (!c || xcb_connection_has_error(c.get())) {
        std::fprintf(stderr, "cannot reach the X server %s\n",
                     qPrintable(desktop.environment().value(0)));
        return std::nullopt;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c.get())).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(c.get(), root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(c.get());

    auto start = Clock::now();
    const qint64 pid =
        spawn(QFile::encodeName(program), {},
              environmentWith(desktop.environment() +
                              QStringList{QStringLiteral("QT_QPA_PLATFORM=xcb")} + environment),
              nullptr);
    if (pid == 0)
        return std::nullopt;

    std::optional<StartFigures> figures;
    bool unlocked = unlocking.passphrase.isEmpty();
    if (!unlocked) {
        // The passphrase typed into the box that has the focus; the clock starts again as Return
        // is pressed, so that the figure leaves out the diarist's typing.
        const auto dialog =
            waitMapped(c.get(), unlocking.dialogTitle.toUtf8(), start + std::chrono::seconds(10));
        unlocked = dialog &&
                   xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                            QString::number(dialog->first), QStringLiteral("type"),
                            QStringLiteral("--delay"), QStringLiteral("5"), unlocking.passphrase},
                           desktop.environment());
        start = Clock::now();
        unlocked = unlocked && xdotool({QStringLiteral("key"), QStringLiteral("Return")},
                                       desktop.environment());
        if (!unlocked)
            std::fprintf(stderr, "the passphrase could not be typed\n");
    }
    if (unlocked) {
        if (const auto window =
                waitMapped(c.get(), titlePrefix.toUtf8(), start + std::chrono::seconds(10)))
            figures = StartFigures{
                std::chrono::duration<double, std::milli>(window->second - start).count(), 0};
    }
    if (figures && memory) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        figures->residentMb = residentMb(pid);
    }
    ::kill(static_cast<pid_t>(pid), SIGKILL);
    ::waitpid(static_cast<pid_t>(pid), nullptr, 0);
    // The X server and the session bus tidy up after the ended program before the next starts.
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    return figures;
}

std::map<QString, double> childFigures(const QStringList& arguments,
                                       const QStringList& environment) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& entry : environment)
        env.insert(entry.section(QLatin1Char('='), 0, 0), entry.section(QLatin1Char('='), 1));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(600000);
    std::map<QString, double> figures;
    for (const QByteArray& line : child.readAllStandardOutput().split('\n')) {
        const auto parts = line.split(' ');
        if (parts.size() == 2)
            figures[QString::fromLatin1(parts[0])] = parts[1].toDouble();
    }
    return figures;
}

double ownMemoryMb(const QByteArray& field) {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(field + ':'))
            return line.mid(field.size() + 1).trimmed().split(' ').front().toDouble() / 1024;
    }
    return 0;
}

void resetPeakMemory() {
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1)
        std::fprintf(stderr, "orvane_bench: the peak memory cannot be started again\n");
}

} // namespace bench
