// The other program of the two-process drag test: a window at 600,100 that
// either takes a drop and says what item it received ("--receive"), or
// starts a drag of the item stream read from a file when pressed
// ("--drag FILE"), or drags files as a file manager does ("--files PATH..."),
// or drags selected text as an editor does ("--text TEXT"). A drag says the
// action the receiver reported ("dragged N", Qt::DropAction).
// DND_HELPER_POS="x,y" places it elsewhere. Says "ready" once shown; lives a
// minute at most.
#include "file/OutlineFile.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "settings/OptionDesc.h"

#include <QApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWidget>

#include <cstdio>
#include <cstring>

namespace {

void say(const QByteArray& line) {
    std::printf("%s\n", line.constData());
    std::fflush(stdout);
}

class Window : public QWidget {
public:
    Window(const QByteArray& payload, const QList<QUrl>& files, const QString& text)
        : m_payload(payload), m_files(files), m_text(text) {
        setAcceptDrops(!drags());
    }

protected:
    void dragEnterEvent(QDragEnterEvent* e) override {
        if (e->mimeData()->hasFormat(QStringLiteral("CF_TREENODE")))
            e->acceptProposedAction();
    }
    void dragMoveEvent(QDragMoveEvent* e) override { e->acceptProposedAction(); }
    void dropEvent(QDropEvent* e) override {
        const QByteArray bytes = e->mimeData()->data(QStringLiteral("CF_TREENODE"));
        TOptionDesc settings;
        TOutline outline(&settings);
        const OutlineFile::ReadResult r =
            OutlineFile::readItems(bytes, outline, InsertBottomOfLevel, nullptr, true);
        QByteArray line = "received";
        if (!r.ok || !r.selected) {
            line += " damaged";
        } else {
            outline.forEach([&line](TOutlineNode* n) {
                line += ' ' + n->item()->Title + ':' + QByteArray::number(n->item()->NodeId);
                return true;
            });
        }
        line += " text=" + e->mimeData()->text().toUtf8();
        e->acceptProposedAction();
        say(line);
    }
    void mousePressEvent(QMouseEvent*) override {
        if (!drags())
            return;
        auto* drag = new QDrag(this);
        auto* mime = new QMimeData;
        if (!m_text.isEmpty()) {
            mime->setText(m_text);
        } else if (!m_files.isEmpty()) {
            mime->setUrls(m_files);
        } else {
            mime->setData(QStringLiteral("CF_TREENODE"), m_payload);
            mime->setText(QStringLiteral("from the helper"));
        }
        drag->setMimeData(mime);
        const Qt::DropAction a = drag->exec(Qt::CopyAction | Qt::MoveAction);
        say("dragged " + QByteArray::number(int(a)));
    }

private:
    bool drags() const { return !m_payload.isEmpty() || !m_files.isEmpty() || !m_text.isEmpty(); }

    QByteArray m_payload;
    QList<QUrl> m_files;
    QString m_text;
};

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    QByteArray payload;
    QList<QUrl> files;
    QString text;
    if (argc == 3 && std::strcmp(argv[1], "--text") == 0) {
        text = QString::fromLocal8Bit(argv[2]);
    } else if (argc >= 3 && std::strcmp(argv[1], "--files") == 0) {
        for (int i = 2; i < argc; ++i)
            files << QUrl::fromLocalFile(QString::fromLocal8Bit(argv[i]));
    } else if (argc == 3 && std::strcmp(argv[1], "--drag") == 0) {
        QFile f(QString::fromLocal8Bit(argv[2]));
        if (!f.open(QIODevice::ReadOnly))
            return 2;
        payload = f.readAll();
    } else if (!(argc == 2 && std::strcmp(argv[1], "--receive") == 0)) {
        return 2;
    }
    Window w(payload, files, text);
    w.setWindowTitle(QStringLiteral("dnd helper"));
    QPoint at(600, 100);
    const QList<QByteArray> pos = qgetenv("DND_HELPER_POS").split(',');
    if (pos.size() == 2)
        at = QPoint(pos[0].toInt(), pos[1].toInt());
    w.setGeometry(at.x(), at.y(), 200, 200);
    w.show();
    QTimer::singleShot(300, [] { say("ready"); });
    QTimer::singleShot(60000, &app, &QCoreApplication::quit);
    return app.exec();
}
