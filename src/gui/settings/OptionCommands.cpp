#include "settings/OptionCommands.h"

#include "dialogs/MessageBox.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "platform/HotKey.h"
#include "search/FocusTray.h"
#include "settings/ColorLookupComboBox.h"
#include "settings/HotKeyEdit.h"
#include "settings/OptionDesc.h"
#include "settings/OptionForm.h"
#include "shell/CommandTable.h"
#include "shell/DesktopClipping.h"
#include "shell/MainForm.h"
#include "shell/TrayGuard.h"
#include "tree/OutlineModel.h"

#include <QFrame>
#include <QLineEdit>
#include <QListWidget>
#include <QSystemTrayIcon>
#include <QTextEdit>

#include <algorithm>

namespace {

void setBackground(QWidget* w, uint32_t bgr) {
    QPalette p = w->palette();
    p.setColor(QPalette::Base, ColorFromBgr(bgr));
    p.setColor(QPalette::Window, ColorFromBgr(bgr));
    w->setPalette(p);
}

} // namespace

TOptionCommands::TOptionCommands(TFormMain& form) : QObject(&form), m_form(form) {
    setObjectName(QStringLiteral("OptionCommands"));
    m_form.Commands->setHandler(QStringLiteral("ItemOptionClick"), [this](int) { RunOptions(); });
}

TOptionCommands* TOptionCommands::of(TFormMain& form) {
    return form.findChild<TOptionCommands*>(QStringLiteral("OptionCommands"),
                                            Qt::FindDirectChildrenOnly);
}

TFormOption& TOptionCommands::dialog() {
    if (!m_dialog)
        m_dialog = new TFormOption(&m_form);
    return *m_dialog;
}

bool TOptionCommands::RunOptions() {
    TFormOption& d = dialog();
    TOptionDesc& o = *m_form.Options;
    d.LoadFrom(o);
    if (TTrayGuard* tray = TTrayGuard::of(m_form))
        d.SetTrayNote(tray->Available() ? QString() : TTrayGuard::NoTrayText());
    if (TDesktopClipping* clipping = TDesktopClipping::of(m_form))
        d.SetHotKeyNote(clipping->OptionsNote());
    TDesktopClipping::of(m_form)->UnregisterHotKey();
    const bool accepted = TFormOption::Exec(d) == QDialog::Accepted;
    if (accepted) {
        d.StoreTo(o);
        ApplyColors(m_form);
        if (d.ColumnsChanged())
            RebuildColumns(m_form);
        if (d.LabelImagesChanged())
            RefreshLabelImages(m_form);
        m_form.Commands->updateStates();
    }
    const bool registered = TDesktopClipping::of(m_form)->RegisterHotKey();
    if (accepted && !registered && d.HotKeyChanged() &&
        TDesktopClipping::of(m_form)->route() != TDesktopClipping::RoutePortal)
        MessageBox::warning(
            &m_form, QStringLiteral("オプション設定"),
            QStringLiteral("クリッピングのホットキー「%1」を登録できませんでした。\n"
                           "ほかのプログラムがこのキーを使っているか、この環境ではホットキーを"
                           "使えません。別のキーを選んでください。")
                .arg(THotKeyEdit::Text(o.ClipHotKey, o.ClipHotModifiers)));
    return accepted;
}

void TOptionCommands::ApplyColors(TFormMain& form) {
    const TOptionDesc& o = *form.Options;
    form.TrayIcon1->setVisible(o.StayOn && QSystemTrayIcon::isSystemTrayAvailable());
    setBackground(form.EditTitle, o.BackColorTitle);
    setBackground(form.TitlePadding, o.BackColorTitle);
    setBackground(form.RichEdit, o.BackColorText);
    setBackground(form.LinkBox, o.BackColorLink);
    // The page's link colours follow the settings in the state update.
    form.Commands->updateStates();
}

void TOptionCommands::RebuildColumns(TFormMain& form) {
    form.ListViewFocus->RebuildColumns(*form.Options);
}

void TOptionCommands::RefreshLabelImages(TFormMain& form) {
    form.TreeModel->refreshAll();
    // The title panel shows the current item's label image too.
    if (form.CurrentItem && form.CurrentItem->TreeNode)
        form.Outline->notifyChanged(form.CurrentItem->TreeNode, TOutline::LabelChanged);
}

void InstallOptionCommands(TFormMain& form) {
    new TOptionCommands(form);
}
