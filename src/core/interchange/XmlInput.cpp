#include "interchange/XmlInput.h"

#include "interchange/Branch.h"

namespace Interchange {

bool AcceptDtd(const QXmlStreamReader& xml, const QString& path, QString* error) {
    if (xml.tokenType() != QXmlStreamReader::DTD)
        return true;
    if (xml.entityDeclarations().isEmpty() && xml.notationDeclarations().isEmpty())
        return true;
    *error = XmlProblem(xml, path,
                        QStringLiteral("文書型宣言（DTD）で実体が宣言されています。"
                                       "安全のため、実体を宣言したファイルは読み込みません。"));
    return false;
}

QString XmlError(const QXmlStreamReader& xml, const QString& path) {
    QString what;
    switch (xml.error()) {
    case QXmlStreamReader::PrematureEndOfDocumentError:
        what = QStringLiteral("XML が途中で終わっています。");
        break;
    case QXmlStreamReader::NotWellFormedError:
        what = QStringLiteral("XML の書き方が正しくありません（閉じていない要素、"
                              "宣言されていない実体、使えない文字など）。");
        break;
    case QXmlStreamReader::UnexpectedElementError:
        what = QStringLiteral("思いがけない要素があります。");
        break;
    case QXmlStreamReader::CustomError:
        what = xml.errorString();
        break;
    case QXmlStreamReader::NoError:
        what = QStringLiteral("XML として読めません。");
        break;
    }
    return QStringLiteral("%1: %2").arg(Place(path, xml.lineNumber(), xml.columnNumber()), what);
}

QString XmlProblem(const QXmlStreamReader& xml, const QString& path, const QString& what) {
    return QStringLiteral("%1: %2").arg(Place(path, xml.lineNumber(), xml.columnNumber()), what);
}

} // namespace Interchange
