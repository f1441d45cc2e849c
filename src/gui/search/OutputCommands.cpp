#include "search/OutputCommands.h"

#include "dialogs/FileDialog.h"
#include "dialogs/MessageBox.h"
#include "doc/WrenDoc.h"
#include "outline/Outline.h"
#include "output/OutputEngine.h"
#include "output/OutputTemplates.h"
#include "output/rtf/RtfExport.h"
#include "search/OutputForm.h"
#include "shell/CommandTable.h"
#include "shell/DocumentCommands.h"
#include "shell/MainForm.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QStandardPaths>

TOutputCommands::TOutputCommands(TFormMain& form) : QObject(&form), m_form(form) {
    setObjectName(QStringLiteral("OutputCommands"));
    TCommandTable& c = *m_form.Commands;
    c.setHandler(QStringLiteral("MenuOutputClick"), [this](int) { MenuOutputClick(); });
    c.setHandler(QStringLiteral("ItemOpenTemplateFolderClick"),
                 [this](int) { ItemOpenTemplateFolderClick(); });
}

TOutputCommands* TOutputCommands::of(TFormMain& form) {
    return form.findChild<TOutputCommands*>(QStringLiteral("OutputCommands"),
                                            Qt::FindDirectChildrenOnly);
}

TFormOutput* TOutputCommands::outputForm() {
    if (!m_output)
        m_output = new TFormOutput(&m_form);
    return m_output;
}

void TOutputCommands::addEntries(QMenu* menu, const QString& separatorName, int tag, bool open) {
    const QStringList text = OutputTemplates::Files(TTemplateKind::Text);
    const QStringList rtf = OutputTemplates::Files(TTemplateKind::Rtf);
    auto add = [&](const QString& name) {
        QAction* a = menu->addAction(name);
        a->setObjectName(QString());
        a->setProperty("tag", tag);
        a->setProperty("template", name);
        if (open)
            connect(a, &QAction::triggered, this, [this, name] {
                m_form.Commands->guarded([&] { ItemTemplateFilesClick(name); });
            });
        else
            connect(a, &QAction::triggered, this, [this, tag, name] {
                m_form.Commands->guarded([&] { ItemSelectedNodeFileClick(tag, name); });
            });
    };
    for (const QString& name : text)
        add(name);
    menu->addSeparator()->setObjectName(separatorName);
    for (const QString& name : rtf)
        add(name);
}

void TOutputCommands::MenuOutputClick() {
    QString error;
    if (!OutputTemplates::InstallDefaults(&error))
        m_form.ShowStatusMessage(error);
    TCommandTable& c = *m_form.Commands;
    if (QMenu* all = c.menu(QStringLiteral("ItemAllNodesFile"))) {
        all->clear();
        addEntries(all, QStringLiteral("AllNodesKindSeparator"), 1, false);
    }
    if (QMenu* selected = c.menu(QStringLiteral("ItemSelectedNodeFile"))) {
        selected->clear();
        addEntries(selected, QStringLiteral("SelectedNodeKindSeparator"), 0, false);
        // A subtree needs a selected item.
        selected->menuAction()->setEnabled(m_form.Outline->selectedNode() != nullptr);
    }
    if (QMenu* files = c.menu(QStringLiteral("ItemTemplateFiles"))) {
        // All but the folder command and its separator.
        const QList<QAction*> actions = files->actions();
        for (int i = 2; i < actions.size(); ++i) {
            files->removeAction(actions[i]);
            delete actions[i];
        }
        addEntries(files, QStringLiteral("TemplateFilesKindSeparator"), 0, true);
    }
}

QAction* TOutputCommands::entry(const QString& submenu, const QString& caption) const {
    QMenu* menu = m_form.Commands->menu(submenu);
    if (!menu)
        return nullptr;
    for (QAction* a : menu->actions())
        if (a->property("template").toString() == caption)
            return a;
    return nullptr;
}

void TOutputCommands::ItemTemplateFilesClick(const QString& templateName) {
    TDocumentCommands::OpenOrSay(&m_form,
                                 OutputTemplates::Folder() + QLatin1Char('/') + templateName);
}

void TOutputCommands::ItemOpenTemplateFolderClick() {
    QString error;
    if (!OutputTemplates::InstallDefaults(&error)) {
        MessageBox::critical(&m_form, QStringLiteral("WrenNOTE"), error);
        return;
    }
    TDocumentCommands::OpenOrSay(&m_form, OutputTemplates::Folder());
}

void TOutputCommands::ItemSelectedNodeFileClick(int tag, const QString& templateName) {
    const TTemplateKind kind = OutputEngine::KindOf(templateName);
    const bool rtf = kind == TTemplateKind::Rtf;
    TOutlineNode* root = nullptr;
    if (tag != 1) {
        root = m_form.Outline->selectedNode();
        if (!root)
            return;
    }
    const QString docPath = m_form.Doc ? m_form.Doc->FileName : QString();
    // An unnamed document's exports go to the documents folder.
    const QString dir = docPath.isEmpty()
                            ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation)
                            : QFileInfo(docPath).absolutePath();
    const QString proposed = OutputEngine::ProposedFileName(docPath, root, kind);
    const QString title =
        (tag == 1 ? QStringLiteral("ファイル全体を") : QStringLiteral("選択項目以下を")) +
        (rtf ? QStringLiteral("ＲＴＦ形式で保存 <") : QStringLiteral("テキスト形式で保存 <")) +
        templateName + QLatin1Char('>');
    const QString filter =
        rtf ? QStringLiteral("Rich Text Format files (*.rtf);;全てのファイル (*)")
            : QStringLiteral("Plain Text files (*.txt);;全てのファイル (*)");
    const QString destination = FileDialog::getSaveFileName(
        &m_form, title, dir.isEmpty() ? proposed : QDir(dir).filePath(proposed), filter);
    if (destination.isEmpty())
        return;

    // The page being edited belongs to the output too.
    m_form.StorePage();
    const QString templatePath = OutputTemplates::Folder() + QLatin1Char('/') + templateName;
    const QString caption = m_form.windowTitle();
    m_form.setWindowTitle(
        caption + (rtf ? QStringLiteral("[ＲＴＦ出力中]") : QStringLiteral("[テキスト出力中]")));
    TFormOutput* window = outputForm();
    const TOutputProgress progress = window->progress();
    QString failure;
    bool cancelled = false;
    try {
        if (rtf)
            ExportRtf(*m_form.Outline, root, destination, templatePath, &progress);
        else
            ExportText(*m_form.Outline, root, destination, templatePath, &progress);
    } catch (const EOutputError& e) {
        failure = e.message();
    } catch (const EOutputCancelled&) {
        cancelled = true;
    }
    window->hide();
    m_form.setWindowTitle(caption);
    if (cancelled) {
        m_form.ShowStatusMessage(QStringLiteral("出力を中止しました"));
        return;
    }
    if (!failure.isEmpty()) {
        MessageBox::critical(&m_form, QStringLiteral("WrenNOTE"), failure);
        return;
    }
    TDocumentCommands::OpenOrSay(&m_form, destination);
}

void InstallOutputCommands(TFormMain& form) {
    if (!TOutputCommands::of(form))
        new TOutputCommands(form);
}
