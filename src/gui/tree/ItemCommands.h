#pragma once

#include <QObject>

class QMimeData;
class TFormMain;
class TOptionDesc;
class TOutlineNode;

// Making items: new sisters, daughters and aunts, clipping the clipboard or
// the page's selection into a new item, automatic clipping, renaming and the
// tree's caption mode. Created by InstallItemCommands as a child of the window.
class TItemCommands : public QObject {
    Q_OBJECT
public:
    explicit TItemCommands(TFormMain& form);
    static TItemCommands* of(TFormMain& form);

    // The insert-position code of a command tag.
    static int TagToCode(int tag, const TOptionDesc& options);

    void ItemSisterClick(int tag);
    void ItemAuntClick(int tag);
    void ItemRenameNodeClick();
    void ItemClippingClick(int tag);
    // The clipping command on given data instead of the clipboard's.
    void ClipMimeData(const QMimeData* mime, int tag);
    void ItemAutoClippingClick();
    void ItemClipSelctionClick(int tag);
    void ItemSelectBelowClick(int tag);
    void ItemTitleClick(int tag);

private:
    void installHandlers();
    void createItem(int code, TOutlineNode* ref);
    void refreshAutoClipMark();
    void onClipboardChanged();

    TFormMain& m_form;
};

void InstallItemCommands(TFormMain& form);
