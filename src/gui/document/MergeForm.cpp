#include "document/MergeForm.h"

#include "doc/DocumentMerge.h"
#include "file/Cp932.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

std::function<bool(const TDocumentMerge&)> TFormMerge::NextAnswer;

TFormMerge::TFormMerge(QWidget* parent, const TDocumentMerge& merge, const QString& otherName)
    : QDialog(parent) {
    setObjectName(QStringLiteral("FormMerge"));
    setWindowTitle(QStringLiteral("他の版と統合"));
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    auto* layout = new QVBoxLayout(this);
    auto* head = new QLabel(
        QStringLiteral(
            "「%1」をこの文書に統合すると、次のようになります。\n"
            "統合した後も、保存するまではファイルは変わりません（「復帰」で元に戻せます）。")
            .arg(otherName),
        this);
    head->setWordWrap(true);
    layout->addWidget(head);

    auto* list = new QTreeWidget(this);
    list->setObjectName(QStringLiteral("MergeList"));
    list->setRootIsDecorated(false);
    list->setHeaderLabels({QStringLiteral("内容"), QStringLiteral("項目")});
    list->setAccessibleName(QStringLiteral("統合の内容"));
    QList<QTreeWidgetItem*> rows;
    for (const TMergeAction& a : merge.Actions())
        rows << new QTreeWidgetItem(
            QStringList{TMergeAction::KindName(a.kind), Cp932::toUnicode(a.title)});
    list->addTopLevelItems(rows);
    list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    layout->addWidget(list, 1);

    auto* summary = new QLabel(
        QStringLiteral("追加 %1 件、変更 %2 件、両方を残す %3 件、移動 %4 件、ごみ箱へ %5 件")
            .arg(merge.Count(TMergeAction::Added))
            .arg(merge.Count(TMergeAction::Changed))
            .arg(merge.Count(TMergeAction::KeptBoth))
            .arg(merge.Count(TMergeAction::Moved))
            .arg(merge.Count(TMergeAction::Trashed)),
        this);
    summary->setObjectName(QStringLiteral("MergeSummary"));
    layout->addWidget(summary);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* ok =
        buttons->addButton(QStringLiteral("統合する(&M)"), QDialogButtonBox::AcceptRole);
    buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    ok->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(560, 420);
}

bool TFormMerge::Confirm(QWidget* parent, const TDocumentMerge& merge, const QString& otherName) {
    if (NextAnswer) {
        const auto answer = std::move(NextAnswer);
        NextAnswer = nullptr;
        return answer(merge);
    }
    TFormMerge dialog(parent, merge, otherName);
    return dialog.exec() == QDialog::Accepted;
}
