#pragma once

#include "TestSupport.h"
#include "dialogs/FileDialog.h"
#include "dialogs/MessageBox.h"
#include "doc/WrenDoc.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "platform/SingleInstance.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/DocumentCommands.h"
#include "shell/MainForm.h"

#include <QFile>
#include <QFileInfo>

#include <memory>

#include <gtest/gtest.h>

inline QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A main window in a temporary program folder, on a new document or on a
// file. Message boxes nobody queued an answer for are answered OK.
struct DocWindow {
    TestHome home;
    std::unique_ptr<TFormMain> form;
    TDocumentCommands* docs = nullptr;
    int boxesBefore = 0;

    // Offscreen there is no tray; these windows behave as with one.
    std::function<bool()> savedTray = TDocumentCommands::TrayAvailable;

    explicit DocWindow(const QString& file = QString()) {
        TDocumentCommands::TrayAvailable = [] { return true; };
        MessageBox::clearAnswers();
        MessageBox::setAutoAnswer(QMessageBox::Ok);
        FileDialog::clearNextFileNames();
        form = std::make_unique<TFormMain>();
        docs = TDocumentCommands::of(*form);
        auto doc = std::make_unique<TWrenDoc>(home.path());
        doc->SetFileName(file);
        docs->StartDocument(std::move(doc), nullptr);
        boxesBefore = MessageBox::count();
    }
    ~DocWindow() {
        form.reset();
        TDocumentCommands::TrayAvailable = savedTray;
        MessageBox::clearAnswers();
        FileDialog::clearNextFileNames();
    }
    TWrenDoc& doc() { return docs->doc(); }
    TOptionDesc& options() { return *form->Options; }
    TOutline& outline() { return *form->Outline; }
    int boxes() const { return MessageBox::count() - boxesBefore; }
    QString path(const char* name) const { return home.file(QString::fromUtf8(name)); }
    // A named document saved once with the window's settings.
    void saveAs(const char* name) {
        FileDialog::setNextFileName(path(name));
        ASSERT_TRUE(docs->ItemSaveAsClick());
        boxesBefore = MessageBox::count();
    }
    TOutlineNode* addBook(const char* title) {
        TLeafNote* item = TLeafNote::Create(outline(), 1, nullptr);
        item->Title = Cp932::fromUnicode(QString::fromUtf8(title));
        return item->TreeNode;
    }
};
