#pragma once

#include <QObject>
#include <QString>

class QAction;
class QMenu;
class TFormMain;
class TFormOutput;

// The Output menu: its submenus rebuilt from the templates in the
// program folder's "Output" each time it opens, the export command with its
// save dialog, progress window and the opening of the written file.
class TOutputCommands : public QObject {
    Q_OBJECT
public:
    explicit TOutputCommands(TFormMain& form);
    static TOutputCommands* of(TFormMain& form);

    // Creates the folder with the shipped templates when it has none, then
    // rebuilds the three submenus.
    void MenuOutputClick();
    // tag 1: the whole file; tag 0: the selected item and below.
    void ItemSelectedNodeFileClick(int tag, const QString& templateName);
    void ItemTemplateFilesClick(const QString& templateName);
    void ItemOpenTemplateFolderClick();

    // The entry of a submenu by its caption (tests, accessibility driver).
    QAction* entry(const QString& submenu, const QString& caption) const;
    TFormOutput* outputForm();

private:
    void addEntries(QMenu* menu, const QString& kindSeparatorName, int tag, bool open);

    TFormMain& m_form;
    TFormOutput* m_output = nullptr;
};

void InstallOutputCommands(TFormMain& form);
