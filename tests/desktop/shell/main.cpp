// Starts a private X server, then runs the tests against it.
#include "TestSupport.h"
#include "dialogs/MessageBox.h"
#include "shell/WrenApplication.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <poll.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// Xvfb picks a free display and writes its number to fd.
pid_t startXvfb(std::string* display) {
    int fds[2];
    if (pipe(fds) != 0)
        return -1;
    const pid_t pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0",
               "1280x1024x24", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    char c = 0;
    while (poll(&p, 1, 15000) > 0) {
        const ssize_t n = read(fds[0], &c, 1);
        if (n <= 0 || c == '\n')
            break;
        number += c;
    }
    close(fds[0]);
    if (pid < 0 || number.empty()) {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
        return -1;
    }
    *display = ":" + number;
    return pid;
}

} // namespace

int main(int argc, char** argv) {
    std::string display;
    const pid_t xvfb = startXvfb(&display);
    if (xvfb < 0) {
        std::fprintf(stderr, "desktop tests need Xvfb (scripts/deps.sh test installs it)\n");
        return 1;
    }
    setenv("DISPLAY", display.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    unsetenv("WAYLAND_DISPLAY");
    int rc = 1;
    {
        TestHome home;
        TWrenApplication app(argc, argv);
        MessageBox::setAutoAnswer(QMessageBox::Ok);
        ::testing::InitGoogleTest(&argc, argv);
        rc = RUN_ALL_TESTS();
    }
    kill(xvfb, SIGTERM);
    waitpid(xvfb, nullptr, 0);
    return rc;
}
