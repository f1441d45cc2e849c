#pragma once

#include <QObject>
#include <QString>

class TFormMain;

// The File menu's "インポート" and "エクスポート" submenus: other programs'
// outlines in as a new book, the document or the selected branch out as
// OPML, Markdown or HTML.
class TInterchangeCommands : public QObject {
    Q_OBJECT
public:
    explicit TInterchangeCommands(TFormMain& form);

    // tag: 0 OPML, 1 Markdown, 2 CherryTree, 3 TreeLine (the dialog's filter).
    void ItemImportClick(int tag);
    // tag: 0 OPML, 1 Markdown, 2 HTML.
    void ItemExportClick(int tag);

    static TInterchangeCommands* of(TFormMain& form);

    // How long an import or export runs before its progress window appears
    // (tests shorten it).
    static int ProgressAfterMs;

private:
    QString dialogFolder() const;

    TFormMain& m_form;
};

void InstallInterchangeCommands(TFormMain& form);
