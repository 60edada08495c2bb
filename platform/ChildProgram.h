#pragma once

#include <QString>

#include <memory>

class QProcess;

namespace platform {

// A program the user works in while this one waits for it: the paint program. It is started
// directly, without a shell, with its one argument passed as it is (blanks and all).
class ChildProgram {
public:
    // Starts the program; raises an error saying why when it cannot be started at all (missing,
    // not executable).
    ChildProgram(const QString& program, const QString& argument);
    // Waits for the program first when it still runs: ending it would lose the user's work.
    ~ChildProgram();
    ChildProgram(const ChildProgram&) = delete;
    ChildProgram& operator=(const ChildProgram&) = delete;

    qint64 processId() const;

    // Waits until this very process has ended; a later process that happens to get the same
    // number does not count. Meanwhile the program's windows repaint and its timers run, but no
    // key, click or request to close reaches them.
    void waitForEnd();

private:
    std::unique_ptr<QProcess> process_;
};

} // namespace platform
