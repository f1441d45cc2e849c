#pragma once
// Driving the hand-over of the single instance from a test: the client on
// another thread while this one serves the server's events.
#include "platform/SingleInstance.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>

#include <atomic>
#include <functional>

inline bool notifyFromAnotherThread(const QString& path) {
    std::atomic<bool> result{false};
    std::atomic<bool> done{false};
    QThread* thread = QThread::create([&] {
        result = TSingleInstance::NotifyRunning(path, 3000);
        done = true;
    });
    thread->start();
    while (!done)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    thread->wait();
    delete thread;
    return result;
}

// Serves events until cond holds, or ms have passed.
inline void waitUntil(const std::function<bool()>& cond, int ms = 5000) {
    QElapsedTimer timer;
    timer.start();
    while (!cond() && timer.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}
