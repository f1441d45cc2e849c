#pragma once

#include <QObject>
#include <QString>

class QKeyEvent;
class QTextDocument;
class TFormMain;
class TLeafNote;
class TOutlineNode;

// The current item in the title box and the page: filling them from the
// item, writing their edits back, the title panel's images and the page's
// plain or rich mode. The window holds which item is current; this shows it.
// Created by the window as its child.
class TPageView : public QObject {
    Q_OBJECT
public:
    explicit TPageView(TFormMain& form);
    static TPageView* of(TFormMain& form);

    // Fills the editors from item (nullptr: empties and locks them).
    void ShowItem(TLeafNote* item);
    void ClearEditors();
    // Writes the title box's and the page's edits back into the current item.
    void StorePage();

    bool PageIsRich() const { return m_pageRich; }
    void SetPageRich(bool rich);
    void IBHasStyleClick();
    void ItemSelectionToNodeTitleClick();

    // The keys of the title box and of the page; true when handled.
    bool TitleKeyDown(QKeyEvent* event);
    bool PageKeyDown(QKeyEvent* event);

    // The first line that is not blank; empty when every line is.
    static QString FirstNonBlankLine(const QTextDocument* doc);

private:
    void refreshTitlePanelImages();
    void onNodeChanged(TOutlineNode* node, int changes);
    void onTitleChanged(const QString& text);

    TFormMain& m_form;
    bool m_pageRich = false;
    bool m_loading = false;
};
