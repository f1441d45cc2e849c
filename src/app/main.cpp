#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"
#include "shell/MainForm.h"
#include "shell/WrenApplication.h"

// A new, empty document in the main window.
int main(int argc, char** argv) {
    TWrenApplication app(argc, argv);
    TFormMain form;
    form.Options->ResetToDefaults();
    TLeafNote::CreateTrash(*form.Outline);
    form.ApplySettings();
    if (form.Outline->topLevelCount() > 0)
        form.GoToItem(form.Outline->topLevel(0)->item());
    form.show();
    return app.exec();
}
