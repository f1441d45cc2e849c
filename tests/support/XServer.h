#pragma once

#include <string>

#include <sys/types.h>

// A private Xvfb on a display it picks itself (-displayfd), so desktop tests
// never meet another X server. Plain POSIX: usable before any QApplication.
class TestXServer {
public:
    TestXServer();
    ~TestXServer();
    TestXServer(const TestXServer&) = delete;
    TestXServer& operator=(const TestXServer&) = delete;

    bool ok() const { return m_pid > 0; }
    // ":N", empty when the server did not start.
    const std::string& display() const { return m_display; }

private:
    pid_t m_pid = -1;
    std::string m_display;
};
