#include "shell/MainForm.h"

#include "shell/DocumentCommands.h"

// The file menu, the history menu, captions, auto-save and the close flows
// live in one object owned by the window.
void InstallDocumentCommands(TFormMain& form) {
    new TDocumentCommands(form);
}
