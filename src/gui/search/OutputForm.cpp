#include "search/OutputForm.h"

#include "dialogs/DialogFrame.h"
#include "output/OutputEngine.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

std::function<void(TFormOutput&, int)> TFormOutput::ItemHook;

TFormOutput::TFormOutput(QWidget* parent) : QDialog(parent, DialogFrame::Flags) {
    setObjectName(QStringLiteral("FormOutput"));
    setWindowFlags(DialogFrame::Flags | Qt::MSWindowsFixedSizeDialogHint);
    setWindowModality(Qt::ApplicationModal);
    setMinimumWidth(336);
    auto* root = new QVBoxLayout(this);
    Label1 = new QLabel(QStringLiteral("一続きのファイルとして出力中です。"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label2 = new QLabel(QStringLiteral("しばらくお待ちください。"), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setAccessibleName(QStringLiteral("出力の進み具合"));
    Label3 = new QLabel(this);
    Label3->setObjectName(QStringLiteral("Label3"));
    ButtonCancel = new QPushButton(QStringLiteral("中止"), this);
    ButtonCancel->setObjectName(QStringLiteral("ButtonCancel"));
    root->addWidget(Label1);
    root->addWidget(Label2);
    auto* row = new QHBoxLayout;
    row->addWidget(ProgressBar1, 1);
    row->addWidget(Label3);
    row->addWidget(ButtonCancel);
    root->addLayout(row);
    connect(ButtonCancel, &QPushButton::clicked, this, &TFormOutput::Cancel);
}

TOutputProgress TFormOutput::progress() {
    TOutputProgress p;
    p.started = [this](const QString& caption, int maximum) { start(caption, maximum); };
    p.itemStarting = [this](int position, int maximum) { itemStarting(position, maximum); };
    return p;
}

void TFormOutput::start(const QString& caption, int maximum) {
    m_cancelled = false;
    setWindowTitle(caption);
    ProgressBar1->setRange(0, std::max(1, maximum));
    ProgressBar1->setValue(0);
    Label3->setText(QStringLiteral("0 / %1").arg(maximum));
    show();
    QApplication::processEvents();
    m_sinceRepaint.start();
}

void TFormOutput::itemStarting(int position, int maximum) {
    if (ItemHook)
        ItemHook(*this, position);
    // Repainting before every one of 100 000 items would take longer than
    // writing them: the window follows a few times a second, and then also
    // sees the cancel button.
    if (m_sinceRepaint.elapsed() >= 40 || position == maximum) {
        ProgressBar1->setValue(position - 1);
        Label3->setText(QStringLiteral("%1 / %2").arg(position).arg(maximum));
        QApplication::processEvents();
        m_sinceRepaint.restart();
    }
    if (m_cancelled)
        throw EOutputCancelled();
}

void TFormOutput::closeEvent(QCloseEvent* event) {
    // The close box stops the export.
    if (isVisible())
        Cancel();
    QDialog::closeEvent(event);
}

void TFormOutput::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        Cancel();
        return;
    }
    QDialog::keyPressEvent(event);
}
