#include "links/AddFileForm.h"

#include "dialogs/FileDialog.h"

#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

std::function<bool(QWidget*, QString&)> TFormAddFile::Ask = [](QWidget* parent, QString& text) {
    TFormAddFile form(parent, text);
    if (form.exec() != QDialog::Accepted)
        return false;
    text = form.text();
    return true;
};

TFormAddFile::TFormAddFile(QWidget* parent, const QString& text) : QDialog(parent) {
    setObjectName(QStringLiteral("FormAddFile"));
    setWindowTitle(text.isEmpty() ? QStringLiteral("追加ファイルの指定")
                                  : QStringLiteral("指定ファイルの編集"));
    resize(502, 100);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(
        QStringLiteral("新しい URL またはファイル名（フルパス）を指定してください。"), this));
    layout->addWidget(new QLabel(
        QStringLiteral("（参照ボタンを押すと、ファイルダイアログから選択することができます。）"),
        this));
    Edit1 = new QLineEdit(text, this);
    Edit1->setObjectName(QStringLiteral("Edit1"));
    layout->addWidget(Edit1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("キャンセル"), this);
    auto* browseButton = new QPushButton(QStringLiteral("参照...(&R)"), this);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(browseButton);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(browseButton, &QPushButton::clicked, this, &TFormAddFile::browse);
    Edit1->setFocus();
}

QString TFormAddFile::text() const {
    return Edit1->text();
}

void TFormAddFile::browse() {
    const QString name = FileDialog::getOpenFileName(
        this, QStringLiteral("ファイルを開く"), QString(), QStringLiteral("全てのファイル (*)"));
    if (!name.isEmpty())
        Edit1->setText(LongPathName(name));
}

QString LongPathName(const QString& path) {
    QString p = path;
    while (p.size() > 1 && p.endsWith(QLatin1Char('/')))
        p.chop(1);
    const QFileInfo info(p);
    if (!info.exists())
        return p;
    // The folder's own spelling, the last component as the folder lists it.
    const QString folder = info.absolutePath();
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    const QString name = info.fileName();
    if (name.isEmpty())
        return canonicalFolder.isEmpty() ? p : canonicalFolder;
    const QStringList names = QDir(folder).entryList(QDir::AllEntries | QDir::Hidden |
                                                     QDir::System | QDir::NoDotAndDotDot);
    QString listed = name;
    for (const QString& n : names)
        if (n.compare(name, Qt::CaseInsensitive) == 0) {
            listed = n;
            if (n == name)
                break;
        }
    const QString base = canonicalFolder.isEmpty() ? folder : canonicalFolder;
    return base.endsWith(QLatin1Char('/')) ? base + listed : base + QLatin1Char('/') + listed;
}
