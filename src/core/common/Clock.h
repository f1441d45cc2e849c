#pragma once

#include <QDateTime>

#include <memory>

// The one source of "now" for the whole program, so that due dates,
// overdue lists, auto-save and the calendar can be tested at fixed moments.
class Clock {
public:
    virtual ~Clock() = default;

    // Local date-time now.
    static QDateTime currentDateTime();
    // Now as days since 1899-12-30 with the time as fraction.
    static double now();
    // Today at midnight, in the same unit.
    static double today();

    // Replaces the clock; pass nullptr to go back to the system clock.
    static void setInstance(std::shared_ptr<Clock> clock);

protected:
    virtual QDateTime currentDateTimeImpl() const = 0;
};

// A clock that stands still until moved; for tests.
class FixedClock : public Clock {
public:
    explicit FixedClock(const QDateTime& at) : m_at(at) {}
    void set(const QDateTime& at) { m_at = at; }
    void advanceSeconds(qint64 seconds) { m_at = m_at.addSecs(seconds); }

protected:
    QDateTime currentDateTimeImpl() const override { return m_at; }

private:
    QDateTime m_at;
};

// Installs a FixedClock for the life of the object.
class ScopedFixedClock {
public:
    explicit ScopedFixedClock(const QDateTime& at);
    ~ScopedFixedClock();
    FixedClock& clock() { return *m_clock; }

private:
    std::shared_ptr<FixedClock> m_clock;
};
