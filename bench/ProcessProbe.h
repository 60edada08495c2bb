#pragma once

#include <QString>
#include <QStringList>

#include <map>
#include <optional>

namespace bench {

// A private desktop session for the benchmark: an X server, so that no window manager and no
// other program's windows stand between a program and the moment its window appears, and a
// session bus, as every desktop has (without one each Qt program would try to start its own).
// Stopped when destroyed.
class Desktop {
public:
    Desktop();
    ~Desktop();
    Desktop(const Desktop&) = delete;
    Desktop& operator=(const Desktop&) = delete;
    // DISPLAY and DBUS_SESSION_BUS_ADDRESS for the programs; empty when the session could not be
    // started.
    QStringList environment() const;

private:
    qint64 xPid_ = 0;
    qint64 busPid_ = 0;
    QString display_;
    QString busAddress_;
};

struct StartFigures {
    double startMs;    // from the start of the process (or the passphrase given) to the window
                       // mapped on the X server
    double residentMb; // resident memory one second after that, when asked for
};

// For a program that first asks for a passphrase: the title of the window that asks and what is
// typed into it. An empty passphrase: nothing is asked.
struct Unlocking {
    QString dialogTitle;
    QString passphrase;
};

// Starts a program with the environment given (added to this process's), waits until a top-level
// window whose title starts with titlePrefix is mapped on the display, measures its memory one
// second later when asked to, and ends it. Nothing when the window did not appear within ten
// seconds. With a passphrase to type, start-up is counted from the Return that gives it.
std::optional<StartFigures> measureStart(const Desktop& desktop, const QString& program,
                                         const QStringList& environment, const QString& titlePrefix,
                                         bool memory, const Unlocking& unlocking = {});

// Runs this program again with the arguments and its environment added to this process's
// ("NAME=value" each), and reads the figures it prints, one "name value" line each.
std::map<QString, double> childFigures(const QStringList& arguments,
                                       const QStringList& environment = {});

// A memory figure of this process from /proc/self/status, in MB: "VmRSS" (resident now) or
// "VmHWM" (the peak); 0 when it cannot be read.
double ownMemoryMb(const QByteArray& field);

// Starts the peak ("VmHWM") again from the memory resident now, so that what came before (the key
// derivation of an encrypted journal, hundreds of MB for a moment) is not counted in it.
void resetPeakMemory();

} // namespace bench
