#include "search/FindForm.h"

#include "common/Clock.h"
#include "common/DateTime.h"
#include "dialogs/DialogFrame.h"
#include "file/Cp932.h"
#include "search/FindDesc.h"
#include "settings/OptionDesc.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

std::function<int(TFormFind&)> TFormFind::Runner = [](TFormFind& form) { return form.exec(); };

namespace {

QCheckBox* check(QWidget* parent, const char* name, const QString& text, bool checked) {
    auto* c = new QCheckBox(text, parent);
    c->setObjectName(QString::fromLatin1(name));
    c->setChecked(checked);
    return c;
}

QRadioButton* radio(QWidget* parent, const QString& name, const QString& text, bool checked) {
    auto* r = new QRadioButton(text, parent);
    r->setObjectName(name);
    r->setChecked(checked);
    return r;
}

} // namespace

TFormFind::TFormFind(QWidget* parent) : QDialog(parent, DialogFrame::Flags) {
    setObjectName(QStringLiteral("FormFind"));
    setWindowTitle(QStringLiteral("一覧検索の条件設定"));
    QFont f(QStringLiteral("ＭＳ Ｐゴシック"));
    f.setPixelSize(12);
    setFont(f);
    resize(549, 350);

    auto* root = new QVBoxLayout(this);

    // Scope.
    RGFindTarget = new QGroupBox(QStringLiteral("検索対象"), this);
    RGFindTarget->setObjectName(QStringLiteral("RGFindTarget"));
    auto* scope = new QHBoxLayout(RGFindTarget);
    FindTargetAll =
        radio(RGFindTarget, QStringLiteral("RGFindTarget0"), QStringLiteral("全項目(&A)"), true);
    FindTargetLevel = radio(RGFindTarget, QStringLiteral("RGFindTarget1"),
                            QStringLiteral("選択項目と同じ階層に属する項目(&S)"), false);
    FindTargetTray = radio(RGFindTarget, QStringLiteral("RGFindTarget2"),
                           QStringLiteral("フォーカストレイ中の項目（絞り込み検索）(&F)"), false);
    scope->addWidget(FindTargetAll);
    scope->addWidget(FindTargetLevel);
    scope->addWidget(FindTargetTray);
    root->addWidget(RGFindTarget);

    auto* columns = new QHBoxLayout;
    root->addLayout(columns);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    columns->addLayout(left, 1);
    columns->addLayout(right, 1);

    // Text.
    CheckOnString = check(this, "CheckOnString", QStringLiteral("文字列の検索(&T)"), true);
    left->addWidget(CheckOnString);
    Label1 = new QLabel(QStringLiteral("検索する文字列を入力して下さい。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    left->addWidget(Label1);
    StringBox = new QComboBox(this);
    StringBox->setObjectName(QStringLiteral("StringBox"));
    StringBox->setEditable(true);
    StringBox->setInsertPolicy(QComboBox::NoInsert);
    // What is typed is what is searched: no inline completion from the
    // history, and Enter never swaps the text for an entry that differs only
    // in case (the box's own Enter looks entries up without regard to case).
    StringBox->setCompleter(nullptr);
    StringBox->lineEdit()->installEventFilter(this);
    StringBox->setEditText(QStringLiteral("検索文字列"));
    StringBox->setAccessibleName(QStringLiteral("検索文字列"));
    Label1->setBuddy(StringBox);
    left->addWidget(StringBox);
    CheckIgnoreCase =
        check(this, "CheckIgnoreCase", QStringLiteral("大文字・小文字を区別しない。"), true);
    CheckMatchWord = check(this, "CheckMatchWord", QStringLiteral("単語として一致"), false);
    left->addWidget(CheckIgnoreCase);
    left->addWidget(CheckMatchWord);
    auto* where = new QHBoxLayout;
    Label3 = new QLabel(QStringLiteral("検索範囲："), this);
    Label3->setObjectName(QStringLiteral("Label3"));
    CheckInTitle = check(this, "CheckInTitle", QStringLiteral("項目タイトル"), true);
    CheckInText = check(this, "CheckInText", QStringLiteral("本文"), true);
    where->addWidget(Label3);
    where->addWidget(CheckInTitle);
    where->addWidget(CheckInText);
    where->addStretch(1);
    left->addLayout(where);

    // Labels and progress.
    CheckOnLabel = check(this, "CheckOnLabel", QStringLiteral("ラベル(&L)"), false);
    left->addWidget(CheckOnLabel);
    auto* labels = new QGridLayout;
    for (int i = 0; i < 8; ++i) {
        CheckLabels[i] = check(this, "", QString(), false);
        CheckLabels[i]->setObjectName(QStringLiteral("CheckLabel%1").arg(i));
        labels->addWidget(CheckLabels[i], i / 4, i % 4);
    }
    left->addLayout(labels);
    CheckOnProcStatus = check(this, "CheckOnProcStatus", QStringLiteral("進行状況(&P)"), false);
    left->addWidget(CheckOnProcStatus);
    auto* progress = new QHBoxLayout;
    CheckUnstarted = check(this, "CheckUnstarted", QStringLiteral("未着手"), false);
    CheckProceeding = check(this, "CheckProceeding", QStringLiteral("進行中"), false);
    CheckFinished = check(this, "CheckFinished", QStringLiteral("完了"), false);
    CheckStopped = check(this, "CheckStopped", QStringLiteral("保留"), false);
    for (QCheckBox* c : {CheckUnstarted, CheckProceeding, CheckFinished, CheckStopped})
        progress->addWidget(c);
    left->addLayout(progress);
    left->addStretch(1);

    // Dates.
    CheckOnDate = check(this, "CheckOnDate", QStringLiteral("日付の検索(&D)"), false);
    right->addWidget(CheckOnDate);
    RGDateType = new QGroupBox(QStringLiteral("検索対象"), this);
    RGDateType->setObjectName(QStringLiteral("RGDateType"));
    auto* types = new QHBoxLayout(RGDateType);
    const char* typeNames[4] = {"作成日", "更新日", "期日", "完了日"};
    for (int i = 0; i < 4; ++i) {
        DateTypeButtons[i] = radio(RGDateType, QStringLiteral("RGDateType%1").arg(i),
                                   QString::fromUtf8(typeNames[i]), i == 0);
        types->addWidget(DateTypeButtons[i]);
    }
    right->addWidget(RGDateType);
    RGKeyDate = new QGroupBox(QStringLiteral("検索する日付"), this);
    RGKeyDate->setObjectName(QStringLiteral("RGKeyDate"));
    auto* key = new QHBoxLayout(RGKeyDate);
    KeyDateToday = radio(RGKeyDate, QStringLiteral("RGKeyDate0"), QStringLiteral("今日"), true);
    KeyDateGiven = radio(RGKeyDate, QStringLiteral("RGKeyDate1"), QStringLiteral("指定日"), false);
    // Today when the dialog is first made; kept from then on, as the other controls are.
    KeyDatePicker = new QDateEdit(Clock::currentDateTime().date(), RGKeyDate);
    KeyDatePicker->setObjectName(QStringLiteral("KeyDatePicker"));
    KeyDatePicker->setCalendarPopup(true);
    KeyDatePicker->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    KeyDatePicker->setAccessibleName(QStringLiteral("指定日"));
    key->addWidget(KeyDateToday);
    key->addWidget(KeyDateGiven);
    key->addWidget(KeyDatePicker);
    right->addWidget(RGKeyDate);
    auto* range = new QHBoxLayout;
    CheckBeforeDate = check(this, "CheckBeforeDate", QStringLiteral("より前"), false);
    CheckAfterDate = check(this, "CheckAfterDate", QStringLiteral("より後"), false);
    CheckIsDate = check(this, "CheckIsDate", QStringLiteral("その日を含む"), true);
    range->addWidget(CheckBeforeDate);
    range->addWidget(CheckAfterDate);
    range->addWidget(CheckIsDate);
    range->addStretch(1);
    right->addLayout(range);
    auto* days = new QHBoxLayout;
    CheckUseMaxDays = check(this, "CheckUseMaxDays", QStringLiteral("検索期間を限定する。"), false);
    EditMaxDays = new QLineEdit(QStringLiteral("7"), this);
    EditMaxDays->setObjectName(QStringLiteral("EditMaxDays"));
    EditMaxDays->setAccessibleName(QStringLiteral("日以内"));
    EditMaxDays->setMaximumWidth(60);
    Label2 = new QLabel(QStringLiteral("日以内"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    days->addWidget(CheckUseMaxDays);
    days->addWidget(EditMaxDays);
    days->addWidget(Label2);
    days->addStretch(1);
    right->addLayout(days);

    CheckHasLimitDate =
        check(this, "CheckHasLimitDate", QStringLiteral("期日が設定されている"), false);
    CheckHasFinishDate =
        check(this, "CheckHasFinishDate", QStringLiteral("完了日が設定されている"), false);
    right->addWidget(CheckHasLimitDate);
    right->addWidget(CheckHasFinishDate);
    right->addStretch(1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    Button1 = new QPushButton(QStringLiteral("検索"), this);
    Button1->setObjectName(QStringLiteral("Button1"));
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("キャンセル"), this);
    Button2->setObjectName(QStringLiteral("Button2"));
    buttons->addWidget(Button1);
    buttons->addWidget(Button2);
    root->addLayout(buttons);

    connect(Button1, &QPushButton::clicked, this, [this] {
        Button1Click();
        accept();
    });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
    connect(CheckOnString, &QCheckBox::clicked, this, &TFormFind::CheckOnStringClick);
    connect(CheckOnDate, &QCheckBox::clicked, this, &TFormFind::CheckOnDateClick);
    connect(CheckUseMaxDays, &QCheckBox::clicked, this, &TFormFind::CheckUseMaxDaysClick);
    connect(CheckOnLabel, &QCheckBox::clicked, this, &TFormFind::CheckOnLabelClick);
    connect(CheckOnProcStatus, &QCheckBox::clicked, this, &TFormFind::CheckOnProcStatusClick);

    CheckOnStringClick();
    CheckOnDateClick();
    CheckOnLabelClick();
    CheckOnProcStatusClick();
    StringBox->setFocus();
}

bool TFormFind::eventFilter(QObject* watched, QEvent* event) {
    if (watched == StringBox->lineEdit() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            Button1->click();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

int TFormFind::findTargetIndex() const {
    return FindTargetLevel->isChecked() ? 1 : FindTargetTray->isChecked() ? 2 : 0;
}

int TFormFind::dateTypeIndex() const {
    for (int i = 0; i < 4; ++i)
        if (DateTypeButtons[i]->isChecked())
            return i;
    return 0;
}

void TFormFind::CheckOnStringClick() {
    const bool on = CheckOnString->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{StringBox, CheckIgnoreCase, CheckMatchWord,
                                                      CheckInTitle, CheckInText})
        w->setEnabled(on);
}

void TFormFind::CheckOnDateClick() {
    const bool on = CheckOnDate->isChecked();
    for (QWidget* w :
         std::initializer_list<QWidget*>{RGDateType, RGKeyDate, KeyDatePicker, CheckBeforeDate,
                                         CheckAfterDate, CheckIsDate, CheckUseMaxDays})
        w->setEnabled(on);
    CheckUseMaxDaysClick();
}

void TFormFind::CheckUseMaxDaysClick() {
    EditMaxDays->setEnabled(CheckOnDate->isChecked() && CheckUseMaxDays->isChecked());
}

void TFormFind::CheckOnLabelClick() {
    // The label boxes are found by their names, CheckLabel0 .. CheckLabel7.
    for (int i = 0; i < 8; ++i)
        if (auto* c = findChild<QCheckBox*>(QStringLiteral("CheckLabel%1").arg(i)))
            c->setEnabled(CheckOnLabel->isChecked());
}

void TFormFind::CheckOnProcStatusClick() {
    const bool on = CheckOnProcStatus->isChecked();
    for (QCheckBox* c : {CheckUnstarted, CheckProceeding, CheckFinished, CheckStopped})
        c->setEnabled(on);
}

void TFormFind::FormShow(const TOptionDesc& settings) {
    for (int i = 0; i < 8; ++i)
        CheckLabels[i]->setText(settings.labelName(i));
}

void TFormFind::Button1Click() {
    if (!StringBox->isEnabled())
        return;
    // To the top of the history; an equal entry further down goes first.
    const QString text = StringBox->currentText();
    for (int i = StringBox->count() - 1; i >= 0; --i)
        if (StringBox->itemText(i) == text)
            StringBox->removeItem(i);
    StringBox->insertItem(0, text);
    StringBox->setCurrentIndex(0);
    StringBox->setEditText(text);
}

bool TFormFind::Execute(TFindDesc& find, const TOptionDesc& settings) {
    FormShow(settings);
    StringBox->setFocus();
    StringBox->lineEdit()->selectAll();
    if (Runner(*this) != QDialog::Accepted)
        return false;

    QByteArray pattern;
    if (CheckOnString->isChecked()) {
        bool lossy = false;
        pattern = Cp932::fromUnicode(StringBox->currentText(), &lossy);
        if (lossy)
            throw ESearchInputError(QStringLiteral(
                "検索文字列に、検索できない文字（シフトJISにない文字）が含まれています。"));
    }

    find.Reset();
    if (findTargetIndex() == 1)
        find.SetCurrentLevel();
    else if (findTargetIndex() == 2)
        find.SetInFocusTray();
    if (CheckOnString->isChecked())
        find.SetStringCondition(pattern, CheckMatchWord->isChecked(), CheckInTitle->isChecked(),
                                CheckInText->isChecked(), CheckIgnoreCase->isChecked());
    if (CheckOnDate->isChecked()) {
        const double keyDate = KeyDateToday->isChecked()
                                   ? 0 // today, taken when each item is tested
                                   : WrenDate::fromDate(KeyDatePicker->date());
        int maxDays = 0;
        if (CheckUseMaxDays->isChecked()) {
            bool ok = false;
            const QString text = EditMaxDays->text();
            maxDays = text.trimmed().toInt(&ok);
            if (!ok)
                throw ESearchInputError(QStringLiteral("'%1' は整数ではありません").arg(text));
        }
        find.SetDateCondition(uint8_t(dateTypeIndex()), CheckBeforeDate->isChecked(),
                              CheckAfterDate->isChecked(), CheckIsDate->isChecked(), maxDays,
                              keyDate);
    }
    if (CheckOnLabel->isChecked()) {
        std::array<bool, 8> labels{};
        for (int i = 0; i < 8; ++i)
            labels[size_t(i)] = CheckLabels[i]->isChecked();
        find.SetLabelCondition(labels);
    }
    if (CheckOnProcStatus->isChecked())
        find.SetProgressCondition(CheckUnstarted->isChecked(), CheckProceeding->isChecked(),
                                  CheckFinished->isChecked(), CheckStopped->isChecked());
    if (CheckHasLimitDate->isChecked())
        find.SetHasDueDate();
    if (CheckHasFinishDate->isChecked())
        find.SetHasFinishDate();
    return true;
}
