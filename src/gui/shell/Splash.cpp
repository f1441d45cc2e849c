#include "shell/Splash.h"

#include "tree/NodeImages.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QGridLayout>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QScreen>

const char* const TFormSplash::Version = "ver.1.66";

TFormSplash::TFormSplash() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName(QStringLiteral("FormSplash"));
    setWindowTitle(QStringLiteral("WrenNOTE を起動しています"));
    setAttribute(Qt::WA_DeleteOnClose, false);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("ImageIcon"));
    icon->setPixmap(IconPicture());
    auto* title = new QLabel(this);
    title->setObjectName(QStringLiteral("ImageTitle"));
    title->setPixmap(TitlePicture());
    LabelVersion = new QLabel(QString::fromLatin1(Version), this);
    LabelVersion->setObjectName(QStringLiteral("LabelVersion"));
    LabelBeta = new QLabel(QString(), this);
    LabelBeta->setObjectName(QStringLiteral("LabelBeta"));
    LabelProgress = new QLabel(this);
    LabelProgress->setObjectName(QStringLiteral("LabelProgress"));

    auto* grid = new QGridLayout(this);
    grid->addWidget(icon, 0, 0, 2, 1);
    grid->addWidget(title, 0, 1, 1, 2);
    grid->addWidget(LabelVersion, 1, 1);
    grid->addWidget(LabelBeta, 1, 2);
    grid->addWidget(LabelProgress, 2, 0, 1, 3);
    setStyleSheet(QStringLiteral("#FormSplash { background: white; border: 1px solid #6a7f99; }"));
    setAutoFillBackground(true);
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TFormSplash::SetProgress(const QString& text) {
    LabelProgress->setText(text);
    if (isVisible()) {
        repaint();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    }
}

QString TFormSplash::Progress() const {
    return LabelProgress->text();
}

QPixmap TFormSplash::IconPicture() {
    return NodeImages::programIcon().pixmap(64, 64);
}

QPixmap TFormSplash::TitlePicture() {
    QPixmap pixmap(240, 48);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient gradient(0, 0, 240, 0);
    gradient.setColorAt(0, QColor(0x2f, 0x5d, 0x8a));
    gradient.setColorAt(1, QColor(0x7a, 0xa6, 0xc8));
    QFont font(QStringLiteral("Sans Serif"));
    font.setPixelSize(34);
    font.setBold(true);
    p.setFont(font);
    p.setPen(QPen(QBrush(gradient), 1));
    p.drawText(pixmap.rect(), Qt::AlignVCenter | Qt::AlignLeft, QStringLiteral("WrenNOTE"));
    return pixmap;
}

void TFormSplash::changeEvent(QEvent* event) {
    // It steps aside as soon as the user turns to another window.
    if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow())
            m_wasActive = true;
        else if (m_wasActive)
            hide();
    }
    QWidget::changeEvent(event);
}
