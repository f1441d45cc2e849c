#pragma once

#include "common/Clock.h"
#include "common/DateTime.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include "TestSupport.h"

#include <gtest/gtest.h>

#include <QFile>

// A small outline for the export tests:
//
//   本A          (top, row 1)   保留, label 2 "必須", due 2024-05-10, page of two lines
//     A1                        links: two lines
//       A1a
//     A2                        rich page "太字"
//   Book B       (top, row 2)
//   ごみ箱       (top, row 3)
//     消した項目
struct OutlineFixture {
    OutlineFixture() : clock(QDateTime(QDate(2024, 5, 7), QTime(9, 5, 3))), outline(&settings) {
        a = make(InsertBottomOfLevel, nullptr, "本A");
        a1 = make(InsertLastChild, a, "A1");
        a1a = make(InsertLastChild, a1, "A1a");
        a2 = make(InsertLastChild, a, "A2");
        b = make(InsertBottomOfLevel, nullptr, "Book B");
        TLeafNote* trash = TLeafNote::CreateTrash(outline);
        trashNode = trash->TreeNode;
        deleted = make(InsertLastChild, trashNode, "消した項目");

        TLeafNote& ia = *a->item();
        ia.Progress = ProgressOnHold;
        ia.LabelIndex = 2;
        ia.DueDate = WrenDate::fromDate(QDate(2024, 5, 10));
        ia.PageText = Sjis("一行目\r\n二行目\r\n");
        a1->item()->Links = Sjis("doc/メモ.txt\r\nhttp://example.com/\r\n");
        a2->item()->PageText = Sjis("太字\r\n");
    }

    TOutlineNode* make(int code, TOutlineNode* ref, const char* title) {
        TLeafNote* item = TLeafNote::Create(outline, code, ref);
        item->SetTitle(Sjis(title));
        return item->TreeNode;
    }

    static QByteArray readAll(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    static void writeFile(const QString& path, const QByteArray& bytes) {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }

    ScopedFixedClock clock;
    TOptionDesc settings;
    TOutline outline;
    TOutlineNode *a, *a1, *a1a, *a2, *b, *trashNode, *deleted;
};
