#include "platform/ChildProgram.h"

#include "platform/Error.h"
#include "platform/PrivateFiles.h"

#include <QCoreApplication>
#include <QEvent>
#include <QEventLoop>
#include <QProcess>

#include <sys/stat.h>

namespace platform {

namespace {

// Keeps every window from closing while the program waits; input is held back by the waiting
// loop itself.
class NoClosing : public QObject {
public:
    NoClosing() { QCoreApplication::instance()->installEventFilter(this); }
    ~NoClosing() override { QCoreApplication::instance()->removeEventFilter(this); }
    NoClosing(const NoClosing&) = delete;
    NoClosing& operator=(const NoClosing&) = delete;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Close) {
            event->ignore();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

ChildProgram::ChildProgram(const QString& program, const QString& argument)
    : process_(std::make_unique<QProcess>()) {
    // Its output is its own: nothing of it is read here.
    process_->setProcessChannelMode(QProcess::ForwardedChannels);
    process_->setInputChannelMode(QProcess::ForwardedInputChannel);
    // The files the user saves there are the user's business: they get the user's own mask.
    if (const auto mask = userUmask())
        process_->setChildProcessModifier([mask = *mask] { ::umask(mask); });
    process_->start(program, {argument});
    if (!process_->waitForStarted(-1)) {
        const QString why = process_->errorString();
        process_.reset();
        throw Error(errnum::PathFileAccess,
                    QStringLiteral("%1 を起動できませんでした。%2").arg(program, why));
    }
}

ChildProgram::~ChildProgram() {
    if (process_ && process_->state() != QProcess::NotRunning)
        process_->waitForFinished(-1);
}

qint64 ChildProgram::processId() const {
    return process_ ? process_->processId() : 0;
}

void ChildProgram::waitForEnd() {
    if (!process_ || process_->state() == QProcess::NotRunning)
        return;
    // The end of the process is noticed by the event loop, so it cannot slip by before the loop
    // runs.
    const NoClosing noClosing;
    QEventLoop loop;
    QObject::connect(process_.get(), &QProcess::finished, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
}

} // namespace platform
