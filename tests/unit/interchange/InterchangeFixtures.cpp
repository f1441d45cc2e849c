#include "InterchangeFixtures.h"

#include "file/Cp932.h"
#include "outline/LeafNote.h"
#include "outline/Outline.h"
#include "rtf/RtfReader.h"
#include "rtf/RtfWriter.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QTextDocument>

#include <gtest/gtest.h>

TLeafNote* AddItem(TOutline& outline, TOutlineNode* parent, const char* title) {
    TLeafNote* item =
        TLeafNote::Create(outline, parent ? InsertLastChild : InsertBottomOfLevel, parent);
    item->SetTitle(Cp932::fromUnicode(QString::fromUtf8(title)));
    return item;
}

QByteArray RtfOfHtml(const QString& html) {
    QTextDocument doc;
    doc.setHtml(html);
    return Rtf::write(doc);
}

QString PageText(TLeafNote& item) {
    const QByteArray rich = item.GetPage();
    if (rich.isEmpty())
        return Cp932::toUnicode(item.PageText)
            .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QTextDocument doc;
    Rtf::load(rich, doc);
    return doc.toPlainText();
}

QString WriteFixture(const QString& folder, const QString& name, const QByteArray& bytes) {
    const QString path = folder + QLatin1Char('/') + name;
    QFile f(path);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return path;
}

void InsertInto(TOutline& outline, const Interchange::TReadResult& r) {
    ASSERT_TRUE(r.ok) << r.error.toStdString();
    Interchange::Insert(outline, r.branch);
}

QByteArray TinyPng(int w, int h) {
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(QColor(200, 30, 30));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return png;
}

void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

void PrintTo(const QStringList& list, std::ostream* os) {
    *os << '[' << list.join(QStringLiteral("; ")).toStdString() << ']';
}
