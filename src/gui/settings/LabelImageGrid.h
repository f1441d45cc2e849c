#pragma once

#include <QWidget>

// The label image chooser: 8 columns by 2 rows of label images, no scroll
// bars; the image number of a cell is row x 8 + column.
class TLabelImageGrid : public QWidget {
    Q_OBJECT
public:
    static constexpr int Columns = 8;
    static constexpr int Rows = 2;
    static constexpr int CellSize = 22;

    explicit TLabelImageGrid(QWidget* parent = nullptr);

    // The cell drawn as selected, -1 for none.
    void setSelectedImage(int image);
    int selectedImage() const { return m_selected; }
    QSize sizeHint() const override;
    // Top-left corner of a cell, for clicks in tests.
    static QPoint cellOrigin(int row, int column);

Q_SIGNALS:
    void cellClicked(int row, int column);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int m_selected = -1;
};
