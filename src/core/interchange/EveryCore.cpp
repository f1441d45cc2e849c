#include "interchange/EveryCore.h"

#include <QSemaphore>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <atomic>
#include <exception>
#include <mutex>

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
    // The first failure on any thread (out of memory, a write that failed)
    // stops the indexes not yet begun and is thrown again here.
    std::mutex failedLock;
    std::exception_ptr failed;
    auto fail = [&] {
        const std::lock_guard<std::mutex> hold(failedLock);
        if (!failed)
            failed = std::current_exception();
        next = count;
    };
    auto loop = [&] {
        try {
            for (size_t i; (i = next.fetch_add(1)) < count;)
                work(i);
        } catch (...) {
            fail();
        }
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
    if (alongside) {
        try {
            alongside();
        } catch (...) {
            fail();
        }
    }
    loop();
    finished.acquire(started);
    if (failed)
        std::rethrow_exception(failed);
}

} // namespace Interchange
