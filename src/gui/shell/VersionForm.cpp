#include "shell/VersionForm.h"

#include "dialogs/DialogFrame.h"
#include "shell/Splash.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

TFormVersion::TFormVersion(QWidget* parent) : QDialog(parent, DialogFrame::Flags) {
    setObjectName(QStringLiteral("FormVersion"));
    setWindowTitle(QStringLiteral("バージョン情報"));
    auto* icon = new QLabel(this);
    icon->setPixmap(TFormSplash::IconPicture());
    auto* title = new QLabel(this);
    title->setPixmap(TFormSplash::TitlePicture());
    auto* version = new QLabel(QString::fromLatin1(TFormSplash::Version), this);
    version->setObjectName(QStringLiteral("LabelVersion"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1);
    grid->addWidget(title, 0, 1);
    grid->addWidget(version, 1, 1);
    grid->addWidget(buttons, 2, 0, 1, 2);
    setModal(true);
}
