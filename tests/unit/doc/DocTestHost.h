#pragma once

#include "doc/WrenDoc.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QStringList>

#include <deque>

// A window stand-in: counts what the document asks of it and answers
// questions from a queue (No when empty).
class DocTestHost : public TWrenDocHost {
public:
    TOptionDesc settings;
    TOutline outline{&settings};
    QStringList warnings;
    QStringList questions;
    std::deque<bool> answers;
    int stored = 0, captured = 0, applied = 0;
    TOutlineNode* editing = nullptr;
    bool composing = false;

    TOptionDesc& DocSettings() override { return settings; }
    TOutline& DocOutline() override { return outline; }
    void StorePage() override { ++stored; }
    void CaptureSettings() override { ++captured; }
    void ApplySettings() override { ++applied; }
    void BeginCaptionEdit(TOutlineNode* node) override { editing = node; }
    bool CompositionPending() override { return composing; }
    void ShowWarning(const QString& text) override { warnings << text; }
    bool Confirm(const QString& question) override {
        questions << question;
        if (answers.empty())
            return false;
        const bool a = answers.front();
        answers.pop_front();
        return a;
    }

    // A new top-level item with a title (cp932 from UTF-8).
    TOutlineNode* addBook(const char* title) {
        TLeafNote* item = TLeafNote::Create(outline, 1, nullptr);
        item->Title = Cp932::fromUnicode(QString::fromUtf8(title));
        return item->TreeNode;
    }
    TOutlineNode* addChild(TOutlineNode* parent, const char* title) {
        TLeafNote* item = TLeafNote::Create(outline, 5, parent);
        item->Title = Cp932::fromUnicode(QString::fromUtf8(title));
        return item->TreeNode;
    }
    // Titles of the whole tree in order, indented by level.
    QStringList titles() const {
        QStringList out;
        outline.forEach([&](TOutlineNode* n) {
            out << QString(n->level(), QLatin1Char(' ')) + Cp932::toUnicode(n->item()->Title);
            return true;
        });
        return out;
    }
};

inline QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return f.readAll();
}

inline void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(bytes);
}
