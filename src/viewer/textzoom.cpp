// SPDX-License-Identifier: GPL-3.0-or-later
#include "textzoom.h"

#include <QList>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>

namespace tv {
namespace {

// Kept in the formats: the size as loaded, and on the root frame the zoom shown.
constexpr int kLoadedSize = QTextFormat::UserProperty + 1;
constexpr int kZoom = QTextFormat::UserProperty + 2;

struct Run
{
    int position;
    int length;
    QTextCharFormat format;
};

} // namespace

int textZoom(const QTextDocument &doc)
{
    const QVariant zoom = doc.rootFrame()->frameFormat().property(kZoom);
    return zoom.isValid() ? zoom.toInt() : 100;
}

void zoomTextDocument(QTextDocument *doc, int percent)
{
    if (textZoom(*doc) == percent || percent <= 0)
        return;
    const qreal factor = percent / 100.0;

    QTextFrameFormat root = doc->rootFrame()->frameFormat();
    QFont font = doc->defaultFont();
    if (!root.hasProperty(kLoadedSize))
        root.setProperty(kLoadedSize, font.pointSizeF());
    if (const qreal loaded = root.doubleProperty(kLoadedSize); loaded > 0) {
        font.setPointSizeF(loaded * factor);
        doc->setDefaultFont(font);
    }
    root.setProperty(kZoom, percent);
    doc->rootFrame()->setFrameFormat(root);

    // Collected first: setting a format merges fragments under the iterator.
    QList<Run> runs;
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            QTextCharFormat format = fragment.charFormat();
            if (!format.hasProperty(kLoadedSize)) {
                if (!format.hasProperty(QTextFormat::FontPointSize))
                    continue; // follows the default font
                format.setProperty(kLoadedSize, format.fontPointSize());
            }
            format.setFontPointSize(format.doubleProperty(kLoadedSize) * factor);
            runs.append({ fragment.position(), fragment.length(), format });
        }
    }
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    for (const Run &run : runs) {
        cursor.setPosition(run.position);
        cursor.setPosition(run.position + run.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(run.format);
    }
    cursor.endEditBlock();
}

} // namespace tv
