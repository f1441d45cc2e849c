#include "settings/OptionForm.h"

#include "dialogs/DialogFrame.h"
#include "file/Cp932.h"
#include "settings/ColorLookupComboBox.h"
#include "settings/ColumnKinds.h"
#include "settings/DateFormatFile.h"
#include "settings/HotKeyEdit.h"
#include "settings/LabelImageGrid.h"
#include "tree/NodeImages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QEvent>
#include <QFontDatabase>
#include <QFontDialog>
#include <QFormLayout>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

template <typename W> W* named(W* w, const char* name) {
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QCheckBox* check(QWidget* parent, const char* name, const char* caption) {
    return named(new QCheckBox(QString::fromUtf8(caption), parent), name);
}

QComboBox* positionBox(QWidget* parent, const char* name,
                       std::initializer_list<const char*> items) {
    auto* box = named(new QComboBox(parent), name);
    for (const char* item : items)
        box->addItem(QString::fromUtf8(item));
    return box;
}

template <size_t N> int indexOfCode(const std::array<uint8_t, N>& codes, uint8_t code) {
    const auto it = std::find(codes.begin(), codes.end(), code);
    return it == codes.end() ? 0 : int(it - codes.begin());
}

template <size_t N> uint8_t codeAt(const std::array<uint8_t, N>& codes, const QComboBox* box) {
    const int i = box->currentIndex();
    return codes[size_t(i < 0 || i >= int(N) ? 0 : i)];
}

QFrame* swatch(QWidget* parent, const char* name) {
    auto* f = named(new QFrame(parent), name);
    f->setFrameShape(QFrame::Box);
    f->setFixedSize(40, 18);
    f->setAutoFillBackground(true);
    return f;
}

QListWidgetItem* columnItem(int kind) {
    auto* item = new QListWidgetItem(ColumnKinds::Caption(kind));
    item->setData(Qt::UserRole, kind);
    return item;
}

QString styleText(const TFontDesc& f) {
    QStringList parts;
    if (f.Bold)
        parts << QStringLiteral("太字");
    if (f.Italic)
        parts << QStringLiteral("斜体");
    if (f.Underline)
        parts << QStringLiteral("下線");
    return parts.isEmpty() ? QStringLiteral("標準") : parts.join(QLatin1Char(','));
}

} // namespace

uint32_t SwatchColor(const QFrame* swatch) {
    return swatch->property("bgr").toUInt();
}

void SetSwatchColor(QFrame* swatch, uint32_t bgr) {
    swatch->setProperty("bgr", bgr);
    QPalette p = swatch->palette();
    p.setColor(QPalette::Window, ColorFromBgr(bgr));
    swatch->setPalette(p);
}

const std::array<uint8_t, 4> TFormOption::SisterCodes = {2, 3, 1, 0};
const std::array<uint8_t, 2> TFormOption::DaughterCodes = {5, 4};
const std::array<uint8_t, 4> TFormOption::AuntCodes = {2, 3, 1, 0};
const std::array<uint8_t, 6> TFormOption::ClipCodes = {2, 3, 1, 0, 5, 4};

std::function<int(TFormOption&)> TFormOption::Exec = [](TFormOption& dialog) {
    return dialog.exec();
};

std::function<bool(TFontDesc&, QWidget*)> TFormOption::ChooseFont = [](TFontDesc& font,
                                                                       QWidget* parent) {
    QFont f(Cp932::toUnicode(font.Name));
    if (font.Size > 0)
        f.setPointSize(font.Size);
    f.setBold(font.Bold);
    f.setItalic(font.Italic);
    f.setUnderline(font.Underline);
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, f, parent, QStringLiteral("フォント"));
    if (!ok)
        return false;
    font.Name = Cp932::fromUnicode(chosen.family());
    if (chosen.pointSize() > 0)
        font.Size = chosen.pointSize();
    font.Bold = chosen.bold();
    font.Italic = chosen.italic();
    font.Underline = chosen.underline();
    font.Charset =
        QFontDatabase::writingSystems(chosen.family()).contains(QFontDatabase::Japanese) ? 128 : 0;
    return true;
};

TFormOption::TFormOption(QWidget* parent) : QDialog(parent, DialogFrame::Flags) {
    setObjectName(QStringLiteral("FormOption"));
    setWindowTitle(QStringLiteral("オプション設定"));
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(12);
    setFont(f);

    auto* layout = new QVBoxLayout(this);
    PageControl1 = named(new QTabWidget(this), "PageControl1");
    layout->addWidget(PageControl1);
    buildPagePositions();
    buildPageOperations();
    buildPageLabels();
    buildPageFonts();
    buildPageDates();
    buildPageColumns();
    buildPageOthers();

    auto* buttons = new QDialogButtonBox(this);
    BitBtn1 =
        named(buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole), "BitBtn1");
    BitBtn2 = named(buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole),
                    "BitBtn2");
    BitBtn1->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(560, 380);
}

TFormOption::~TFormOption() = default;

void TFormOption::buildPagePositions() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    auto* group = new QGroupBox(QStringLiteral("ツールボタンで作成する新規項目の位置"), page);
    auto* form = new QFormLayout(group);
    SisterBox = positionBox(
        group, "SisterBox",
        {"選択項目のすぐ下", "選択項目のすぐ上", "同じ階層の一番下", "同じ階層の一番上"});
    DaughterBox = positionBox(group, "DaughterBox", {"子階層の一番下", "子階層の一番上"});
    AuntBox = positionBox(
        group, "AuntBox",
        {"選択項目のすぐ下", "選択項目のすぐ上", "親の階層の一番下", "親の階層の一番上"});
    ClipBox = positionBox(group, "ClipBox",
                          {"選択項目のすぐ下", "選択項目のすぐ上", "同じ階層の一番下",
                           "同じ階層の一番上", "子階層の一番下", "子階層の一番上"});
    form->addRow(QStringLiteral("同一階層の場合"), SisterBox);
    form->addRow(QStringLiteral("一つ下の階層の場合"), DaughterBox);
    form->addRow(QStringLiteral("一つ上の階層の場合"), AuntBox);
    form->addRow(QStringLiteral("クリッピングの場合"), ClipBox);
    v->addWidget(group);

    auto* hot = new QHBoxLayout;
    HotKey1 = named(new THotKeyEdit(page), "HotKey1");
    HotKey1->setAccessibleName(QStringLiteral("クリッピングのホットキー"));
    hot->addWidget(new QLabel(QStringLiteral("クリッピングのホットキー"), page));
    hot->addWidget(HotKey1, 1);
    v->addLayout(hot);
    LabelHotKeyNote = named(new QLabel(page), "LabelHotKeyNote");
    LabelHotKeyNote->setWordWrap(true);
    LabelHotKeyNote->hide();
    v->addWidget(LabelHotKeyNote);

    auto* hier = new QHBoxLayout;
    EditHierSymbol = named(new QLineEdit(page), "EditHierSymbol");
    EditHierSymbol->setMaxLength(1);
    EditHierSymbol->setFixedWidth(32);
    // Only a printable ASCII character is one byte in every file.
    EditHierSymbol->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[\\x21-\\x7E]?")), EditHierSymbol));
    EditHierSymbol->setAccessibleName(QStringLiteral("階層認識文字"));
    hier->addWidget(new QLabel(
        QStringLiteral("階層付テキストの読み込みに用いる階層認識文字（半角１文字）："), page));
    hier->addWidget(EditHierSymbol);
    hier->addStretch();
    v->addLayout(hier);

    CheckPreferText =
        check(page, "CheckPreferText", "書式情報のないテキスト形式をデフォルトにする。");
    CheckConfirmDelete =
        check(page, "CheckConfirmDelete", "項目を削除するときに確認ダイアログを表示する。");
    v->addWidget(CheckPreferText);
    v->addWidget(CheckConfirmDelete);
    v->addStretch();
    PageControl1->addTab(page, QStringLiteral("項目の新規作成"));
}

void TFormOption::buildPageOperations() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    auto* move = new QGroupBox(QStringLiteral("進行状況に合わせた項目の自動移動"), page);
    auto* mv = new QVBoxLayout(move);
    CheckFinishedAutoMove = check(move, "CheckFinishedAutoMove",
                                  "完了時に自動的に同一階層の完了項目フォルダに移動する。");
    CheckProceedingAutoMove = check(move, "CheckProceedingAutoMove",
                                    "着手時に自動的に同一階層の進行中項目フォルダに移動する。");
    mv->addWidget(CheckFinishedAutoMove);
    mv->addWidget(CheckProceedingAutoMove);
    v->addWidget(move);
    auto* drag = new QGroupBox(QStringLiteral("ドラッグ＆ドロップ"), page);
    auto* dv = new QVBoxLayout(drag);
    CheckTargetExpand =
        check(drag, "CheckTargetExpand",
              "ドラッグ項目が見えるようにドロップされたフォルダを自動的に展開する。");
    CheckDragCollapse =
        check(drag, "CheckDragCollapse", "フォルダをドラッグした時に自動的に閉じる。");
    dv->addWidget(CheckTargetExpand);
    dv->addWidget(CheckDragCollapse);
    v->addWidget(drag);
    CheckExpandOnlyOne =
        check(page, "CheckExpandOnlyOne", "展開する項目は同一階層に一つだけに限定する。");
    v->addWidget(CheckExpandOnlyOne);
    v->addStretch();
    PageControl1->addTab(page, QStringLiteral("項目の操作"));
}

void TFormOption::buildPageLabels() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    for (int i = 0; i < TOptionDesc::LabelsUsed; ++i) {
        auto* b = new QToolButton(page);
        b->setObjectName(QStringLiteral("IB%1").arg(i));
        b->setCheckable(true);
        b->setIconSize(QSize(16, 16));
        b->setFixedSize(24, 24);
        b->setAccessibleName(QStringLiteral("ラベル%1の画像").arg(i));
        b->setToolTip(QStringLiteral("画像を選ぶ"));
        auto* e = new QLineEdit(page);
        e->setObjectName(QStringLiteral("Edit%1").arg(i));
        e->setAccessibleName(QStringLiteral("ラベル%1の名前").arg(i));
        IB[size_t(i)] = b;
        Edit[size_t(i)] = e;
        const int row = i % 4, column = (i / 4) * 2;
        grid->addWidget(b, row, column);
        grid->addWidget(e, row, column + 1);
        connect(b, &QToolButton::clicked, this, [this, i] { IBClick(i); });
    }
    grid->setRowStretch(4, 1);
    PageControl1->addTab(page, QStringLiteral("ラベル"));

    PopupPanel1 = named(new QFrame(this, Qt::Popup), "PopupPanel1");
    PopupPanel1->setFrameShape(QFrame::Panel);
    PopupPanel1->setFrameShadow(QFrame::Raised);
    auto* pl = new QVBoxLayout(PopupPanel1);
    pl->setContentsMargins(2, 2, 2, 2);
    DrawGrid1 = named(new TLabelImageGrid(PopupPanel1), "DrawGrid1");
    pl->addWidget(DrawGrid1);
    connect(DrawGrid1, &TLabelImageGrid::cellClicked, this, &TFormOption::DrawGrid1Click);
    PopupPanel1->installEventFilter(this);
    PopupPanel1->adjustSize();
}

void TFormOption::buildPageFonts() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    auto* font = new QGroupBox(QStringLiteral("本文のデフォルトフォント設定"), page);
    auto* fg = new QGridLayout(font);
    Label5 = named(new QLabel(font), "Label5");
    Label7 = named(new QLabel(font), "Label7");
    Label6 = named(new QLabel(font), "Label6");
    PanelColor = swatch(font, "PanelColor");
    fg->addWidget(new QLabel(QStringLiteral("フォント名："), font), 0, 0);
    fg->addWidget(Label5, 0, 1);
    fg->addWidget(new QLabel(QStringLiteral("サイズ："), font), 1, 0);
    fg->addWidget(Label7, 1, 1);
    fg->addWidget(new QLabel(QStringLiteral("スタイル："), font), 2, 0);
    fg->addWidget(Label6, 2, 1);
    fg->addWidget(new QLabel(QStringLiteral("色："), font), 3, 0);
    fg->addWidget(PanelColor, 3, 1, Qt::AlignLeft);
    ButtonFont = named(new QPushButton(QStringLiteral("フォント設定..."), font), "Button1");
    // The platform's font dialog has no colour; the font's colour gets a button of its own.
    ButtonFontColor =
        named(new QPushButton(QStringLiteral("色の設定..."), font), "ButtonFontColor");
    fg->addWidget(ButtonFont, 0, 2);
    fg->addWidget(ButtonFontColor, 3, 2);
    fg->setColumnStretch(1, 1);
    v->addWidget(font);
    connect(ButtonFont, &QPushButton::clicked, this, &TFormOption::Button1Click);
    connect(ButtonFontColor, &QPushButton::clicked, this, [this] {
        uint32_t color = uint32_t(m_defFont.Color);
        if (TColorLookupComboBox::ChooseColor && TColorLookupComboBox::ChooseColor(color, this)) {
            m_defFont.Color = int32_t(color);
            showFont();
        }
    });

    auto* back = new QGroupBox(QStringLiteral("背景色"), page);
    auto* bg = new QGridLayout(back);
    PanelTitleBkColor = swatch(back, "PanelTitleBkColor");
    PanelTextBkColor = swatch(back, "PanelTextBkColor");
    PanelLinkBkColor = swatch(back, "PanelLinkBkColor");
    const std::pair<const char*, QFrame*> backs[] = {{"タイトル", PanelTitleBkColor},
                                                     {"本文", PanelTextBkColor},
                                                     {"リンクパネル", PanelLinkBkColor}};
    int column = 0;
    int number = 2;
    for (const auto& [caption, panel] : backs) {
        bg->addWidget(new QLabel(QString::fromUtf8(caption), back), 0, column);
        bg->addWidget(panel, 0, column + 1);
        auto* b = new QPushButton(QStringLiteral("設定..."), back);
        b->setObjectName(QStringLiteral("Button%1").arg(number++));
        b->setAccessibleName(QString::fromUtf8(caption) + QStringLiteral("の背景色"));
        bg->addWidget(b, 0, column + 2);
        QFrame* target = panel;
        connect(b, &QPushButton::clicked, this, [this, target] { BackColorClick(target); });
        column += 3;
    }
    v->addWidget(back);

    auto* links = new QGroupBox(QStringLiteral("ハイパーリンクの文字色"), page);
    auto* lf = new QHBoxLayout(links);
    CLCBoxInFileLink = named(new TColorLookupComboBox(links), "CLCBoxInFileLink");
    CLCBoxHyperLink = named(new TColorLookupComboBox(links), "CLCBoxHyperLink");
    CLCBoxInFileLink->setAccessibleName(QStringLiteral("ファイル内リンクの文字色"));
    CLCBoxHyperLink->setAccessibleName(QStringLiteral("その他のリンクの文字色"));
    lf->addWidget(new QLabel(QStringLiteral("ファイル内リンク："), links));
    lf->addWidget(CLCBoxInFileLink);
    lf->addWidget(new QLabel(QStringLiteral("その他："), links));
    lf->addWidget(CLCBoxHyperLink);
    lf->addStretch();
    v->addWidget(links);
    v->addStretch();
    PageControl1->addTab(page, QStringLiteral("フォント・色"));
}

void TFormOption::buildPageDates() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    CBDateFormat = named(new QComboBox(page), "CBDateFormat");
    CBDateViewFormat = named(new QComboBox(page), "CBDateViewFormat");
    for (QComboBox* box : {CBDateFormat, CBDateViewFormat}) {
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
    }
    v->addWidget(new QLabel(QStringLiteral("ショートカットで挿入する際の日付の形式"), page));
    v->addWidget(CBDateFormat);
    v->addWidget(new QLabel(QStringLiteral("カレンダーに表示する際の日付の形式"), page));
    v->addWidget(CBDateViewFormat);
    LabelDateFormatNote = named(new QLabel(page), "LabelDateFormatNote");
    LabelDateFormatNote->setWordWrap(true);
    v->addWidget(LabelDateFormatNote);
    v->addStretch();
    PageControl1->addTab(page, QStringLiteral("日付の形式"));
}

void TFormOption::buildPageColumns() {
    auto* page = new QWidget;
    auto* grid = new QGridLayout(page);
    AvailableColumnBox = named(new QListWidget(page), "AvailableColumnBox");
    SelectedColumnBox = named(new QListWidget(page), "SelectedColumnBox");
    AvailableColumnBox->setAccessibleName(QStringLiteral("表示可能なカラム"));
    SelectedColumnBox->setAccessibleName(QStringLiteral("表示されるカラム"));
    BTNAdd = named(new QPushButton(QStringLiteral("追加（ >>）"), page), "BTNAdd");
    BTNRemove = named(new QPushButton(QStringLiteral("削除（ << ）"), page), "BTNRemove");
    SBUp = named(new QToolButton(page), "SBUp");
    SBDown = named(new QToolButton(page), "SBDown");
    SBUp->setArrowType(Qt::UpArrow);
    SBDown->setArrowType(Qt::DownArrow);
    SBUp->setAccessibleName(QStringLiteral("上へ"));
    SBDown->setAccessibleName(QStringLiteral("下へ"));
    grid->addWidget(new QLabel(QStringLiteral("表示可能なカラム"), page), 0, 0);
    grid->addWidget(new QLabel(QStringLiteral("表示されるカラム"), page), 0, 2);
    grid->addWidget(AvailableColumnBox, 1, 0, 4, 1);
    grid->addWidget(BTNAdd, 1, 1);
    grid->addWidget(BTNRemove, 2, 1);
    grid->addWidget(SelectedColumnBox, 1, 2, 4, 1);
    grid->addWidget(SBUp, 1, 3);
    grid->addWidget(SBDown, 2, 3);
    // The lists take the height; the captions and buttons stay at the top.
    grid->setRowStretch(3, 1);
    connect(BTNAdd, &QPushButton::clicked, this, [this] { MoveColumnClick(true); });
    connect(BTNRemove, &QPushButton::clicked, this, [this] { MoveColumnClick(false); });
    connect(AvailableColumnBox, &QListWidget::itemDoubleClicked, this,
            [this] { MoveColumnClick(true); });
    connect(SelectedColumnBox, &QListWidget::itemDoubleClicked, this,
            [this] { MoveColumnClick(false); });
    connect(SBUp, &QToolButton::clicked, this, [this] { SBUpClick(true); });
    connect(SBDown, &QToolButton::clicked, this, [this] { SBUpClick(false); });
    PageControl1->addTab(page, QStringLiteral("カラム"));
}

void TFormOption::buildPageOthers() {
    auto* page = new QWidget;
    auto* v = new QVBoxLayout(page);
    CheckOutOfDate = check(page, "CheckOutOfDate", "起動時に未完了の項目を一覧表示する。");
    CheckShowProcs = check(page, "CheckShowProcs", "起動時に進行中の項目を一覧表示する。");
    v->addWidget(CheckOutOfDate);
    v->addWidget(CheckShowProcs);
    auto* panels = new QGroupBox(QStringLiteral("パネル表示の自動制御"), page);
    auto* pv = new QVBoxLayout(panels);
    CheckLinkAutoShow = check(panels, "CheckLinkAutoShow",
                              "リンクが設定されている時だけ、リンクパネルを表示する。");
    CheckDateAutoShow = check(panels, "CheckDateAutoShow",
                              "期日または完了日が設定されている時だけ、日付パネルを表示する。");
    pv->addWidget(CheckLinkAutoShow);
    pv->addWidget(CheckDateAutoShow);
    v->addWidget(panels);
    CheckConfirmSave = check(page, "CheckConfirmSave", "終了時に保存するかどうか確認する。");
    CheckHideForm = check(page, "CheckHideForm", "起動時にウィンドウを表示しない。");
    CheckStayOn = check(page, "CheckStayOn", "タスクトレイに常駐する。");
    CheckSaveTemporal =
        check(page, "CheckSaveTemporal", "約１０分おきに一時ファイル( *.wr~ )を保存する。");
    CheckSaveBAKFile = check(page, "CheckSaveBAKFile", "BAK ファイルを保存する。");
    CBTrashOnTerminate = check(page, "CBTrashOnTerminate", "終了時にごみ箱を空にする");
    LabelTrayNote = named(new QLabel(page), "LabelTrayNote");
    LabelTrayNote->setWordWrap(true);
    LabelTrayNote->hide();
    for (QWidget* c : std::initializer_list<QWidget*>{CheckConfirmSave, CheckHideForm, CheckStayOn,
                                                      LabelTrayNote, CheckSaveTemporal,
                                                      CheckSaveBAKFile, CBTrashOnTerminate})
        v->addWidget(c);
    v->addStretch();
    connect(CheckStayOn, &QCheckBox::clicked, this, &TFormOption::CheckStayOnClick);
    connect(CheckOutOfDate, &QCheckBox::clicked, this, [this](bool on) {
        if (on)
            CheckShowProcs->setChecked(false);
    });
    connect(CheckShowProcs, &QCheckBox::clicked, this, [this](bool on) {
        if (on)
            CheckOutOfDate->setChecked(false);
    });
    PageControl1->addTab(page, QStringLiteral("その他"));
}

// ---- load and store ---------------------------------------------------------------------

void TFormOption::LoadFrom(const TOptionDesc& o) {
    m_columnsChanged = false;
    m_labelImagesChanged = false;
    SisterBox->setCurrentIndex(indexOfCode(SisterCodes, o.SisterPos));
    DaughterBox->setCurrentIndex(indexOfCode(DaughterCodes, o.DaughterPos));
    AuntBox->setCurrentIndex(indexOfCode(AuntCodes, o.AuntPos));
    ClipBox->setCurrentIndex(indexOfCode(ClipCodes, o.ClipPos));

    CheckPreferText->setChecked(o.PreferText);
    CheckConfirmDelete->setChecked(o.ConfirmDel);
    CheckFinishedAutoMove->setChecked(o.FinishAuto);
    CheckProceedingAutoMove->setChecked(o.ProceedAuto);
    CheckTargetExpand->setChecked(o.DropExpand);
    CheckDragCollapse->setChecked(o.DragCollapse);
    CheckExpandOnlyOne->setChecked(o.ExpandOnlyOne);
    CheckOutOfDate->setChecked(o.CheckOutOfDate);
    CheckShowProcs->setChecked(o.ShowProcs);
    CheckLinkAutoShow->setChecked(o.LinkAuto);
    CheckDateAutoShow->setChecked(o.DateAuto);
    CheckConfirmSave->setChecked(o.ConfirmSave);
    CheckHideForm->setChecked(o.HideForm);
    CheckStayOn->setChecked(o.StayOn);
    CheckSaveTemporal->setChecked(o.SaveTemporal);
    CheckSaveBAKFile->setChecked(o.SaveBAKFile);
    CBTrashOnTerminate->setChecked(o.TrashOnTerminate);

    for (int i = 0; i < TOptionDesc::LabelsUsed; ++i) {
        Edit[size_t(i)]->setText(Cp932::toUnicode(o.LabelText[size_t(i)]));
        setLabelImage(i, o.LabelImage[size_t(i)]);
    }
    m_defFont = o.DefFont;
    showFont();
    SetSwatchColor(PanelTitleBkColor, o.BackColorTitle);
    SetSwatchColor(PanelTextBkColor, o.BackColorText);
    SetSwatchColor(PanelLinkBkColor, o.BackColorLink);
    CLCBoxInFileLink->SetColorValue(o.InFileLinkColor);
    CLCBoxHyperLink->SetColorValue(o.HyperLinkColor);
    CBDateFormat->setEditText(Cp932::toUnicode(o.DateFormat));
    CBDateViewFormat->setEditText(Cp932::toUnicode(o.DateViewFormat));
    EditHierSymbol->setText(o.HierSymbol ? QString(QChar(uchar(o.HierSymbol))) : QString());

    AvailableColumnBox->clear();
    SelectedColumnBox->clear();
    const int count = std::clamp(int(o.ColumnCount), 1, int(TOptionDesc::MaxColumns));
    QList<int> selected;
    for (int i = 1; i < count; ++i) {
        const int kind = o.Columns[size_t(i)].Kind;
        // A damaged record may name a kind twice or one that does not exist.
        if (kind >= 2 && kind <= ColumnKinds::Last && !selected.contains(kind))
            selected << kind;
    }
    for (int kind : selected)
        SelectedColumnBox->addItem(columnItem(kind));
    for (int kind = 2; kind <= ColumnKinds::Last; ++kind)
        if (!selected.contains(kind))
            AvailableColumnBox->addItem(columnItem(kind));

    HotKey1->setHotKey(o.ClipHotKey, o.ClipHotModifiers);
    m_loadedKey = HotKey1->virtualKey();
    m_loadedMods = HotKey1->modifiers();
    CheckStayOnClick();
}

void TFormOption::StoreTo(TOptionDesc& o) const {
    o.SisterPos = codeAt(SisterCodes, SisterBox);
    o.DaughterPos = codeAt(DaughterCodes, DaughterBox);
    o.AuntPos = codeAt(AuntCodes, AuntBox);
    o.ClipPos = codeAt(ClipCodes, ClipBox);

    o.PreferText = CheckPreferText->isChecked();
    o.ConfirmDel = CheckConfirmDelete->isChecked();
    o.FinishAuto = CheckFinishedAutoMove->isChecked();
    o.ProceedAuto = CheckProceedingAutoMove->isChecked();
    o.DropExpand = CheckTargetExpand->isChecked();
    o.DragCollapse = CheckDragCollapse->isChecked();
    o.ExpandOnlyOne = CheckExpandOnlyOne->isChecked();
    o.CheckOutOfDate = CheckOutOfDate->isChecked();
    o.ShowProcs = CheckShowProcs->isChecked();
    o.LinkAuto = CheckLinkAutoShow->isChecked();
    o.DateAuto = CheckDateAutoShow->isChecked();
    o.ConfirmSave = CheckConfirmSave->isChecked();
    o.HideForm = CheckHideForm->isChecked();
    o.StayOn = CheckStayOn->isChecked();
    o.SaveTemporal = CheckSaveTemporal->isChecked();
    o.SaveBAKFile = CheckSaveBAKFile->isChecked();
    o.TrashOnTerminate = CBTrashOnTerminate->isChecked();

    for (int i = 0; i < TOptionDesc::LabelsUsed; ++i) {
        o.LabelText[size_t(i)] = Cp932::fromUnicode(Edit[size_t(i)]->text());
        if (m_labelImagesChanged)
            o.LabelImage[size_t(i)] = m_labelImages[size_t(i)];
    }
    o.DefFont = m_defFont;
    o.BackColorTitle = SwatchColor(PanelTitleBkColor);
    o.BackColorText = SwatchColor(PanelTextBkColor);
    o.BackColorLink = SwatchColor(PanelLinkBkColor);
    // A colour the box cannot show stays as it was: the user did not touch it.
    if (CLCBoxInFileLink->ColorValue() != TColorLookupComboBox::NoColor)
        o.InFileLinkColor = CLCBoxInFileLink->ColorValue();
    if (CLCBoxHyperLink->ColorValue() != TColorLookupComboBox::NoColor)
        o.HyperLinkColor = CLCBoxHyperLink->ColorValue();
    o.DateFormat = Cp932::fromUnicode(CBDateFormat->currentText());
    o.DateViewFormat = Cp932::fromUnicode(CBDateViewFormat->currentText());
    const QByteArray symbol = Cp932::fromUnicode(EditHierSymbol->text());
    o.HierSymbol = symbol.isEmpty() ? '\0' : symbol.at(0);
    o.ClipHotKey = HotKey1->virtualKey();
    o.ClipHotModifiers = HotKey1->modifiers();

    const int selected = std::min(SelectedColumnBox->count(), TOptionDesc::MaxColumns - 1);
    o.ColumnCount = selected + 1;
    o.Columns[0].Kind = 1;
    for (int i = 0; i < selected; ++i)
        o.Columns[size_t(i + 1)].Kind =
            uint8_t(SelectedColumnBox->item(i)->data(Qt::UserRole).toInt());
}

bool TFormOption::HotKeyChanged() const {
    return HotKey1->virtualKey() != m_loadedKey || HotKey1->modifiers() != m_loadedMods;
}

// ---- page behaviours --------------------------------------------------------------------

void TFormOption::SetTrayNote(const QString& text) {
    LabelTrayNote->setText(text);
    LabelTrayNote->setVisible(!text.isEmpty());
}

void TFormOption::SetHotKeyNote(const QString& text) {
    LabelHotKeyNote->setText(text);
    LabelHotKeyNote->setVisible(!text.isEmpty());
}

void TFormOption::CheckStayOnClick() {
    if (!CheckStayOn->isChecked())
        CheckHideForm->setChecked(false);
    CheckHideForm->setEnabled(CheckStayOn->isChecked());
}

void TFormOption::setLabelImage(int index, int image) {
    m_labelImages[size_t(index)] = image;
    IB[size_t(index)]->setIcon(QIcon(NodeImages::label(image)));
}

void TFormOption::IBClick(int index) {
    m_chooserFor = index;
    IB[size_t(index)]->setChecked(true);
    DrawGrid1->setSelectedImage(m_labelImages[size_t(index)]);
    QToolButton* b = IB[size_t(index)];
    PopupPanel1->move(b->mapToGlobal(QPoint(0, b->height())));
    PopupPanel1->show();
    DrawGrid1->setFocus();
}

void TFormOption::DrawGrid1Click(int row, int column) {
    if (m_chooserFor >= 0) {
        setLabelImage(m_chooserFor, row * TLabelImageGrid::Columns + column);
        m_labelImagesChanged = true;
    }
    closeChooser();
}

void TFormOption::closeChooser() {
    PopupPanel1->hide();
    if (m_chooserFor >= 0)
        IB[size_t(m_chooserFor)]->setChecked(false);
    m_chooserFor = -1;
}

bool TFormOption::eventFilter(QObject* watched, QEvent* event) {
    // However the chooser closes, its button is released.
    if (watched == PopupPanel1 && event->type() == QEvent::Hide && m_chooserFor >= 0) {
        IB[size_t(m_chooserFor)]->setChecked(false);
        m_chooserFor = -1;
    }
    return QDialog::eventFilter(watched, event);
}

void TFormOption::showFont() {
    Label5->setText(Cp932::toUnicode(m_defFont.Name));
    Label7->setText(QString::number(m_defFont.Size));
    Label6->setText(styleText(m_defFont));
    SetSwatchColor(PanelColor, uint32_t(m_defFont.Color));
}

void TFormOption::Button1Click() {
    TFontDesc font = m_defFont;
    if (ChooseFont && ChooseFont(font, this)) {
        m_defFont = font;
        showFont();
    }
}

void TFormOption::BackColorClick(QFrame* target) {
    uint32_t color = SwatchColor(target);
    if (TColorLookupComboBox::ChooseColor && TColorLookupComboBox::ChooseColor(color, this))
        SetSwatchColor(target, color);
}

void TFormOption::MoveColumnClick(bool add) {
    QListWidget* from = add ? AvailableColumnBox : SelectedColumnBox;
    QListWidget* to = add ? SelectedColumnBox : AvailableColumnBox;
    const int row = from->currentRow();
    if (row < 0 || !from->item(row)->isSelected())
        return;
    to->addItem(from->takeItem(row));
    m_columnsChanged = true;
}

void TFormOption::SBUpClick(bool up) {
    const int row = SelectedColumnBox->currentRow();
    if (row < 0)
        return;
    const int target = up ? row - 1 : row + 1;
    if (target < 0 || target >= SelectedColumnBox->count())
        return;
    QListWidgetItem* item = SelectedColumnBox->takeItem(row);
    SelectedColumnBox->insertItem(target, item);
    SelectedColumnBox->setCurrentRow(target);
    m_columnsChanged = true;
}

void TFormOption::LoadDateFormats() {
    QString note;
    QString installError;
    DateFormatFile::InstallDefault(&installError);
    const DateFormatFile::TLoaded loaded = DateFormatFile::Load();
    if (!loaded.error.isEmpty()) {
        note = loaded.error;
    } else if (loaded.found) {
        for (QComboBox* box : {CBDateFormat, CBDateViewFormat}) {
            const QString text = box->currentText();
            box->clear();
            box->addItems(loaded.formats);
            box->setEditText(text);
        }
        if (loaded.skipped > 0)
            note = QStringLiteral("「DateFormat.txt」の読めない %1 行は候補に入れていません。")
                       .arg(loaded.skipped);
    } else if (!installError.isEmpty()) {
        note = installError;
    }
    LabelDateFormatNote->setText(note);
    LabelDateFormatNote->setVisible(!note.isEmpty());
}

void TFormOption::showEvent(QShowEvent* event) {
    LoadDateFormats();
    QDialog::showEvent(event);
}
