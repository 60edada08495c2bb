#pragma once

#include <QDate>
#include <QDateTime>

namespace platform {

// "Today" and "now" for the whole program; tests set a fixed moment.
class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    QDate today() const { return now().date(); }
};

class SystemClock : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

// A clock that stands still until it is moved.
class FixedClock : public Clock {
public:
    explicit FixedClock(QDateTime moment) : moment_(std::move(moment)) {}
    QDateTime now() const override { return moment_; }
    void set(const QDateTime& moment) { moment_ = moment; }
    void advanceMs(qint64 ms) { moment_ = moment_.addMSecs(ms); }

private:
    QDateTime moment_;
};

} // namespace platform
