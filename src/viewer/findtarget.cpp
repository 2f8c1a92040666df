// SPDX-License-Identifier: GPL-3.0-or-later
#include "findtarget.h"

#include "search/fold.h"

#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextDocument>

#include <algorithm>

namespace tv {
namespace {

// Every match stands out from the text's own colours (the yellow of text
// parts too); the current one looks like a selection, focus or not.
const QColor kMatchBackground(255, 176, 64);

search::LetterCase lettersOf(const FindPattern &pattern)
{
    return pattern.matchCase ? search::LetterCase::Keep : search::LetterCase::Lower;
}

} // namespace

QList<TextRange> findMatches(QStringView text, const FindPattern &pattern)
{
    QList<TextRange> found;
    const QString needle = search::fold(pattern.term, lettersOf(pattern));
    if (needle.trimmed().isEmpty())
        return found;
    const search::FoldedText folded = search::foldWithOrigin(text, lettersOf(pattern));
    for (qsizetype at = folded.text.indexOf(needle); at >= 0;
         at = folded.text.indexOf(needle, at + needle.size())) {
        const qsizetype start = folded.origin[at];
        found.append({ start, folded.origin[at + needle.size() - 1] + 1 - start });
    }
    return found;
}

TextFindTarget::TextFindTarget(QTextEdit *edit, QObject *parent)
    : FindTarget(parent)
    , m_widget(edit)
    , m_document([edit] { return edit->document(); })
    , m_cursor([edit] { return edit->textCursor(); })
    , m_setCursor([edit](const QTextCursor &c) {
        edit->setTextCursor(c);
        edit->ensureCursorVisible();
    })
    , m_setExtra([edit](const QList<QTextEdit::ExtraSelection> &s) { edit->setExtraSelections(s); })
{
}

TextFindTarget::TextFindTarget(QPlainTextEdit *edit, QObject *parent)
    : FindTarget(parent)
    , m_widget(edit)
    , m_document([edit] { return edit->document(); })
    , m_cursor([edit] { return edit->textCursor(); })
    , m_setCursor([edit](const QTextCursor &c) {
        edit->setTextCursor(c);
        edit->ensureCursorVisible();
    })
    , m_setExtra([edit](const QList<QTextEdit::ExtraSelection> &s) { edit->setExtraSelections(s); })
{
}

int TextFindTarget::highlight(const FindPattern &pattern)
{
    m_matches.clear();
    m_current = -1;
    QTextDocument *doc = m_document();
    for (QTextBlock block = doc->begin(); block.isValid(); block = block.next()) {
        for (const TextRange &r : findMatches(block.text(), pattern)) {
            QTextCursor cursor(doc);
            cursor.setPosition(block.position() + int(r.start));
            cursor.setPosition(block.position() + int(r.start + r.length), QTextCursor::KeepAnchor);
            m_matches.append(cursor);
        }
    }
    mark(-1);
    return int(m_matches.size());
}

void TextFindTarget::clearHighlight()
{
    m_matches.clear();
    m_current = -1;
    m_setExtra({});
}

void TextFindTarget::mark(int current)
{
    const QPalette &pal = m_widget->palette();
    QList<QTextEdit::ExtraSelection> marks;
    marks.reserve(m_matches.size());
    for (int i = 0; i < m_matches.size(); ++i) {
        QTextEdit::ExtraSelection mark;
        mark.cursor = m_matches[i];
        if (i == current) {
            mark.format.setBackground(pal.color(QPalette::Active, QPalette::Highlight));
            mark.format.setForeground(pal.color(QPalette::Active, QPalette::HighlightedText));
        } else {
            mark.format.setBackground(kMatchBackground);
        }
        marks.append(mark);
    }
    m_setExtra(marks);
}

void TextFindTarget::showMatch(int index)
{
    if (index < 0 || index >= m_matches.size())
        return;
    m_current = index;
    mark(index);
    m_setCursor(m_matches[index]);
}

int TextFindTarget::startMatch() const
{
    // The first match that does not end before the reader's place: typing on
    // keeps the match found so far when it still matches.
    const int place = m_cursor().selectionStart();
    const auto first = std::find_if(m_matches.begin(), m_matches.end(),
        [place](const QTextCursor &m) { return m.selectionEnd() > place; });
    return first == m_matches.end() ? 0 : int(first - m_matches.begin());
}

} // namespace tv
