// The entry of the desktop tests: starts a private X server, then runs the
// tests against it.
#include "TestSupport.h"
#include "XServer.h"
#include "dialogs/MessageBox.h"
#include "shell/WrenApplication.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    TestXServer x;
    if (!x.ok()) {
        std::fprintf(stderr, "desktop tests need Xvfb (scripts/deps.sh test installs it)\n");
        return 1;
    }
    setenv("DISPLAY", x.display().c_str(), 1);
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
    return rc;
}
