#pragma once

#include <cstddef>
#include <functional>

namespace Interchange {

// Runs work(0) .. work(count - 1) on this thread and on helper threads that
// outlive the call (each keeps the fonts it has loaded, which a page's layout
// asks for), every thread taking the next index as it finishes one, so one
// long page holds no one up. alongside, when given, runs on this thread
// first while the helpers start. The first exception that work or
// alongside throws, on any thread, is thrown again here once the helpers
// are done, the indexes not yet begun dropped. work may only read what the
// threads share.
void OnEveryCore(size_t count, const std::function<void(size_t)>& work,
                 const std::function<void()>& alongside = {});

} // namespace Interchange
