#include "tree/NodeImages.h"

#include <QHash>
#include <QPainter>

static void initWrenGuiResources() {
    Q_INIT_RESOURCE(wrengui_icons);
}

namespace NodeImages {

void ensureResources() {
    static bool done = false;
    if (!done) {
        done = true;
        initWrenGuiResources();
    }
}

static QPixmap load(const QString& path) {
    ensureResources();
    QPixmap pm(path);
    if (pm.isNull()) {
        pm = QPixmap(Size, Size);
        pm.fill(Qt::transparent);
    }
    return pm;
}

QPixmap node(int index) {
    static QHash<int, QPixmap> cache;
    if (index < 0 || index >= Count)
        return QPixmap();
    auto it = cache.find(index);
    if (it == cache.end())
        it = cache.insert(
            index, load(QStringLiteral(":/icons/node/%1.png").arg(index, 2, 10, QLatin1Char('0'))));
    return *it;
}

QPixmap label(int index) {
    static QHash<int, QPixmap> cache;
    if (index < 0 || index >= LabelCount)
        return QPixmap();
    auto it = cache.find(index);
    if (it == cache.end())
        it = cache.insert(index, load(QStringLiteral(":/icons/label/%1.png").arg(index)));
    return *it;
}

// Values outside the lists (a damaged file's progress or label image) draw
// nothing; folding them to -1 keeps the cache keys of real pictures apart.
static int inRange(int index, int count) {
    return index >= 0 && index < count ? index : -1;
}

static QPixmap composeNode(int nodeImage, int overlay) {
    QPixmap pm(Size, Size);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.drawPixmap(0, 0, node(nodeImage));
    if (overlay >= 0 && overlay <= 2)
        p.drawPixmap(0, 0, node(8 + overlay));
    return pm;
}

QIcon nodeIcon(int nodeImage, int overlay) {
    nodeImage = inRange(nodeImage, Count);
    overlay = inRange(overlay, 3);
    static QHash<int, QIcon> cache;
    const int key = (nodeImage + 1) * 8 + (overlay + 1);
    auto it = cache.find(key);
    if (it == cache.end())
        it = cache.insert(key, QIcon(composeNode(nodeImage, overlay)));
    return *it;
}

QIcon itemIcon(int labelImage, int nodeImage, int overlay) {
    // A few hundred combinations at most; each is drawn once.
    labelImage = inRange(labelImage, LabelCount);
    nodeImage = inRange(nodeImage, Count);
    overlay = inRange(overlay, 3);
    static QHash<int, QIcon> cache;
    const int key = ((labelImage + 1) * 32 + nodeImage + 1) * 8 + (overlay + 1);
    auto it = cache.find(key);
    if (it == cache.end()) {
        QPixmap pm(2 * Size + 2, Size);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        if (labelImage >= 0)
            p.drawPixmap(0, 0, label(labelImage));
        p.drawPixmap(Size + 2, 0, composeNode(nodeImage, overlay));
        p.end();
        it = cache.insert(key, QIcon(pm));
    }
    return *it;
}

QIcon programIcon() {
    ensureResources();
    QIcon icon;
    for (int s : {16, 32, 48})
        icon.addFile(QStringLiteral(":/icons/wrennote-%1.png").arg(s), QSize(s, s));
    return icon;
}

} // namespace NodeImages
