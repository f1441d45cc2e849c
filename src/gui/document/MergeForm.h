#pragma once

#include <QDialog>

#include <functional>

class TDocumentMerge;

// What a merge will do, item by item, shown before anything changes.
class TFormMerge : public QDialog {
    Q_OBJECT
public:
    TFormMerge(QWidget* parent, const TDocumentMerge& merge, const QString& otherName);

    // Shows the list; true when the user chose to merge.
    static bool Confirm(QWidget* parent, const TDocumentMerge& merge, const QString& otherName);
    // Tests answer here instead of a dialog; also told what was listed.
    static std::function<bool(const TDocumentMerge&)> NextAnswer;
};
