#include "shell/StartUp.h"

int main(int argc, char** argv) {
    return RunWrenNote(argc, argv);
}
