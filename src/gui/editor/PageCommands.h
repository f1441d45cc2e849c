#pragma once

#include <QColor>
#include <QFont>
#include <QObject>

#include <functional>

class QFrame;
class QTimer;
class QToolButton;
class TFormMain;
class TRichEditLink;

// The format menu and toolbar, the colour panel, the page's commands and the
// status texts that follow the page. Formats go to the page's selection when
// the page is the current pane, else to the whole font of that pane.
// Created by InstallPageCommands as a child of the window.
class TPageCommands : public QObject {
    Q_OBJECT
public:
    explicit TPageCommands(TFormMain& form);
    static TPageCommands* of(TFormMain& form);

    // The sixteen colours of the panel, by tag.
    static QColor PanelColor(int tag);
    // The colour dialog; replaceable for tests. Returns an invalid colour
    // when cancelled.
    static std::function<QColor(const QColor& initial, QWidget* parent)> ColorDialog;

    void ItemNormalClick();
    // style 1 bold, 2 italic, 3 underline, 4 strike-out; on or off.
    void ApplyFontStyle(int style, bool on);
    // 1 raised, 2 lowered, 0 neither.
    void ApplyScript(int script);
    void TBParaAttrClick(int tag);
    void FontBoxChange();
    void SizeBoxChange();
    void TBColorClick();
    void CBDefineColorClick(int tag);
    void CBCustomColorClick(int tag);
    void ApplyColor(const QColor& color);
    void ItemInsertDateTimeClick();
    void ItemPasteAsTextClick();

    // Buttons and boxes from the page's selection.
    void RefreshFormatButtons();
    // Font box, size box and style buttons from a pane's font.
    void ShowPaneFont(const QFont& font);
    void EnablePaneButtons();
    // The status texts of the page, once per idle turn after changes.
    void IdleStatus();

    QFrame* colorPanel() const { return m_panel; }

private:
    void installHandlers();
    void buildColorPanel();
    void schedule();
    QWidget* paneWidget() const;
    QColor paneColor() const;
    void setPaneFont(const std::function<void(QFont&)>& change);
    void returnFocus();

    TFormMain& m_form;
    TRichEditLink* m_page;
    QTimer* m_idle = nullptr;
    QFrame* m_panel = nullptr;
    QToolButton* m_pressed = nullptr;
    const void* m_shown = nullptr; // the item whose page the status texts describe
    bool m_textChanged = true;
    bool m_selectionChanged = true;
};

void InstallPageCommands(TFormMain& form);
