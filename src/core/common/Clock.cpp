#include "common/Clock.h"

#include "common/DateTime.h"

namespace {

class SystemClock : public Clock {
protected:
    QDateTime currentDateTimeImpl() const override { return QDateTime::currentDateTime(); }
};

std::shared_ptr<Clock>& instance() {
    static std::shared_ptr<Clock> clock = std::make_shared<SystemClock>();
    return clock;
}

} // namespace

QDateTime Clock::currentDateTime() {
    return instance()->currentDateTimeImpl();
}

double Clock::now() {
    return WrenDate::fromDateTime(currentDateTime());
}

double Clock::today() {
    return WrenDate::fromDate(currentDateTime().date());
}

void Clock::setInstance(std::shared_ptr<Clock> clock) {
    instance() = clock ? std::move(clock) : std::make_shared<SystemClock>();
}

ScopedFixedClock::ScopedFixedClock(const QDateTime& at)
    : m_clock(std::make_shared<FixedClock>(at)) {
    Clock::setInstance(m_clock);
}

ScopedFixedClock::~ScopedFixedClock() {
    Clock::setInstance(nullptr);
}
