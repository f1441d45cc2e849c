// The options dialog: loading and storing, its interlocks and what OK and Cancel do.
#include "GuiSupport.h"
#include "TestSupport.h"

#include "dialogs/MessageBox.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "search/FocusTray.h"
#include "search/FocusTrayModel.h"
#include "settings/ColorLookupComboBox.h"
#include "settings/DateFormatFile.h"
#include "settings/HotKeyEdit.h"
#include "settings/LabelImageGrid.h"
#include "settings/OptionCommands.h"
#include "settings/OptionDesc.h"
#include "settings/OptionForm.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

namespace {

class Options : public ::testing::Test {
protected:
    void SetUp() override {
        MessageBox::clearAnswers();
        MessageBox::setAutoAnswer(QMessageBox::Ok);
        savedExec = TFormOption::Exec;
        savedFont = TFormOption::ChooseFont;
        savedColor = TColorLookupComboBox::ChooseColor;
        FillBooks(form, {QStringLiteral("A")});
    }
    void TearDown() override {
        TFormOption::Exec = savedExec;
        TFormOption::ChooseFont = savedFont;
        TColorLookupComboBox::ChooseColor = savedColor;
        MessageBox::clearAnswers();
    }
    TFormOption& dialog() { return TOptionCommands::of(form)->dialog(); }
    // Runs the command; edit changes the loaded dialog, then OK or Cancel.
    void run(const std::function<void(TFormOption&)>& edit, bool ok) {
        TFormOption::Exec = [&](TFormOption& d) {
            edit(d);
            return ok ? int(QDialog::Accepted) : int(QDialog::Rejected);
        };
        form.Commands->trigger(QStringLiteral("O1"));
    }
    static QStringList texts(const QListWidget* list) {
        QStringList out;
        for (int i = 0; i < list->count(); ++i)
            out << list->item(i)->text();
        return out;
    }
    static void select(QListWidget* list, const QString& text) {
        list->setCurrentItem(list->findItems(text, Qt::MatchExactly).value(0));
    }

    TestHome home;
    TFormMain form;
    std::function<int(TFormOption&)> savedExec;
    std::function<bool(TFontDesc&, QWidget*)> savedFont;
    std::function<bool(uint32_t&, QWidget*)> savedColor;
};

TEST_F(Options, StoresWhatItLoadedAndMapsPositionCodes) {
    TOptionDesc o;
    o.SisterPos = 4; // a code the list cannot show: index 0
    o.DaughterPos = 4;
    o.AuntPos = 0;
    o.ClipPos = 4;
    o.ConfirmDel = false;
    o.FinishAuto = o.ProceedAuto = o.DropExpand = o.ExpandOnlyOne = o.PreferText = true;
    o.DragCollapse = o.LinkAuto = o.DateAuto = false;
    o.ConfirmSave = o.StayOn = o.HideForm = o.SaveTemporal = o.SaveBAKFile = true;
    o.TrashOnTerminate = o.ShowProcs = true;
    o.HierSymbol = '#';
    o.LabelText[3] = Sjis("大事");
    o.LabelImage[3] = 12;
    o.BackColorText = 0x123456;
    o.InFileLinkColor = 0x008000;
    o.HyperLinkColor = 0x123456; // none of the 16: left as it was
    o.DateFormat = "yyyy/mm/dd";
    o.ClipHotKey = 0x71;
    o.ClipHotModifiers = 1 | 4;
    o.ColumnCount = 3;
    o.Columns[1].Kind = 9;
    o.Columns[2].Kind = 2;

    TFormOption& d = dialog();
    d.LoadFrom(o);
    EXPECT_EQ(d.SisterBox->currentIndex(), 0);
    EXPECT_EQ(d.DaughterBox->currentIndex(), 1);
    EXPECT_EQ(d.AuntBox->currentIndex(), 3);
    EXPECT_EQ(d.ClipBox->currentIndex(), 5);
    EXPECT_EQ(d.HotKey1->text(), QStringLiteral("Shift+Alt+F2"));
    EXPECT_EQ(texts(d.SelectedColumnBox), (QStringList{"リンク", "ラベル"}));
    EXPECT_EQ(d.AvailableColumnBox->count(), 8);
    EXPECT_EQ(d.CLCBoxHyperLink->ColorValue(), TColorLookupComboBox::NoColor);

    TOptionDesc back;
    d.StoreTo(back);
    EXPECT_EQ(back.SisterPos, 2);
    EXPECT_EQ(back.DaughterPos, 4);
    EXPECT_EQ(back.AuntPos, 0);
    EXPECT_EQ(back.ClipPos, 4);
    for (bool TOptionDesc::*flag :
         {&TOptionDesc::ConfirmDel, &TOptionDesc::FinishAuto, &TOptionDesc::ProceedAuto,
          &TOptionDesc::DropExpand, &TOptionDesc::ExpandOnlyOne, &TOptionDesc::PreferText,
          &TOptionDesc::DragCollapse, &TOptionDesc::LinkAuto, &TOptionDesc::DateAuto,
          &TOptionDesc::ConfirmSave, &TOptionDesc::StayOn, &TOptionDesc::HideForm,
          &TOptionDesc::SaveTemporal, &TOptionDesc::SaveBAKFile, &TOptionDesc::TrashOnTerminate,
          &TOptionDesc::ShowProcs, &TOptionDesc::CheckOutOfDate})
        EXPECT_EQ(back.*flag, o.*flag);
    EXPECT_EQ(back.HierSymbol, '#');
    EXPECT_EQ(back.LabelText[3], Sjis("大事"));
    EXPECT_EQ(back.LabelImage[3], 3) << "images are stored only when one was chosen";
    EXPECT_EQ(back.BackColorText, 0x123456u);
    EXPECT_EQ(back.InFileLinkColor, 0x008000u);
    EXPECT_EQ(back.HyperLinkColor, TOptionDesc().HyperLinkColor);
    EXPECT_EQ(back.DateFormat, QByteArray("yyyy/mm/dd"));
    EXPECT_EQ(back.ClipHotKey, 0x71);
    EXPECT_EQ(back.ClipHotModifiers, 5);
    EXPECT_EQ(back.ColumnCount, 3);
    EXPECT_EQ(back.Columns[1].Kind, 9);
    EXPECT_EQ(back.Columns[2].Kind, 2);

    d.EditHierSymbol->clear();
    d.StoreTo(back);
    EXPECT_EQ(back.HierSymbol, '\0');
    EXPECT_FALSE(d.ColumnsChanged());
    EXPECT_FALSE(d.LabelImagesChanged());
}

TEST_F(Options, Interlocks) {
    TOptionDesc o;
    o.StayOn = true;
    o.HideForm = true;
    o.CheckOutOfDate = true;
    TFormOption& d = dialog();
    d.LoadFrom(o);
    EXPECT_TRUE(d.CheckHideForm->isEnabled());
    d.CheckStayOn->click();
    EXPECT_FALSE(d.CheckHideForm->isChecked());
    EXPECT_FALSE(d.CheckHideForm->isEnabled());
    d.CheckStayOn->click();
    EXPECT_TRUE(d.CheckHideForm->isEnabled());

    d.CheckShowProcs->click();
    EXPECT_TRUE(d.CheckShowProcs->isChecked());
    EXPECT_FALSE(d.CheckOutOfDate->isChecked());
    d.CheckOutOfDate->click();
    EXPECT_FALSE(d.CheckShowProcs->isChecked());

    o.StayOn = false; // loading applies the rule once
    d.LoadFrom(o);
    EXPECT_FALSE(d.CheckHideForm->isChecked());
    EXPECT_FALSE(d.CheckHideForm->isEnabled());
}

TEST_F(Options, HotKeyFieldAddsCtrl) {
    THotKeyEdit edit;
    EXPECT_EQ(edit.text(), QStringLiteral("Ctrl+F1"));
    QTest::keyClick(&edit, Qt::Key_F2);
    EXPECT_EQ(edit.virtualKey(), 0x71);
    EXPECT_EQ(edit.modifiers(), 2);
    QTest::keyClick(&edit, Qt::Key_F3, Qt::ShiftModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("Ctrl+F3"));
    QTest::keyClick(&edit, Qt::Key_K, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(edit.virtualKey(), 'K');
    EXPECT_EQ(edit.modifiers(), 1 | 4);
    QTest::keyClick(&edit, Qt::Key_Control, Qt::ControlModifier); // a modifier alone: nothing
    EXPECT_EQ(edit.virtualKey(), 'K');
}

TEST_F(Options, CancelKeepsOkStoresAndTheRefusedHotKeyIsSaid) {
    const QByteArray oldName = form.Options->LabelText[1];
    const int shown = MessageBox::count();
    run(
        [](TFormOption& d) {
            d.Edit[1]->setText(QStringLiteral("変えた"));
            d.CheckSaveTemporal->setChecked(true);
        },
        false);
    EXPECT_EQ(form.Options->LabelText[1], oldName);
    EXPECT_FALSE(form.Options->SaveTemporal);
    EXPECT_EQ(MessageBox::count(), shown);

    run(
        [](TFormOption& d) {
            d.Edit[1]->setText(QStringLiteral("変えた"));
            d.CheckSaveTemporal->setChecked(true);
            d.CheckSaveBAKFile->setChecked(true);
            QTest::keyClick(d.HotKey1, Qt::Key_F2, Qt::ControlModifier);
        },
        true);
    EXPECT_EQ(form.Options->LabelText[1], Sjis("変えた"));
    EXPECT_TRUE(form.Options->SaveTemporal);
    EXPECT_TRUE(form.Options->SaveBAKFile);
    EXPECT_EQ(form.Options->ClipHotKey, 0x71);
    // Without an X server no key can be grabbed: the user is told, not left guessing.
    EXPECT_EQ(MessageBox::count(), shown + 1);
    EXPECT_TRUE(MessageBox::lastText().contains(QStringLiteral("Ctrl+F2")));
}

TEST_F(Options, ColumnsMoveToTheEndAndOkRebuildsTheTray) {
    TLeafNote* item = TLeafNote::Create(*form.Outline, InsertBottomOfLevel, nullptr);
    TFocusTrayModel* tray = form.ListViewFocus->trayModel();
    tray->BeginListing();
    tray->Append(item, false);
    tray->EndListing();
    ASSERT_EQ(tray->rowCount(), 1);
    run(
        [](TFormOption& d) {
            d.MoveColumnClick(true); // nothing selected: nothing moves
            EXPECT_FALSE(d.ColumnsChanged());
            select(d.SelectedColumnBox, QStringLiteral("ラベル"));
            d.MoveColumnClick(false);
            select(d.AvailableColumnBox, QStringLiteral("ラベル"));
            d.MoveColumnClick(true);
            EXPECT_EQ(texts(d.SelectedColumnBox), (QStringList{"進行状況", "ラベル"}));
            select(d.AvailableColumnBox, QStringLiteral("リンク"));
            d.BTNAdd->click();
            select(d.SelectedColumnBox, QStringLiteral("リンク"));
            d.SBUpClick(false); // "リンク" is last: stays
            d.SBUpClick(true);
            EXPECT_EQ(texts(d.SelectedColumnBox), (QStringList{"進行状況", "リンク", "ラベル"}));
            EXPECT_EQ(d.SelectedColumnBox->currentItem()->text(), QStringLiteral("リンク"));
            EXPECT_TRUE(d.ColumnsChanged());
        },
        true);
    ASSERT_EQ(form.ListViewFocus->columnCount(), 4);
    EXPECT_EQ(tray->headerData(2, Qt::Horizontal).toString(), QStringLiteral("リンク"));
    EXPECT_EQ(form.ListViewFocus->header()->sectionSize(2), 150);
    EXPECT_EQ(tray->rowCount(), 0);
    EXPECT_EQ(form.Options->ColumnCount, 4);
}

TEST_F(Options, LabelImageChooser) {
    run(
        [](TFormOption& d) {
            d.IB[1]->click();
            EXPECT_TRUE(d.PopupPanel1->isVisible());
            EXPECT_TRUE(d.IB[1]->isChecked());
            const QPoint cell = TLabelImageGrid::cellOrigin(1, 2) + QPoint(5, 5);
            QTest::mouseClick(d.DrawGrid1, Qt::LeftButton, {}, cell);
            EXPECT_FALSE(d.PopupPanel1->isVisible());
            EXPECT_FALSE(d.IB[1]->isChecked());
            EXPECT_EQ(d.labelImage(1), 10);
            EXPECT_TRUE(d.LabelImagesChanged());
        },
        true);
    EXPECT_EQ(form.Options->LabelImage[1], 10);
    EXPECT_EQ(form.Options->LabelImage[0], 0);
}

TEST_F(Options, FontStylesAndColours) {
    TFormOption& d = dialog();
    d.LoadFrom(*form.Options);
    EXPECT_EQ(d.Label6->text(), QStringLiteral("標準"));
    TFormOption::ChooseFont = [](TFontDesc& f, QWidget*) {
        f.Name = Sjis("明朝");
        f.Size = 14;
        f.Bold = f.Underline = true;
        return true;
    };
    d.Button1Click();
    EXPECT_EQ(d.Label6->text(), QStringLiteral("太字,下線"));
    EXPECT_EQ(d.Label5->text(), QStringLiteral("明朝"));
    EXPECT_EQ(d.Label7->text(), QStringLiteral("14"));
    TColorLookupComboBox::ChooseColor = [](uint32_t& c, QWidget*) {
        c = 0x00FF00;
        return true;
    };
    d.BackColorClick(d.PanelLinkBkColor);
    TOptionDesc o;
    d.StoreTo(o);
    EXPECT_EQ(o.DefFont.Name, Sjis("明朝"));
    EXPECT_TRUE(o.DefFont.Bold);
    EXPECT_EQ(o.BackColorLink, 0x00FF00u);
    EXPECT_EQ(o.BackColorTitle, 0xFFFFFFu);
}

TEST_F(Options, ColourBoxEntries) {
    TColorLookupComboBox box;
    EXPECT_EQ(box.count(), 16);
    EXPECT_EQ(box.itemText(9), QStringLiteral("赤"));
    box.SetColorValue(0xFF0000);
    EXPECT_EQ(box.currentText(), QStringLiteral("青"));
    box.SetColorValue(0x010203);
    EXPECT_EQ(box.ColorValue(), TColorLookupComboBox::NoColor);

    box.setSelection(TColorLookupComboBox::csDefault | TColorLookupComboBox::csSystem |
                     TColorLookupComboBox::csCustom);
    box.setDefaultColor(0x0000FF);
    EXPECT_EQ(box.itemText(0), QStringLiteral("標準"));
    EXPECT_EQ(box.itemText(1), QStringLiteral("Black"));
    EXPECT_EQ(box.itemText(box.count() - 1), QStringLiteral("その他..."));
    for (uint32_t c : {0x010203u, 0x040506u, 0x070809u, 0x0A0B0Cu})
        box.SetColorValue(c);
    // Three custom entries at most, the oldest going first, named by value.
    EXPECT_EQ(box.count(), 1 + 16 + 3 + 1);
    EXPECT_EQ(box.itemText(17), QStringLiteral("$040506"));
    EXPECT_EQ(box.currentText(), QStringLiteral("$0A0B0C"));
    EXPECT_EQ(box.ColorValue(), 0x0A0B0Cu);

    TColorLookupComboBox::ChooseColor = [](uint32_t&, QWidget*) { return false; };
    box.SetColorValue(0xFF0000);
    const int other = box.count() - 1;
    box.setCurrentIndex(other);
    Q_EMIT box.activated(other); // cancelled: the earlier choice comes back
    EXPECT_EQ(box.ColorValue(), 0xFF0000u);
}

TEST_F(Options, DateFormatsComeFromTheFileAndBrokenLinesAreSkipped) {
    TFormOption& d = dialog();
    d.LoadFrom(*form.Options);
    ASSERT_FALSE(QFile::exists(DateFormatFile::Path()));
    d.LoadDateFormats(); // the shipped file is put in place
    EXPECT_TRUE(QFile::exists(DateFormatFile::Path()));
    EXPECT_GE(d.CBDateFormat->count(), 5);
    EXPECT_EQ(d.CBDateFormat->itemText(0), QStringLiteral("C"));
    EXPECT_EQ(d.CBDateFormat->currentText(), QStringLiteral("C")) << "the setting stays";

    QFile f(DateFormatFile::Path());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(Sjis("yyyy\"年\"\r\n") + "bad\x01line\r\n\r\n\"open\r\n" + QByteArray(300, 'y') +
            "\r\n\x82\r\nhh:nn\n");
    f.close();
    d.LoadDateFormats();
    QStringList items;
    for (int i = 0; i < d.CBDateViewFormat->count(); ++i)
        items << d.CBDateViewFormat->itemText(i);
    EXPECT_EQ(items, (QStringList{QStringLiteral("yyyy\"年\""), QStringLiteral("hh:nn")}));
    EXPECT_TRUE(d.LabelDateFormatNote->text().contains(QStringLiteral("4 行")))
        << d.LabelDateFormatNote->text().toStdString();
}

} // namespace
