#include "plaintext.h"

#include "catalogue/cp1252.h"

#include <QTextBlock>
#include <QTextDocument>

namespace tv {

void readPlainText(const QByteArray &cp1252, QTextDocument *doc)
{
    QByteArray lines = cp1252;
    lines.replace("\r\n", "\n");
    lines.replace('\r', '\n');
    doc->setPlainText(fromCp1252(lines));
}

QByteArray plainTextCrLf(const QTextDocument &doc)
{
    QString text;
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (block != doc.begin())
            text += QLatin1String("\r\n");
        QString line = block.text();
        line.remove(QChar::ObjectReplacementCharacter); // images have no text
        line.replace(QChar::LineSeparator, QLatin1String("\r\n"));
        text += line;
    }
    return toCp1252(text);
}

} // namespace tv
