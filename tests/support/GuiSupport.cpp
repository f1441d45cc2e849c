#include "GuiSupport.h"
#include "TestSupport.h"

#include "dialogs/MessageBox.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "shell/MainForm.h"
#include "shell/WrenApplication.h"

#include <QElapsedTimer>
#include <QTest>

#include <gtest/gtest.h>

bool WaitFor(const std::function<bool()>& cond, int timeoutMs) {
    QElapsedTimer t;
    t.start();
    while (!cond()) {
        if (t.elapsed() > timeoutMs)
            return cond();
        QTest::qWait(10);
    }
    return true;
}

QString TitleOf(const TOutlineNode* node) {
    return node ? TitleOf(node->item()) : QString();
}
QString TitleOf(const TLeafNote* item) {
    return item ? Cp932::toUnicode(item->Title) : QString();
}

void FillBooks(TFormMain& form, const QStringList& titles) {
    for (const QString& t : titles) {
        TLeafNote* item = TLeafNote::Create(*form.Outline, InsertBottomOfLevel, nullptr);
        item->SetTitle(Cp932::fromUnicode(t));
    }
    TLeafNote::CreateTrash(*form.Outline);
}

QStringList ChildTitles(TFormMain& form, TOutlineNode* parent) {
    QStringList out;
    for (TOutlineNode* n : form.Outline->childrenOf(parent))
        out << TitleOf(n);
    return out;
}

int RunGuiTests(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // Nothing a window writes (toolbar positions, defaults) reaches the real home.
    TestHome home;
    TWrenApplication app(argc, argv);
    // No test may hang on a box it did not expect.
    MessageBox::setAutoAnswer(QMessageBox::Ok);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
