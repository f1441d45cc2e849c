#pragma once

#include <QPointer>
#include <QRect>
#include <QVector>
#include <QWidget>

class QTextEdit;

// The ruler above the page: a scale from the text's left margin, grey areas
// outside the margins and the indent markers of the paragraph at the caret.
// Dragging a marker shows a guide line over the page and, on release, sets
// the paragraph's indents. Painted in logical pixels, so it stays sharp at
// any device pixel ratio.
class TKesRuler : public QWidget {
    Q_OBJECT
public:
    enum TMeasure { msInch, msCenti, msMilli, msPoint };
    // Marker kinds: 1 first line, 2 left, 3 right, 4 the box under the left
    // marker (moves both left markers); 5..9 their parts and dragged forms.
    enum Marker { mkFirst = 1, mkLeft = 2, mkRight = 3, mkLeftBox = 4 };

    explicit TKesRuler(QWidget* parent = nullptr);
    ~TKesRuler() override;

    QTextEdit* RichEdit() const { return m_edit; }
    void setRichEdit(QTextEdit* edit);

    int MarginLeft = 0;
    int MarginRight = 0;
    int IndentFirst = 0;
    int IndentLeft = 0;
    int IndentRight = 0;

    TMeasure Measure() const { return m_measure; }
    void setMeasure(TMeasure measure);
    // Pixels per inch; read from the screen when created.
    int ScreenDpi() const { return m_dpi; }
    void setScreenDpi(int dpi);

    // Scale parameters of the measure; UnitPixels in 16.16 fixed point.
    qint64 UnitPixels() const { return m_unit; }
    int LabelStep() const { return m_labelStep; }
    int Divisions() const { return m_divisions; }
    int LongTickEvery() const { return m_longEvery; }

    // The indents from the paragraph at the editor's caret (only while enabled).
    void UpdateFromParagraph();
    // The text margins from the editor's text area.
    void UpdateMargins();

    int MarkerPos(int kind) const;
    QRect MarkerRect(int kind) const;
    int DragKind() const { return m_dragKind; }
    int DragPos() const { return m_dragPos; }
    // x of the guide line over the page, -1 when none shows.
    int GuideLineX() const;

    // What the scale draws: labels (label != 0) and ticks.
    struct TMark {
        int x;
        int label; // for labels; 0 for ticks
        bool isLabel;
        bool isLong; // for ticks
    };
    QVector<TMark> ScaleMarks() const;

    // The snapped and limited position a drag of kind to x gives.
    int DragTarget(int kind, int x) const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void scheduleUpdate();
    void drawMarker(class QPainter& p, int x, bool top, bool ghost, bool box) const;
    void showGuideLine(int x);
    void hideGuideLine();
    void writeIndents(int kind);
    int toPoints(double pixels) const;

    QPointer<QTextEdit> m_edit;
    QPointer<QWidget> m_guide;
    TMeasure m_measure = msInch;
    int m_dpi = 96;
    qint64 m_unit = 0;
    int m_labelStep = 1;
    int m_divisions = 8;
    int m_longEvery = 4;
    int m_dragKind = 0;
    int m_dragPos = 0;
    bool m_updatePending = false;
};
