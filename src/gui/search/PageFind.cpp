#include "search/PageFind.h"

#include "dialogs/DialogFrame.h"
#include "dialogs/MessageBox.h"
#include "file/Cp932.h"
#include "search/FindDesc.h"
#include "search/PageScan.h"
#include "shell/CommandTable.h"
#include "shell/MainForm.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>

namespace {

void prepare(TFindDesc& fd, const QString& pattern, bool matchCase, bool wholeWord) {
    fd.Reset();
    fd.SetStringCondition(Cp932::fromUnicode(pattern), wholeWord, false, true, !matchCase);
}

} // namespace

TFindReplaceDialog::TFindReplaceDialog(bool replace, QWidget* parent)
    : QDialog(parent, DialogFrame::Flags) {
    setObjectName(replace ? QStringLiteral("ReplaceDialog1") : QStringLiteral("FindDialog1"));
    setWindowTitle(replace ? QStringLiteral("置換") : QStringLiteral("検索"));
    setModal(false);
    auto* root = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* right = new QVBoxLayout;
    root->addLayout(left, 1);
    root->addLayout(right);

    auto* fields = new QGridLayout;
    auto* findLabel = new QLabel(QStringLiteral("検索する文字列(&N):"), this);
    FindText = new QLineEdit(this);
    FindText->setObjectName(QStringLiteral("FindText"));
    FindText->setAccessibleName(QStringLiteral("検索する文字列"));
    findLabel->setBuddy(FindText);
    fields->addWidget(findLabel, 0, 0);
    fields->addWidget(FindText, 0, 1);
    if (replace) {
        auto* replaceLabel = new QLabel(QStringLiteral("置換後の文字列(&P):"), this);
        ReplaceText = new QLineEdit(this);
        ReplaceText->setObjectName(QStringLiteral("ReplaceText"));
        ReplaceText->setAccessibleName(QStringLiteral("置換後の文字列"));
        replaceLabel->setBuddy(ReplaceText);
        fields->addWidget(replaceLabel, 1, 0);
        fields->addWidget(ReplaceText, 1, 1);
    }
    left->addLayout(fields);
    auto* options = new QHBoxLayout;
    auto* checks = new QVBoxLayout;
    WholeWord = new QCheckBox(QStringLiteral("単語単位で探す(&W)"), this);
    WholeWord->setObjectName(QStringLiteral("WholeWord"));
    MatchCase = new QCheckBox(QStringLiteral("大文字と小文字を区別する(&C)"), this);
    MatchCase->setObjectName(QStringLiteral("MatchCase"));
    checks->addWidget(WholeWord);
    checks->addWidget(MatchCase);
    options->addLayout(checks);
    auto* direction = new QGroupBox(QStringLiteral("検索する方向"), this);
    auto* dirLayout = new QHBoxLayout(direction);
    Up = new QRadioButton(QStringLiteral("上へ(&U)"), direction);
    Down = new QRadioButton(QStringLiteral("下へ(&D)"), direction);
    Down->setChecked(true);
    dirLayout->addWidget(Up);
    dirLayout->addWidget(Down);
    direction->setEnabled(false); // downwards only
    if (!replace)
        options->addWidget(direction);
    else
        direction->hide();
    left->addLayout(options);
    left->addStretch(1);

    FindNext = new QPushButton(QStringLiteral("次を検索(&F)"), this);
    FindNext->setObjectName(QStringLiteral("FindNext"));
    FindNext->setDefault(true);
    right->addWidget(FindNext);
    connect(FindNext, &QPushButton::clicked, this, &TFindReplaceDialog::findRequested);
    if (replace) {
        Replace = new QPushButton(QStringLiteral("置換して次に(&R)"), this);
        Replace->setObjectName(QStringLiteral("Replace"));
        ReplaceAll = new QPushButton(QStringLiteral("すべて置換(&A)"), this);
        ReplaceAll->setObjectName(QStringLiteral("ReplaceAll"));
        right->addWidget(Replace);
        right->addWidget(ReplaceAll);
        connect(Replace, &QPushButton::clicked, this, &TFindReplaceDialog::replaceRequested);
        connect(ReplaceAll, &QPushButton::clicked, this, &TFindReplaceDialog::replaceAllRequested);
    }
    Cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    Cancel->setObjectName(QStringLiteral("Cancel"));
    right->addWidget(Cancel);
    right->addStretch(1);
    connect(Cancel, &QPushButton::clicked, this, &QDialog::close);
    const auto enable = [this] {
        const bool any = !FindText->text().isEmpty();
        FindNext->setEnabled(any);
        if (Replace)
            Replace->setEnabled(any);
        if (ReplaceAll)
            ReplaceAll->setEnabled(any);
    };
    connect(FindText, &QLineEdit::textChanged, this, enable);
    enable();
}

QString TFindReplaceDialog::findText() const {
    return FindText->text();
}
QString TFindReplaceDialog::replaceText() const {
    return ReplaceText ? ReplaceText->text() : QString();
}
bool TFindReplaceDialog::matchCase() const {
    return MatchCase->isChecked();
}
bool TFindReplaceDialog::wholeWord() const {
    return WholeWord->isChecked();
}

TPageFind::TPageFind(TFormMain& form)
    : QObject(&form), m_form(form), m_find(new TFindReplaceDialog(false, &form)),
      m_replace(new TFindReplaceDialog(true, &form)) {
    setObjectName(QStringLiteral("PageFind"));
    connect(m_find, &TFindReplaceDialog::findRequested, this,
            [this] { m_form.Commands->guarded([this] { FindDialog1Find(m_find); }); });
    connect(m_replace, &TFindReplaceDialog::findRequested, this,
            [this] { m_form.Commands->guarded([this] { FindDialog1Find(m_replace); }); });
    connect(m_replace, &TFindReplaceDialog::replaceRequested, this,
            [this] { m_form.Commands->guarded([this] { ReplaceDialog1Replace(false); }); });
    connect(m_replace, &TFindReplaceDialog::replaceAllRequested, this,
            [this] { m_form.Commands->guarded([this] { ReplaceDialog1Replace(true); }); });
    m_form.Commands->setHandler(QStringLiteral("ItemFindInPageClick"),
                                [this](int) { ItemFindInPageClick(); });
    m_form.Commands->setHandler(QStringLiteral("ItemReplaceInPageClick"),
                                [this](int) { ItemReplaceInPageClick(); });
}

TPageFind* TPageFind::of(TFormMain& form) {
    return form.findChild<TPageFind*>(QStringLiteral("PageFind"), Qt::FindDirectChildrenOnly);
}

void TPageFind::ItemFindInPageClick() {
    // The selected text is what one usually looks for.
    const QString selected = m_form.RichEdit->textCursor().selectedText();
    if (!selected.isEmpty() && !selected.contains(QChar::ParagraphSeparator))
        m_find->FindText->setText(selected);
    m_find->show();
    m_find->raise();
    m_find->activateWindow();
    m_find->FindText->setFocus();
    m_find->FindText->selectAll();
}

void TPageFind::ItemReplaceInPageClick() {
    m_replace->MatchCase->setChecked(m_find->MatchCase->isChecked());
    m_replace->WholeWord->setChecked(m_find->WholeWord->isChecked());
    if (m_replace->FindText->text().isEmpty())
        m_replace->FindText->setText(m_find->FindText->text());
    m_replace->show();
    m_replace->raise();
    m_replace->activateWindow();
    m_replace->FindText->setFocus();
    m_replace->FindText->selectAll();
}

bool TPageFind::FindNextInPage(QTextEdit* page, const QString& pattern, bool matchCase,
                               bool wholeWord) {
    TFindDesc fd;
    prepare(fd, pattern, matchCase, wholeWord);
    if (!fd.OnString)
        return false;
    const TPageScan scan(page->document()->toPlainText());
    const int after = page->textCursor().selectionEnd();
    if (!fd.FindFrom(scan.bytes(), scan.byteAt(after) + 1))
        return false;
    QTextCursor c(page->document());
    c.setPosition(scan.charAt(fd.Position - 1));
    c.setPosition(scan.charAt(fd.Position - 1 + fd.MatchLength), QTextCursor::KeepAnchor);
    page->setTextCursor(c);
    page->ensureCursorVisible();
    return true;
}

int TPageFind::ReplaceAllInPage(QTextEdit* page, const QString& pattern, const QString& replacement,
                                bool matchCase, bool wholeWord) {
    TFindDesc fd;
    prepare(fd, pattern, matchCase, wholeWord);
    if (!fd.OnString || page->isReadOnly())
        return 0;
    // The scan runs over a copy of the bytes that takes every replacement,
    // exactly as scanning the edited page again would; the page gets the
    // same edits at the matching character positions.
    const TPageScan scan(page->document()->toPlainText());
    QByteArray buf = scan.bytes();
    const QByteArray with = Cp932::fromUnicode(replacement);
    const int withChars = int(replacement.size());
    qsizetype byteDelta = 0;
    int charDelta = 0;
    int count = 0;
    int32_t pos = 1;
    QTextCursor c(page->document());
    c.beginEditBlock();
    while (fd.FindFrom(buf, pos)) {
        const qsizetype at = fd.Position - 1;
        const qsizetype length = fd.MatchLength;
        const int from = scan.charAt(int(at - byteDelta)) + charDelta;
        const int to = scan.charAt(int(at - byteDelta + length)) + charDelta;
        c.setPosition(from);
        c.setPosition(to, QTextCursor::KeepAnchor);
        c.insertText(replacement);
        buf.replace(at, length, with);
        byteDelta += with.size() - length;
        charDelta += withChars - (to - from);
        pos = int32_t(at + 1 + with.size());
        ++count;
    }
    c.endEditBlock();
    if (count > 0)
        page->setTextCursor(c);
    return count;
}

void TPageFind::FindDialog1Find(TFindReplaceDialog* dialog) {
    if (FindNextInPage(m_form.RichEdit, dialog->findText(), dialog->matchCase(),
                       dialog->wholeWord()))
        return;
    dialog->close();
    MessageBox::information(&m_form, QStringLiteral("WrenNOTE"),
                            QStringLiteral("検索文字列は見つかりませんでした。"));
}

void TPageFind::ReplaceDialog1Replace(bool all) {
    QTextEdit* page = m_form.RichEdit;
    if (page->isReadOnly())
        return;
    if (all) {
        ReplaceAllInPage(page, m_replace->findText(), m_replace->replaceText(),
                         m_replace->matchCase(), m_replace->wholeWord());
        m_replace->close();
        return;
    }
    // Whatever the selection holds; an empty one takes the text at the caret.
    QTextCursor c = page->textCursor();
    c.insertText(m_replace->replaceText());
    page->setTextCursor(c);
    FindDialog1Find(m_replace);
}

void InstallPageFind(TFormMain& form) {
    if (!TPageFind::of(form))
        new TPageFind(form);
}
