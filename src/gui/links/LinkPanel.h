#pragma once

#include "links/LinkIcons.h"

#include <QByteArray>
#include <QObject>
#include <QStringList>

#include <functional>

class QListWidget;
class TFormMain;
class TLeafNote;

// The link panel LinkBox: the current item's own links to files, folders and
// web addresses, one owner-drawn line each with the icon of its target; its
// pop-up commands, files dropped on the window outside the tree and the page,
// and Paste and Delete while it has the focus. Created by InstallLinkPanel as
// a child of the window.
class TLinkPanel : public QObject {
    Q_OBJECT
public:
    explicit TLinkPanel(TFormMain& form);
    static TLinkPanel* of(TFormMain& form);

    // What lies between the first "<" and the first ">" when both are there
    // in that order, else the whole entry.
    static QString LinkEntryTarget(const QString& entry);
    // The copy command's text for entries: web addresses as they are, every
    // other target as " <file:TARGET> "; each line ended by CR LF.
    static QString CopyText(const QStringList& entries);

    QStringList Entries() const;
    QStringList SelectedEntries() const;
    bool HasSelection() const;
    // The entry's target read against the document's folder.
    QString AbsoluteTarget(const QString& entry) const;
    TLinkIcons& icons() { return m_icons; }

    // Adds "<" + relative path + ">" for each file; the panel follows when
    // LinkAuto is on.
    void AddDroppedFiles(const QStringList& paths);
    // Shows the panel sized to its entries, or hides it when it has none.
    void UpdateLinkPanel();

    void ItemOpenLinkClick();
    void ItemLinkFolderClick();
    void ItemAddLinkClick();
    void ItemEditLinkClick();
    void ItemCopyLinkClick();
    void ItemDeleteLinkFileClick();
    void PopupMenuLinkPopup();
    // The Edit menu's Delete and Paste while the panel has the focus.
    void DeleteSelectedLinks();
    void PasteLink();

    // Moving a file into the desktop's trash; replaceable for tests.
    static std::function<bool(const QString& path)> MoveToTrash;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void installHandlers();
    void load(TLeafNote* item);
    void addEntry(const QString& entry);
    void changed();
    void afterAdd();
    int lineHeight() const;

    TFormMain& m_form;
    QListWidget* m_box;
    TLinkIcons m_icons;
};

void InstallLinkPanel(TFormMain& form);
