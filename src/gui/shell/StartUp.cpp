#include "shell/StartUp.h"

#include "common/ProgramFolder.h"
#include "dialogs/MessageBox.h"
#include "doc/WrenDoc.h"
#include "outline/Outline.h"
#include "platform/SingleInstance.h"
#include "settings/OptionDesc.h"
#include "shell/DesktopClipping.h"
#include "shell/DocumentCommands.h"
#include "shell/FontList.h"
#include "shell/MainForm.h"
#include "shell/Splash.h"
#include "shell/TrayGuard.h"
#include "shell/WrenApplication.h"
#include "tree/NodeImages.h"

#include <QSessionManager>
#include <QTimer>

#include <memory>

int RunWrenNote(int& argc, char** argv) {
    TWrenApplication app(argc, argv);

    auto splash = std::make_unique<TFormSplash>();
    splash->show();
    splash->SetProgress(QStringLiteral("起動処理中"));
    // A box of the start-up must not open behind the splash window.
    MessageBox::setBeforeShow([&splash] { splash->hide(); });
    struct HookReset {
        ~HookReset() { MessageBox::setBeforeShow(nullptr); }
    } hookReset;

    auto doc = std::make_unique<TWrenDoc>(ProgramFolder());
    doc->Create(QCoreApplication::arguments().mid(1));

    // Another instance showing this document takes over; this one ends here.
    auto instance = std::make_unique<TSingleInstance>();
    if (doc->HasFileName() && instance->Claim(doc->FileName) == TSingleInstance::HandedOver)
        return 0;

    // The program ends when the window agrees to close, not when it hides.
    app.setQuitOnLastWindowClosed(false);
    app.setWindowIcon(NodeImages::programIcon());
    // The clipboard formats need no registration here; the font list is made once, now.
    InstalledFonts();
    splash->SetProgress(QStringLiteral("メイン画面作成中"));
    splash->SetProgress(QStringLiteral("メイン画面の初期化中"));
    TFormMain form;
    TDocumentCommands* docs = TDocumentCommands::of(form);
    QObject::connect(docs, &TDocumentCommands::closedForGood, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&app, &QGuiApplication::commitDataRequest, docs,
                     &TDocumentCommands::CommitData, Qt::DirectConnection);
    QObject::connect(&app, &QCoreApplication::aboutToQuit, docs, &TDocumentCommands::AboutToQuit);

    splash->SetProgress(QStringLiteral("ファイル読み込み中"));
    TDesktopClipping::of(form)->ServeClips(*instance);
    docs->StartDocument(std::move(doc), std::move(instance));
    if (TTrayGuard::of(form)->ShowAtStart())
        form.show();

    // The first idle moment.
    QTimer::singleShot(0, docs, [&] {
        splash->hide();
        MessageBox::setBeforeShow(nullptr);
        docs->FirstIdle();
        if (!app.TranslationProblem().isEmpty())
            form.ShowNotice(app.TranslationProblem());
        const QString folderProblem = ProgramFolderProblem();
        if (!folderProblem.isEmpty())
            MessageBox::warning(&form, QStringLiteral("WrenNOTE"), folderProblem);
    });
    const int code = app.exec();
    // The window is closed and the document saved or given up; what is left
    // is memory the system takes back at once, item by item it would take seconds.
    form.Outline->abandonForExit();
    return code;
}
