#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <functional>

class TOutline;
class TOutlineNode;
class TOptionDesc;
class TByteReader;
class TByteWriter;

// An item's row in the focus tray. The tray implements it; the item only
// tells the row when it goes away or when its look must follow the item.
class TListRow {
public:
    virtual ~TListRow() = default;
    virtual void itemDestroyed() = 0;
    virtual void itemChanged(int changes) = 0;
};

// Progress states, in stored order.
enum TProgress : uint8_t {
    ProgressNotStarted = 0,
    ProgressInProgress = 1,
    ProgressDone = 2,
    ProgressOnHold = 3
};

// Date index used wherever a date is chosen by number.
enum TDateIndex : int { DateCreated = 0, DateModified = 1, DateDue = 2, DateFinished = 3 };

// One item of the outline. All texts are cp932 bytes, exactly as stored.
class TLeafNote {
public:
    // Fields, in their stored order.
    QByteArray Links;
    int32_t NodeId = 0;
    int32_t LabelIndex = 0;
    uint8_t Progress = 0;
    double CreatedDate = 0;
    double ModifiedDate = 0;
    double DueDate = 0;
    double FinishDate = 0;
    QByteArray Title;
    TOutlineNode* TreeNode = nullptr;
    TListRow* ListItem = nullptr;
    QByteArray PageText;
    QByteArray PageRich;
    bool PageExpanded = false;
    bool PageCompressedValid = false;
    QByteArray PageCompressed;

    explicit TLeafNote(TOutlineNode* node);
    ~TLeafNote();
    TLeafNote(const TLeafNote&) = delete;
    TLeafNote& operator=(const TLeafNote&) = delete;

    // A new item with its node at position code of ref (nullptr: the top level).
    static TLeafNote* Create(TOutline& tree, int code, TOutlineNode* ref);
    // The trash, when the document has none yet.
    static TLeafNote* CreateTrash(TOutline& tree);

    TOutline& outline() const;
    bool IsTrash() const { return NodeId == -1; }
    bool IsInTrash() const;

    // Asked before an item inside the trash is destroyed; anything but true cancels.
    using Confirm = std::function<bool(const QString& question)>;
    enum DeleteResult { NothingDone, MovedToTrash, Destroyed, Cancelled };
    // Moves the item into the trash, or destroys it when it already is in the
    // trash. The item (and this object) may be gone afterwards. beforeDestroy
    // sees the node just before it and its subtree are destroyed.
    DeleteResult Delete(const Confirm& confirm,
                        const std::function<void(TOutlineNode*)>& beforeDestroy = {});

    // The page in rich form, expanded from the compressed copy first when
    // needed. Throws EReadError when the compressed copy is damaged.
    const QByteArray& GetPage();
    // Lets an expanded page go again when its compressed copy still holds it
    // (after a reader such as an export or a dump is done with it).
    void ReleasePage();
    void ClearPage();
    // Replaces the page: plain text and, when not empty, its rich form.
    void SetPage(const QByteArray& text, const QByteArray& rich);

    void SetTitle(const QByteArray& title);
    void SetLabelIndex(int32_t index);
    void SetProgress(uint8_t progress);
    void SetDate(int index, double value);
    double GetDate(int index) const;
    void SetModifiedDate(double value) { ModifiedDate = value; }
    void SetFinishDate(double value) { FinishDate = value; }
    void SetDueDate(double value);
    void SetListItem(TListRow* row) { ListItem = row; }

    void RefreshIcon();
    void RefreshCaption();
    void RefreshLabel();

    bool HasDefaultTitle() const;
    bool CanMoveUp() const;
    bool CanIndent() const { return CanMoveUp(); }
    bool CanMoveDown() const;
    bool CanOutdent() const;
    void MoveUp();
    void MoveDown();
    void Indent();
    void Outdent();
    int32_t AssignNodeId();

    // Item record with its subtree; see file/ItemRecord.cpp.
    void WriteToStream(TByteWriter& out, bool exportFlag);
    // Reads one record into this (already created) item and creates its
    // subtree. selected receives the node of a record marked selected.
    void ReadFromStream(TByteReader& in, TOutlineNode*& selected);

    // Display rules, usable by any view.
    // Tree image of the item (see the image list: 0..4, 6, 7, 11, 12).
    int IconIndex(double today) const;
    // Overlay: Progress - 1 (-1 = none).
    int OverlayIndex() const { return int(Progress) - 1; }
    bool IsBold() const { return DueDate != 0 && Progress != ProgressDone; }
    // Caption in the given caption mode (0..8).
    QByteArray Caption(int itemView) const;
    QByteArray Caption() const;
    // Label image from the settings' label table.
    int LabelImageIndex() const;

    static QByteArray DefaultItemTitle();
    static QByteArray DefaultBookTitle();
    static QByteArray TrashTitle();
    // "未着手", "進行中", "完了", "保留".
    static QString ProgressName(int progress);
};

// zlib (RFC 1950) at the default level; inflate refuses damaged input.
namespace PageZip {
QByteArray compress(const QByteArray& data);
// Throws EReadError with zlib's message.
// A page larger than limit is taken for a damaged or hostile stream.
constexpr qsizetype DefaultLimit = qsizetype(1) << 30;
// tooLarge, when given, is the message for a page past limit.
QByteArray decompress(const QByteArray& data, qsizetype limit = DefaultLimit,
                      const QString& tooLarge = QString());
// The message for a page that does not fit the document's budget.
QString BudgetMessage(qint64 budget);
} // namespace PageZip
