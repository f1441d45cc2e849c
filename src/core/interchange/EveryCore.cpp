#include "interchange/EveryCore.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <exception>

namespace Interchange {

namespace {

QThreadPool& helperPool() {
    static QThreadPool pool;
    static const bool sized = [] {
        pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
        pool.setExpiryTimeout(60000);
        return true;
    }();
    Q_UNUSED(sized);
    return pool;
}

} // namespace

void OnEveryCore(size_t count, const std::function<void(size_t)>& work,
                 const std::function<void()>& alongside) {
    std::atomic<size_t> next{0};
    auto loop = [&] {
        for (size_t i; (i = next.fetch_add(1)) < count;)
            work(i);
    };
    QThreadPool& pool = helperPool();
    const size_t helpers = size_t(std::max(0, QThread::idealThreadCount() - 1));
    const int started = int(std::min(helpers, count));
    QSemaphore finished;
    for (int t = 0; t < started; ++t)
        pool.start([&] {
            loop();
            finished.release();
        });
    std::exception_ptr failed;
    if (alongside) {
        try {
            alongside();
        } catch (...) {
            failed = std::current_exception();
            next = count;
        }
    }
    loop();
    finished.acquire(started);
    if (failed)
        std::rethrow_exception(failed);
}

} // namespace Interchange
