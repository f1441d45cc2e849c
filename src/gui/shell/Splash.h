#pragma once

#include <QPixmap>
#include <QWidget>

class QLabel;

// The window shown while the program starts.
class TFormSplash : public QWidget {
    Q_OBJECT
public:
    static const char* const Version; // "ver.1.66"

    TFormSplash();

    // Shows the progress text and paints it at once.
    void SetProgress(const QString& text);
    QString Progress() const;

    // The two pictures, also shown by the version window.
    static QPixmap IconPicture();
    static QPixmap TitlePicture();

    QLabel* LabelVersion = nullptr;
    QLabel* LabelBeta = nullptr;
    QLabel* LabelProgress = nullptr;

protected:
    void changeEvent(QEvent* event) override;

private:
    bool m_wasActive = false;
};
