#include "settings/LabelImageGrid.h"

#include "tree/NodeImages.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

TLabelImageGrid::TLabelImageGrid(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setFixedSize(sizeHint());
    setAccessibleName(QStringLiteral("ラベルの画像"));
}

QSize TLabelImageGrid::sizeHint() const {
    return QSize(Columns * CellSize, Rows * CellSize);
}

QPoint TLabelImageGrid::cellOrigin(int row, int column) {
    return QPoint(column * CellSize, row * CellSize);
}

void TLabelImageGrid::setSelectedImage(int image) {
    m_selected = image;
    update();
}

void TLabelImageGrid::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    for (int row = 0; row < Rows; ++row) {
        for (int column = 0; column < Columns; ++column) {
            const int image = row * Columns + column;
            const QRect cell(cellOrigin(row, column), QSize(CellSize, CellSize));
            if (image == m_selected)
                p.fillRect(cell, QColor(0xC0, 0xC0, 0xC0));
            const QPixmap pm = NodeImages::label(column + row * Columns);
            if (!pm.isNull())
                p.drawPixmap(cell.topLeft() + QPoint(3, 3), pm);
        }
    }
}

void TLabelImageGrid::mousePressEvent(QMouseEvent* event) {
    const QPoint pos = event->position().toPoint();
    const int column = pos.x() / CellSize;
    const int row = pos.y() / CellSize;
    if (pos.x() < 0 || pos.y() < 0 || column >= Columns || row >= Rows)
        return;
    Q_EMIT cellClicked(row, column);
}

void TLabelImageGrid::keyPressEvent(QKeyEvent* event) {
    // Reachable without a mouse: arrows move, Enter or Space choose.
    int image = m_selected < 0 ? 0 : m_selected;
    switch (event->key()) {
    case Qt::Key_Left:
        image = std::max(0, image - 1);
        break;
    case Qt::Key_Right:
        image = std::min(Rows * Columns - 1, image + 1);
        break;
    case Qt::Key_Up:
        image = image >= Columns ? image - Columns : image;
        break;
    case Qt::Key_Down:
        image = image + Columns < Rows * Columns ? image + Columns : image;
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        Q_EMIT cellClicked(image / Columns, image % Columns);
        return;
    default:
        QWidget::keyPressEvent(event);
        return;
    }
    setSelectedImage(image);
}
