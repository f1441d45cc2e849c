#include "editor/PageCommands.h"

#include "common/CharCount.h"
#include "common/Clock.h"
#include "common/DateFormat.h"
#include "editor/RichEditLink.h"
#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "settings/OptionDesc.h"
#include "shell/CommandTable.h"
#include "shell/FontList.h"
#include "shell/MainForm.h"
#include "tree/ExplorerView.h"
#include "tree/OutlineModel.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QColorDialog>
#include <QComboBox>
#include <QFontInfo>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPainter>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextList>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include "search/FocusTray.h"

namespace {

struct PanelEntry {
    const char* name;
    int r, g, b;
    const char* hint;
};
const PanelEntry kPanel[16] = {
    {"CBBlack", 0, 0, 0, "黒"},        {"CBGray", 128, 128, 128, "50%灰色"},
    {"CBMaroon", 128, 0, 0, "濃い赤"}, {"CBOlive", 128, 128, 0, "濃い黄"},
    {"CBGreen", 0, 128, 0, "緑"},      {"CBTeal", 0, 128, 128, "青緑"},
    {"CBNavy", 0, 0, 128, "濃い青"},   {"CBPurple", 128, 0, 128, "紫"},
    {"CBWhite", 255, 255, 255, "白"},  {"CBSilver", 192, 192, 192, "25%灰色"},
    {"CBRed", 255, 0, 0, "赤"},        {"CBYellow", 255, 255, 0, "黄"},
    {"CBLime", 0, 255, 0, "明るい緑"}, {"CBAqua", 0, 255, 255, "水色"},
    {"CBBlue", 0, 0, 255, "青"},       {"CBFuchsia", 255, 0, 255, "ピンク"},
};

struct StyleRow {
    int tag;
    const char* button;
    const char* item;
};
const StyleRow kStyles[4] = {{1, "TBBold", "ItemBold"},
                             {2, "TBItalic", "ItemItalic"},
                             {3, "TBUnderline", "ItemUnderline"},
                             {4, "TBStrikeOut", "ItemStrikeOut"}};

QString u(const char* s) {
    return QString::fromUtf8(s);
}

int32_t toBgr(const QColor& c) {
    return int32_t(uint32_t(c.red()) | (uint32_t(c.green()) << 8) | (uint32_t(c.blue()) << 16));
}

void setTextColor(QWidget* w, const QColor& c) {
    QPalette p = w->palette();
    p.setColor(QPalette::Text, c);
    p.setColor(QPalette::WindowText, c);
    w->setPalette(p);
}

// The family a format names, as stored (not what is drawn in its place).
QString familyOf(const QTextCharFormat& f) {
    const QStringList families = f.fontFamilies().toStringList();
    return families.isEmpty() ? f.font().family() : families.first();
}

// What the formats of a selection have in common.
struct Common {
    QString family;
    double size = 0;
    bool sameFamily = true, sameSize = true;
    bool bold = true, italic = true, underline = true, strike = true;
    int valign = -1;
    bool first = true;

    void add(const QTextCharFormat& f) {
        const QString fam = familyOf(f);
        const double sz = f.fontPointSize() > 0 ? f.fontPointSize() : f.font().pointSizeF();
        if (first) {
            family = fam;
            size = sz;
            valign = f.verticalAlignment();
            first = false;
        } else {
            sameFamily = sameFamily && fam == family;
            sameSize = sameSize && qFuzzyCompare(sz, size);
            if (valign != f.verticalAlignment())
                valign = -1;
        }
        bold = bold && f.fontWeight() >= QFont::Bold;
        italic = italic && f.fontItalic();
        underline = underline && f.fontUnderline();
        strike = strike && f.fontStrikeOut();
    }
};

} // namespace

std::function<QColor(const QColor&, QWidget*)> TPageCommands::ColorDialog =
    [](const QColor& initial, QWidget* parent) {
        return QColorDialog::getColor(initial, parent, QStringLiteral("色の設定"));
    };

TPageCommands::TPageCommands(TFormMain& form)
    : QObject(&form), m_form(form), m_page(qobject_cast<TRichEditLink*>(form.RichEdit)) {
    setObjectName(QStringLiteral("PageCommands"));
    m_idle = new QTimer(this);
    m_idle->setSingleShot(true);
    m_idle->setInterval(0);
    connect(m_idle, &QTimer::timeout, this, &TPageCommands::IdleStatus);
    connect(m_page, &QTextEdit::textChanged, this, [this]() {
        m_textChanged = true;
        schedule();
    });
    connect(m_page, &QTextEdit::cursorPositionChanged, this, [this]() {
        m_selectionChanged = true;
        schedule();
    });
    connect(m_page, &QTextEdit::selectionChanged, this, [this]() {
        m_selectionChanged = true;
        schedule();
    });
    buildColorPanel();
    installHandlers();
}

TPageCommands* TPageCommands::of(TFormMain& form) {
    return form.findChild<TPageCommands*>(QStringLiteral("PageCommands"),
                                          Qt::FindDirectChildrenOnly);
}

QColor TPageCommands::PanelColor(int tag) {
    if (tag < 0 || tag >= 16)
        return QColor();
    return QColor(kPanel[tag].r, kPanel[tag].g, kPanel[tag].b);
}

void TPageCommands::installHandlers() {
    TCommandTable& c = *m_form.Commands;
    c.setHandler(QStringLiteral("ItemNormalClick"), [this](int) { ItemNormalClick(); });
    for (const StyleRow& s : kStyles) {
        const QString button = u(s.button);
        const int tag = s.tag;
        c.setHandler(button, [this, button, tag](int) {
            ApplyFontStyle(tag, m_form.Commands->isChecked(button));
        });
        c.setHandler(u(s.item), [this, button, tag](int) {
            m_form.Commands->setChecked(button, !m_form.Commands->isChecked(button));
            ApplyFontStyle(tag, m_form.Commands->isChecked(button));
        });
    }
    auto script = [this]() {
        TCommandTable& t = *m_form.Commands;
        return t.isChecked(QStringLiteral("TBUpper"))   ? 1
               : t.isChecked(QStringLiteral("TBLower")) ? 2
                                                        : 0;
    };
    c.setHandler(QStringLiteral("TBUpper"), [this, script](int) { ApplyScript(script()); });
    c.setHandler(QStringLiteral("TBLower"), [this, script](int) { ApplyScript(script()); });
    for (const char* pair : {"Upper", "Lower"}) {
        const QString button = QStringLiteral("TB") + u(pair);
        c.setHandler(QStringLiteral("Item") + u(pair), [this, button, script](int) {
            m_form.Commands->setChecked(button, !m_form.Commands->isChecked(button));
            ApplyScript(script());
        });
    }
    c.setHandler(QStringLiteral("TBParaAttrClick"), [this](int tag) { TBParaAttrClick(tag); });
    c.setHandler(QStringLiteral("FontBoxChange"), [this](int) { FontBoxChange(); });
    c.setHandler(QStringLiteral("SizeBoxChange"), [this](int) { SizeBoxChange(); });
    c.setHandler(QStringLiteral("TBColorClick"), [this](int) { TBColorClick(); });
    c.setHandler(QStringLiteral("CBCustomColorClick"), [this](int) { CBCustomColorClick(-1); });
    c.setHandler(QStringLiteral("ItemInsertDateTimeClick"),
                 [this](int) { ItemInsertDateTimeClick(); });
    c.setHandler(QStringLiteral("ItemPasteAsTextClick"), [this](int) { ItemPasteAsTextClick(); });
    c.setHandler(QStringLiteral("MenuTextClick"), [](int) {});
    c.setHandler(QStringLiteral("PopupMenuRichEditPopup"), [](int) {});

    c.addStateUpdater([this]() {
        if (m_shown != m_form.CurrentItem) {
            // A page was shown with the editor's signals held back.
            m_shown = m_form.CurrentItem;
            m_textChanged = m_selectionChanged = true;
            schedule();
        }
        EnablePaneButtons();
        if (m_form.CurrentPane == TFormMain::PanePage || m_form.CurrentPane == TFormMain::PaneNone)
            RefreshFormatButtons();
        else if (QWidget* w = paneWidget())
            ShowPaneFont(w->font());
        TCommandTable& t = *m_form.Commands;
        // The format menu mirrors the toolbar.
        for (const StyleRow& s : kStyles)
            t.setChecked(u(s.item), t.isChecked(u(s.button)));
        for (const char* name :
             {"Upper", "Lower", "AlignLeft", "AlignCenter", "AlignRight", "Bullet"}) {
            const QString button = QStringLiteral("TB") + u(name);
            const QString item = QStringLiteral("Item") + u(name);
            QAction* a = t.action(button);
            t.setCommandEnabled(item, a && a->isEnabled());
            t.setChecked(item, t.isChecked(button));
        }
        // Page pop-up.
        const QTextCursor cur = m_page->textCursor();
        const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
        t.setCommandEnabled(QStringLiteral("ItemPasteAsText"),
                            !m_page->isReadOnly() && mime && mime->hasText());
        t.setCommandEnabled(QStringLiteral("ItemRichEditSelectAll"),
                            cur.selectionEnd() - cur.selectionStart() <
                                m_page->document()->characterCount() - 1);
        t.setCommandEnabled(QStringLiteral("ItemInsertDateTime"), !m_page->isReadOnly());
    });
}

// ---- Panes ----------------------------------------------------------------------

QWidget* TPageCommands::paneWidget() const {
    switch (m_form.CurrentPane) {
    case TFormMain::PaneTree:
        return m_form.ExplorerView;
    case TFormMain::PaneTitle:
        return m_form.EditTitle;
    case TFormMain::PanePage:
        return m_form.RichEdit;
    case TFormMain::PaneLink:
        return m_form.LinkBox;
    case TFormMain::PaneTray:
        return m_form.ListViewFocus;
    default:
        return nullptr;
    }
}

void TPageCommands::setPaneFont(const std::function<void(QFont&)>& change) {
    QWidget* w = paneWidget();
    if (!w || w == m_form.RichEdit)
        return;
    QFont f = w->font();
    change(f);
    w->setFont(f);
    if (w == m_form.ExplorerView)
        m_form.TreeModel->setBaseFont(f); // bold captions follow
    ShowPaneFont(f);
}

void TPageCommands::returnFocus() {
    if (QWidget* w = paneWidget())
        w->setFocus();
}

void TPageCommands::ShowPaneFont(const QFont& font) {
    TCommandTable& t = *m_form.Commands;
    if (auto* box = qobject_cast<QComboBox*>(t.widget(QStringLiteral("FontBox"))))
        box->setEditText(font.family());
    if (auto* box = qobject_cast<QComboBox*>(t.widget(QStringLiteral("SizeBox"))))
        box->setEditText(font.pointSize() > 0 ? QString::number(font.pointSize()) : QString());
    t.setChecked(QStringLiteral("TBBold"), font.bold());
    t.setChecked(QStringLiteral("TBItalic"), font.italic());
    t.setChecked(QStringLiteral("TBUnderline"), font.underline());
    t.setChecked(QStringLiteral("TBStrikeOut"), font.strikeOut());
}

void TPageCommands::EnablePaneButtons() {
    TCommandTable& t = *m_form.Commands;
    const bool page = m_form.CurrentPane == TFormMain::PanePage && !m_page->isReadOnly();
    for (const char* name :
         {"TBUpper", "TBLower", "TBAlignLeft", "TBAlignCenter", "TBAlignRight", "TBBullet"})
        t.setCommandEnabled(u(name), page);
    const bool pageOrPane = m_form.CurrentPane != TFormMain::PanePage || !m_page->isReadOnly();
    t.setCommandEnabled(QStringLiteral("TBColor"),
                        m_form.CurrentPane != TFormMain::PaneTree && pageOrPane);
    t.setCommandEnabled(QStringLiteral("ItemColor"),
                        m_form.CurrentPane != TFormMain::PaneTree && pageOrPane);
    for (const StyleRow& s : kStyles) {
        t.setCommandEnabled(u(s.button), pageOrPane);
        t.setCommandEnabled(u(s.item), pageOrPane);
    }
    t.setCommandEnabled(QStringLiteral("ItemNormal"), pageOrPane);
    t.setCommandEnabled(QStringLiteral("FontBox"), pageOrPane);
    t.setCommandEnabled(QStringLiteral("SizeBox"), pageOrPane);
}

void TPageCommands::RefreshFormatButtons() {
    TCommandTable& t = *m_form.Commands;
    const QTextCursor cur = m_page->textCursor();
    Common common;
    if (!cur.hasSelection()) {
        common.add(m_page->currentCharFormat());
    } else {
        const int from = cur.selectionStart(), to = cur.selectionEnd();
        for (QTextBlock b = m_page->document()->findBlock(from); b.isValid() && b.position() < to;
             b = b.next())
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                const QTextFragment frag = it.fragment();
                if (frag.position() + frag.length() <= from || frag.position() >= to)
                    continue;
                common.add(frag.charFormat());
            }
        if (common.first)
            common.add(m_page->currentCharFormat());
    }
    if (auto* box = qobject_cast<QComboBox*>(t.widget(QStringLiteral("FontBox")))) {
        const QString family = common.sameFamily ? common.family : QString();
        box->setEditText(family);
        // Where the named face is not installed, say which one is drawn.
        const QString drawn = family.isEmpty() ? QString() : QFontInfo(QFont(family)).family();
        if (QLineEdit* edit = box->lineEdit())
            edit->setToolTip(drawn.isEmpty() || drawn == family
                                 ? QString()
                                 : QStringLiteral("%1（表示は %2）").arg(family, drawn));
    }
    if (auto* box = qobject_cast<QComboBox*>(t.widget(QStringLiteral("SizeBox"))))
        box->setEditText(common.sameSize && common.size > 0 ? QString::number(qRound(common.size))
                                                            : QString());
    t.setChecked(QStringLiteral("TBBold"), common.bold);
    t.setChecked(QStringLiteral("TBItalic"), common.italic);
    t.setChecked(QStringLiteral("TBUnderline"), common.underline);
    t.setChecked(QStringLiteral("TBStrikeOut"), common.strike);
    t.setChecked(QStringLiteral("TBUpper"), common.valign == QTextCharFormat::AlignSuperScript);
    t.setChecked(QStringLiteral("TBLower"), common.valign == QTextCharFormat::AlignSubScript);
    const Qt::Alignment align = m_page->alignment();
    t.setChecked(QStringLiteral("TBAlignLeft"),
                 !(align & (Qt::AlignRight | Qt::AlignHCenter | Qt::AlignJustify)));
    t.setChecked(QStringLiteral("TBAlignCenter"), bool(align & Qt::AlignHCenter));
    t.setChecked(QStringLiteral("TBAlignRight"), bool(align & Qt::AlignRight));
    t.setChecked(QStringLiteral("TBBullet"), cur.currentList() != nullptr);
}

// ---- Formats ----------------------------------------------------------------------

void TPageCommands::ItemNormalClick() {
    if (m_form.CurrentPane == TFormMain::PanePage) {
        m_form.SetPageRich(true);
        QTextCharFormat f;
        f.setForeground(Qt::black);
        f.setFontWeight(QFont::Normal);
        f.setFontItalic(false);
        f.setFontUnderline(false);
        f.setFontStrikeOut(false);
        m_page->mergeCurrentCharFormat(f);
    } else {
        setPaneFont([](QFont& f) {
            f.setBold(false);
            f.setItalic(false);
            f.setUnderline(false);
            f.setStrikeOut(false);
        });
    }
    for (const StyleRow& s : kStyles)
        m_form.Commands->setChecked(u(s.button), false);
}

void TPageCommands::ApplyFontStyle(int style, bool on) {
    if (m_form.CurrentPane == TFormMain::PanePage || m_form.CurrentPane == TFormMain::PaneNone) {
        m_form.SetPageRich(true);
        QTextCharFormat f;
        switch (style) {
        case 1:
            f.setFontWeight(on ? QFont::Bold : QFont::Normal);
            break;
        case 2:
            f.setFontItalic(on);
            break;
        case 3:
            f.setFontUnderline(on);
            break;
        case 4:
            f.setFontStrikeOut(on);
            break;
        default:
            return;
        }
        m_page->mergeCurrentCharFormat(f);
        return;
    }
    setPaneFont([style, on](QFont& f) {
        switch (style) {
        case 1:
            f.setBold(on);
            break;
        case 2:
            f.setItalic(on);
            break;
        case 3:
            f.setUnderline(on);
            break;
        case 4:
            f.setStrikeOut(on);
            break;
        default:
            break;
        }
    });
}

void TPageCommands::ApplyScript(int script) {
    m_form.SetPageRich(true);
    QTextCharFormat f;
    f.setVerticalAlignment(script == 1   ? QTextCharFormat::AlignSuperScript
                           : script == 2 ? QTextCharFormat::AlignSubScript
                                         : QTextCharFormat::AlignNormal);
    m_page->mergeCurrentCharFormat(f);
}

void TPageCommands::TBParaAttrClick(int tag) {
    TCommandTable& t = *m_form.Commands;
    m_form.SetPageRich(true);
    switch (tag) {
    case 1:
    case 2:
    case 3: {
        const Qt::Alignment a = tag == 1   ? Qt::AlignLeft | Qt::AlignAbsolute
                                : tag == 2 ? Qt::AlignHCenter
                                           : Qt::AlignRight | Qt::AlignAbsolute;
        m_page->setAlignment(a);
        const char* names[3] = {"TBAlignLeft", "TBAlignCenter", "TBAlignRight"};
        for (int i = 0; i < 3; ++i)
            t.setChecked(u(names[i]), i == tag - 1);
        break;
    }
    case 4: {
        QTextCursor c = m_page->textCursor();
        c.beginEditBlock();
        if (QTextList* list = c.currentList()) {
            const QTextBlock first = m_page->document()->findBlock(c.selectionStart());
            const QTextBlock last = m_page->document()->findBlock(c.selectionEnd());
            for (QTextBlock b = first; b.isValid(); b = b.next()) {
                list->remove(b);
                QTextCursor bc(b);
                QTextBlockFormat bf = bc.blockFormat();
                bf.setIndent(0);
                bc.setBlockFormat(bf);
                if (b == last)
                    break;
            }
        } else {
            c.createList(QTextListFormat::ListDisc);
        }
        c.endEditBlock();
        t.setChecked(QStringLiteral("TBBullet"), m_page->textCursor().currentList() != nullptr);
        break;
    }
    default:
        break;
    }
    m_page->document()->setModified(true);
}

void TPageCommands::FontBoxChange() {
    auto* box = qobject_cast<QComboBox*>(m_form.Commands->widget(QStringLiteral("FontBox")));
    if (!box)
        return;
    const QString name = box->currentText().trimmed();
    if (name.isEmpty())
        return;
    const int charset = FontCharset(name);
    if (m_form.CurrentPane == TFormMain::PanePage || m_form.CurrentPane == TFormMain::PaneNone) {
        m_form.SetPageRich(true);
        m_page->ApplyFontName(name, charset);
    } else {
        setPaneFont([&name](QFont& f) { f.setFamily(name); });
    }
    returnFocus();
}

void TPageCommands::SizeBoxChange() {
    auto* box = qobject_cast<QComboBox*>(m_form.Commands->widget(QStringLiteral("SizeBox")));
    if (!box)
        return;
    bool ok = false;
    int size = box->currentText().trimmed().toInt(&ok);
    if (!ok || size <= 0 || size > 1638) {
        size = 9;
        box->setEditText(QStringLiteral("9"));
    }
    if (m_form.CurrentPane == TFormMain::PanePage || m_form.CurrentPane == TFormMain::PaneNone) {
        m_form.SetPageRich(true);
        QTextCharFormat f;
        f.setFontPointSize(size);
        m_page->mergeCurrentCharFormat(f);
    } else {
        setPaneFont([size](QFont& f) { f.setPointSize(size); });
    }
    returnFocus();
}

// ---- Colours ----------------------------------------------------------------------

void TPageCommands::buildColorPanel() {
    m_panel = new QFrame(&m_form, Qt::Popup);
    m_panel->setObjectName(QStringLiteral("PopPanel1"));
    m_panel->setFrameShape(QFrame::StyledPanel);
    auto* grid = new QGridLayout(m_panel);
    grid->setContentsMargins(3, 3, 3, 3);
    grid->setSpacing(2);
    for (int tag = 0; tag < 16; ++tag) {
        auto* b = new QToolButton(m_panel);
        b->setObjectName(u(kPanel[tag].name));
        b->setToolTip(u(kPanel[tag].hint));
        b->setAccessibleName(u(kPanel[tag].hint));
        b->setCheckable(true);
        b->setAutoRaise(true);
        QPixmap swatch(14, 14);
        swatch.fill(PanelColor(tag));
        QPainter(&swatch).drawRect(0, 0, 13, 13);
        b->setIcon(QIcon(swatch));
        connect(b, &QToolButton::clicked, this, [this, tag]() {
            m_form.Commands->guarded([this, tag] { CBDefineColorClick(tag); });
        });
        grid->addWidget(b, tag / 8, tag % 8);
    }
    auto* other = new QToolButton(m_panel);
    other->setObjectName(QStringLiteral("CBCustomColor"));
    other->setText(QStringLiteral("その他"));
    other->setCheckable(true);
    other->setAutoRaise(true);
    other->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(other, &QToolButton::clicked, this,
            [this]() { m_form.Commands->guarded([this] { CBCustomColorClick(16); }); });
    grid->addWidget(other, 2, 0, 1, 8);
}

QColor TPageCommands::paneColor() const {
    switch (m_form.CurrentPane) {
    case TFormMain::PanePage:
        return m_page->currentCharFormat().foreground().color();
    case TFormMain::PaneTitle:
        return m_form.EditTitle->palette().color(QPalette::Text);
    case TFormMain::PaneLink:
        return m_form.LinkBox->palette().color(QPalette::Text);
    case TFormMain::PaneTray:
        return m_form.ListViewFocus->palette().color(QPalette::Text);
    default:
        return QColor(Qt::black);
    }
}

void TPageCommands::TBColorClick() {
    // The button of the pane's colour is shown pressed, "その他" when none is.
    const QColor current = paneColor();
    QToolButton* match = m_panel->findChild<QToolButton*>(QStringLiteral("CBCustomColor"));
    for (int tag = 0; tag < 16; ++tag)
        if (PanelColor(tag).rgb() == current.rgb())
            match = m_panel->findChild<QToolButton*>(u(kPanel[tag].name));
    for (QToolButton* b : m_panel->findChildren<QToolButton*>())
        b->setChecked(b == match);
    m_pressed = match;
    QPoint at = m_form.mapToGlobal(QPoint(0, 0));
    if (QAction* a = m_form.Commands->action(QStringLiteral("TBColor")))
        if (QToolBar* bar = m_form.Commands->toolBar(QStringLiteral("TBRStyle")))
            if (QWidget* w = bar->widgetForAction(a))
                at = w->mapToGlobal(QPoint(0, w->height()));
    m_panel->adjustSize();
    m_panel->move(at);
    m_panel->show();
}

void TPageCommands::CBDefineColorClick(int tag) {
    m_form.SetPageRich(true);
    if (m_pressed)
        m_pressed->setChecked(false);
    m_pressed = m_panel->findChild<QToolButton*>(u(kPanel[tag].name));
    ApplyColor(PanelColor(tag));
    m_panel->hide();
    returnFocus();
}

void TPageCommands::CBCustomColorClick(int tag) {
    if (m_pressed)
        m_pressed->setChecked(false);
    m_pressed =
        tag >= 0 ? m_panel->findChild<QToolButton*>(QStringLiteral("CBCustomColor")) : nullptr;
    m_panel->hide();
    const QColor chosen = ColorDialog(paneColor(), &m_form);
    if (chosen.isValid()) {
        m_form.SetPageRich(true);
        ApplyColor(chosen);
    }
    returnFocus();
}

void TPageCommands::ApplyColor(const QColor& color) {
    TOptionDesc& o = *m_form.Options;
    switch (m_form.CurrentPane) {
    case TFormMain::PanePage: {
        QTextCharFormat f;
        f.setForeground(color);
        m_page->mergeCurrentCharFormat(f);
        break;
    }
    case TFormMain::PaneTitle:
        setTextColor(m_form.EditTitle, color);
        o.TitleFont.Color = toBgr(color);
        break;
    case TFormMain::PaneLink:
        setTextColor(m_form.LinkBox, color);
        o.LinkFont.Color = toBgr(color);
        break;
    case TFormMain::PaneTray:
        setTextColor(m_form.ListViewFocus, color);
        o.ListViewFont.Color = toBgr(color);
        break;
    default:
        break;
    }
}

// ---- Page commands and status -------------------------------------------------------

void TPageCommands::ItemInsertDateTimeClick() {
    if (m_page->isReadOnly())
        return;
    m_page->textCursor().insertText(
        FormatWrenDate(Cp932::toUnicode(m_form.Options->DateFormat), Clock::now()));
}

void TPageCommands::ItemPasteAsTextClick() {
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    if (m_page->isReadOnly() || !mime || !mime->hasText())
        return;
    m_page->textCursor().insertText(mime->text());
}

void TPageCommands::schedule() {
    if (!m_idle->isActive())
        m_idle->start();
}

void TPageCommands::IdleStatus() {
    if (m_selectionChanged) {
        m_selectionChanged = false;
        m_form.Commands->updateStates(); // the format buttons and what the selection enables
        if (!m_form.statusBar()->isHidden())
            m_form.statusPanel(3)->setText(m_page->CaretPositionText());
    }
    if (m_textChanged) {
        m_textChanged = false;
        const QByteArray bytes = Cp932::fromUnicode(m_page->PlainTextCrLf());
        m_form.statusPanel(4)->setText(
            CharCount::CharCountText(CharCount::CountCharacters(bytes), bytes.size()));
    }
}

void InstallPageCommands(TFormMain& form) {
    if (!TPageCommands::of(form))
        new TPageCommands(form);
}
