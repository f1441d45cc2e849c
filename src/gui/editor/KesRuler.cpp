#include "editor/KesRuler.h"

#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>

namespace {

// The guide line over the page while a marker is dragged.
class TGuideLine : public QWidget {
public:
    explicit TGuideLine(QWidget* parent) : QWidget(parent) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setObjectName(QStringLiteral("KesRulerGuide"));
        hide();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        // Black and white dots: visible on any page colour.
        p.fillRect(rect(), Qt::white);
        QPen pen(Qt::black, 1, Qt::DotLine);
        p.setPen(pen);
        p.drawLine(0, 0, 0, height());
    }
};

constexpr int MinGap = 20;

} // namespace

TKesRuler::TKesRuler(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("KesRuler"));
    setAccessibleName(QStringLiteral("ルーラー"));
    QFont f = font();
    f.setPixelSize(9);
    setFont(f);
    resize(100, 20);
    m_dpi = std::max(1, logicalDpiX());
    setMeasure(msInch);
}

TKesRuler::~TKesRuler() {
    // The guide line lives on the editor; it goes with the ruler.
    delete m_guide;
}

QSize TKesRuler::sizeHint() const {
    return QSize(100, 20);
}

void TKesRuler::setRichEdit(QTextEdit* edit) {
    if (m_edit) {
        m_edit->viewport()->removeEventFilter(this);
        disconnect(m_edit, nullptr, this, nullptr);
        disconnect(m_edit->document(), nullptr, this, nullptr);
    }
    delete m_guide;
    m_guide = nullptr;
    m_edit = edit;
    if (!edit)
        return;
    m_guide = new TGuideLine(edit->viewport());
    edit->viewport()->installEventFilter(this);
    connect(edit, &QTextEdit::cursorPositionChanged, this, &TKesRuler::scheduleUpdate);
    // A page loaded with the editor's signals held still changes the document.
    connect(edit->document(), &QTextDocument::contentsChanged, this, &TKesRuler::scheduleUpdate);
    connect(edit->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &TKesRuler::UpdateMargins);
    UpdateMargins();
    UpdateFromParagraph();
}

void TKesRuler::setMeasure(TMeasure measure) {
    m_measure = measure;
    const qint64 dpi = m_dpi;
    switch (measure) {
    case msInch:
        m_unit = dpi * 65536;
        m_labelStep = 1;
        m_divisions = 8;
        m_longEvery = 4;
        break;
    case msCenti:
        m_unit = dpi * 100 * 65536 / 254;
        m_labelStep = 1;
        m_divisions = 4;
        m_longEvery = 2;
        break;
    case msMilli:
        m_unit = dpi * 200 * 65536 / 254;
        m_labelStep = 20;
        m_divisions = 8;
        m_longEvery = 4;
        break;
    case msPoint:
        m_unit = dpi * 50 * 65536 / 72;
        m_labelStep = 50;
        m_divisions = 5;
        m_longEvery = 5;
        break;
    }
    update();
}

void TKesRuler::setScreenDpi(int dpi) {
    m_dpi = std::max(1, dpi);
    setMeasure(m_measure);
}

int TKesRuler::toPoints(double pixels) const {
    return int(std::lround(pixels * 72.0 / m_dpi));
}

void TKesRuler::scheduleUpdate() {
    if (m_updatePending)
        return;
    m_updatePending = true;
    // After the work that moved the caret has finished, as at an idle moment.
    QTimer::singleShot(0, this, [this] {
        m_updatePending = false;
        if (isVisible())
            UpdateFromParagraph();
    });
}

void TKesRuler::UpdateFromParagraph() {
    if (!m_edit || !isEnabled() || m_dragKind != 0)
        return;
    const QTextBlockFormat f = m_edit->textCursor().blockFormat();
    const int first = toPoints(f.leftMargin() + f.textIndent());
    const int left = toPoints(-f.textIndent());
    const int right = toPoints(f.rightMargin());
    const int newFirst = first * m_dpi / 72;
    const int newLeft = (first + left) * m_dpi / 72;
    const int newRight = right * m_dpi / 72;
    if (newFirst == IndentFirst && newLeft == IndentLeft && newRight == IndentRight)
        return;
    IndentFirst = newFirst;
    IndentLeft = newLeft;
    IndentRight = newRight;
    update();
}

void TKesRuler::UpdateMargins() {
    if (!m_edit)
        return;
    const QWidget* vp = m_edit->viewport();
    const int margin = int(m_edit->document()->documentMargin());
    const int vpLeft = mapFromGlobal(vp->mapToGlobal(QPoint(0, 0))).x();
    MarginLeft = vpLeft + margin - m_edit->horizontalScrollBar()->value();
    MarginRight = width() - (vpLeft + vp->width() - margin);
    update();
}

int TKesRuler::MarkerPos(int kind) const {
    const int lo = MarginLeft;
    const int hi = std::max(lo, width() - MarginRight);
    int pos = 0;
    switch (kind) {
    case 1:
        pos = MarginLeft + IndentFirst;
        break;
    case 3:
        pos = width() - MarginRight - IndentRight;
        break;
    case 2:
    case 4:
    case 5:
        pos = MarginLeft + IndentLeft;
        break;
    case 6:
    case 8:
    case 9:
        pos = m_dragPos;
        break;
    case 7:
        pos = std::min(m_dragPos + IndentFirst - IndentLeft, MarkerPos(3) - MinGap);
        break;
    default:
        return lo;
    }
    return std::clamp(pos, lo, hi);
}

QRect TKesRuler::MarkerRect(int kind) const {
    const int pos = MarkerPos(kind);
    const int h = height();
    int top = 0, bottom = 0;
    switch (kind) {
    case 1:
    case 6:
    case 7:
        top = 0;
        bottom = 8;
        break;
    case 2:
    case 3:
    case 9:
        top = h - 13;
        bottom = h - 5;
        break;
    case 4:
        top = h - 5;
        bottom = h;
        break;
    default: // 5, 8
        top = h - 13;
        bottom = h;
        break;
    }
    return QRect(QPoint(pos - 4, top), QPoint(pos + 5, bottom));
}

QVector<TKesRuler::TMark> TKesRuler::ScaleMarks() const {
    QVector<TMark> marks;
    if (m_unit <= 0 || m_divisions <= 0)
        return marks;
    qint64 pos = qint64(MarginLeft) << 16;
    int label = 0;
    while (pos > 0) {
        pos -= m_unit;
        label -= m_labelStep;
    }
    const qint64 end = qint64(width()) << 16;
    while (pos <= end) {
        const int x = int(pos >> 16);
        if (x > 0 && label != 0)
            marks.push_back(TMark{x, std::abs(label), true, false});
        for (int i = 1; i < m_divisions; ++i) {
            const int tx = int((pos + m_unit * i / m_divisions) >> 16);
            if (tx > 0 && tx <= width())
                marks.push_back(TMark{tx, 0, false, i % m_longEvery == 0});
        }
        pos += m_unit;
        label += m_labelStep;
    }
    return marks;
}

void TKesRuler::drawMarker(QPainter& p, int x, bool top, bool ghost, bool box) const {
    const int h = height();
    const int y = top ? 0 : h - 6;
    const int s = top ? 3 : -3;
    const int t = top ? 7 : -7;
    const QPoint shape[5] = {QPoint(x - 4, y), QPoint(x + 4, y), QPoint(x + 4, y + s),
                             QPoint(x, y + t), QPoint(x - 4, y + s)};
    const QPalette& pal = palette();
    p.setBrush(pal.button());
    p.setPen(ghost ? pal.color(QPalette::Dark) : QColor(Qt::black));
    p.drawPolygon(shape, 5);
    if (box)
        p.drawRect(QRect(QPoint(x - 4, h - 6), QPoint(x + 4, h - 1)));
    if (!ghost) {
        p.setPen(pal.color(QPalette::Light));
        p.drawLine(x - 3, y + (top ? 1 : -1), x - 3, y + s);
    }
}

void TKesRuler::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QPalette& pal = palette();
    const int w = width(), h = height();
    const QColor face = pal.color(QPalette::Button);
    const QColor shadow = pal.color(QPalette::Dark);
    p.fillRect(0, 0, w, 3, face);
    p.fillRect(0, h - 5, w, 5, face);
    const int left = MarginLeft, right = w - MarginRight;
    p.fillRect(QRect(QPoint(0, 3), QPoint(left - 1, h - 6)), shadow);
    p.fillRect(QRect(QPoint(right + 1, 3), QPoint(w - 1, h - 6)), shadow);
    // The text area takes the page's colour, so the ruler reads as part of it.
    const QColor paper = m_edit && isEnabled() ? m_edit->viewport()->palette().color(QPalette::Base)
                                               : pal.color(QPalette::Base);
    p.fillRect(QRect(QPoint(left + 1, 3), QPoint(right - 1, h - 6)), paper);
    p.setPen(face);
    p.drawLine(left, 3, left, h - 6);
    p.drawLine(right, 3, right, h - 6);

    p.setPen(isEnabled() ? QColor(Qt::black) : face);
    const QFontMetrics fm(font());
    for (const TMark& m : ScaleMarks()) {
        if (m.isLabel) {
            const QString text = QString::number(m.label);
            const int tw = fm.horizontalAdvance(text);
            p.drawText(QRect(m.x - tw, 0, tw * 2, h), Qt::AlignCenter, text);
        } else if (m.isLong) {
            p.drawLine(m.x, (h - 5) / 2, m.x, (h - 5) / 2 + 4);
        } else {
            p.drawPoint(m.x, (h - 2) / 2);
        }
    }
    if (!isEnabled())
        return;
    const int k = m_dragKind;
    drawMarker(p, MarkerPos(1), true, k == 1 || k == 4, false);
    drawMarker(p, MarkerPos(2), false, k == 2 || k == 4, true);
    drawMarker(p, MarkerPos(3), false, k == 3, false);
    switch (k) {
    case 1:
        drawMarker(p, MarkerPos(6), true, false, false);
        break;
    case 2:
        drawMarker(p, MarkerPos(9), false, false, false);
        break;
    case 3:
        drawMarker(p, MarkerPos(9), false, false, false);
        break;
    case 4:
        drawMarker(p, MarkerPos(7), true, false, false);
        drawMarker(p, MarkerPos(8), false, false, true);
        break;
    default:
        break;
    }
}

int TKesRuler::DragTarget(int kind, int x) const {
    const qint64 half = m_unit / m_divisions / 2;
    int pos = x;
    if (half > 0) {
        // Truncating division rounds toward the margin on both sides.
        const qint64 steps = (qint64(x - MarginLeft) << 16) / half;
        pos = MarginLeft + int(steps * half / 65536);
    }
    const int lo = MarginLeft;
    const int hi = std::max(lo, width() - MarginRight);
    pos = std::clamp(pos, lo, hi);
    if (kind == 1 || kind == 2 || kind == 4)
        pos = std::min(pos, MarkerPos(3) - MinGap);
    else if (kind == 3)
        pos = std::max(pos, std::max(MarkerPos(1), MarkerPos(2)) + MinGap);
    // A ruler too narrow for the gaps still never gives a negative indent.
    return std::clamp(pos, lo, hi);
}

void TKesRuler::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !isEnabled())
        return;
    const QPoint pt = event->position().toPoint();
    for (int kind : {1, 2, 3, 4}) {
        if (MarkerRect(kind).contains(pt)) {
            m_dragPos = MarkerPos(kind);
            m_dragKind = kind;
            showGuideLine(m_dragPos);
            update();
            return;
        }
    }
}

void TKesRuler::mouseMoveEvent(QMouseEvent* event) {
    if (m_dragKind == 0)
        return;
    const int pos = DragTarget(m_dragKind, event->position().toPoint().x());
    if (pos == m_dragPos)
        return;
    m_dragPos = pos;
    showGuideLine(pos);
    update();
}

void TKesRuler::mouseReleaseEvent(QMouseEvent* event) {
    if (m_dragKind == 0 || event->button() != Qt::LeftButton)
        return;
    hideGuideLine();
    writeIndents(m_dragKind);
    m_dragKind = 0;
    update();
}

void TKesRuler::writeIndents(int kind) {
    const int first7 = MarkerPos(7);
    switch (kind) {
    case 1:
        IndentFirst = m_dragPos - MarginLeft;
        break;
    case 2:
        IndentLeft = m_dragPos - MarginLeft;
        break;
    case 3:
        IndentRight = width() - MarginRight - m_dragPos;
        break;
    case 4:
        IndentFirst = first7 - MarginLeft;
        IndentLeft = m_dragPos - MarginLeft;
        break;
    default:
        return;
    }
    if (!m_edit)
        return;
    // Points, as the paragraph keeps them; back to the editor's pixels.
    auto px = [this](int rulerPixels) { return (rulerPixels * 72 / m_dpi) * double(m_dpi) / 72; };
    QTextCursor c = m_edit->textCursor();
    const QTextBlockFormat cur = c.blockFormat();
    QTextBlockFormat f;
    if (kind == 3) {
        f.setRightMargin(px(IndentRight));
    } else {
        // The marker not dragged keeps its place: the ruler shows it there.
        const double firstAbs = kind == 2 ? cur.leftMargin() + cur.textIndent() : px(IndentFirst);
        const double leftAbs = kind == 1 ? cur.leftMargin() : px(IndentLeft);
        f.setLeftMargin(leftAbs);
        f.setTextIndent(firstAbs - leftAbs);
    }
    c.mergeBlockFormat(f);
}

void TKesRuler::showGuideLine(int x) {
    if (!m_guide || !m_edit)
        return;
    QWidget* vp = m_edit->viewport();
    const int vx = vp->mapFromGlobal(mapToGlobal(QPoint(x, 0))).x();
    m_guide->setGeometry(vx, 0, 1, vp->height());
    m_guide->show();
    m_guide->raise();
}

void TKesRuler::hideGuideLine() {
    if (m_guide)
        m_guide->hide();
}

int TKesRuler::GuideLineX() const {
    if (!m_guide || !m_edit || m_guide->isHidden())
        return -1;
    return mapFromGlobal(m_edit->viewport()->mapToGlobal(m_guide->pos())).x();
}

void TKesRuler::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    UpdateMargins();
}

void TKesRuler::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    UpdateMargins();
    UpdateFromParagraph();
}

void TKesRuler::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        if (!isEnabled() && m_dragKind != 0) {
            hideGuideLine();
            m_dragKind = 0;
        }
        UpdateFromParagraph();
        update();
    }
}

bool TKesRuler::eventFilter(QObject* watched, QEvent* event) {
    if (m_edit && watched == m_edit->viewport() &&
        (event->type() == QEvent::Resize || event->type() == QEvent::Move))
        UpdateMargins();
    return QWidget::eventFilter(watched, event);
}
