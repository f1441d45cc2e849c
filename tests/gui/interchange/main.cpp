#include "GuiSupport.h"

int main(int argc, char** argv) {
    return RunGuiTests(argc, argv);
}
