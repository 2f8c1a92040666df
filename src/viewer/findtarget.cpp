// SPDX-License-Identifier: GPL-3.0-or-later
#include "findtarget.h"

#include "search/fold.h"

#include <QPlainTextEdit>
#include <QScrollBar>
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

template <typename Edit> TextFindTarget::EditAccess TextFindTarget::accessOf(Edit *edit)
{
    return {
        [edit] { return edit->document(); },
        [edit] { return edit->textCursor(); },
        [edit](const QPoint &p) { return edit->cursorForPosition(p); },
        [edit](const QTextCursor &c) {
            edit->setTextCursor(c);
            edit->ensureCursorVisible();
        },
        [edit](const QList<QTextEdit::ExtraSelection> &s) { edit->setExtraSelections(s); },
    };
}

TextFindTarget::TextFindTarget(QAbstractScrollArea *area, EditAccess edit, QObject *parent)
    : FindTarget(parent)
    , m_area(area)
    , m_edit(std::move(edit))
{
    follow();
}

TextFindTarget::TextFindTarget(QTextEdit *edit, QObject *parent)
    : TextFindTarget(edit, accessOf(edit), parent)
{
}

TextFindTarget::TextFindTarget(QPlainTextEdit *edit, QObject *parent)
    : TextFindTarget(edit, accessOf(edit), parent)
{
}

void TextFindTarget::follow()
{
    const auto scrolled = [this] {
        if (!m_matches.isEmpty())
            mark();
    };
    connect(m_area->verticalScrollBar(), &QScrollBar::valueChanged, this, scrolled);
    connect(m_area->horizontalScrollBar(), &QScrollBar::valueChanged, this, scrolled);
    m_area->viewport()->installEventFilter(this);
    m_viewport = m_area->viewport();
}

bool TextFindTarget::eventFilter(QObject *watched, QEvent *event)
{
    // Compared by address only: the events of a viewport going come here too.
    if (watched == m_viewport && event->type() == QEvent::Resize && !m_matches.isEmpty())
        mark();
    return FindTarget::eventFilter(watched, event);
}

int TextFindTarget::highlight(const FindPattern &pattern)
{
    // Positions in the plain text are positions in the document: every block
    // and frame boundary is one character in both.
    m_matches = findMatches(m_edit.document()->toPlainText(), pattern);
    m_current = -1;
    mark();
    return int(m_matches.size());
}

void TextFindTarget::clearHighlight()
{
    m_matches.clear();
    m_current = -1;
    m_edit.setExtra({});
}

QTextCursor TextFindTarget::selecting(const TextRange &range) const
{
    QTextCursor cursor(m_edit.document());
    cursor.setPosition(int(range.start));
    cursor.setPosition(int(range.start + range.length), QTextCursor::KeepAnchor);
    return cursor;
}

void TextFindTarget::mark()
{
    // From the first line in sight to the end of the last.
    const QWidget *view = m_area->viewport();
    const int first = m_edit.cursorAt(QPoint(0, 0)).block().position();
    const QTextBlock bottom = m_edit.cursorAt(QPoint(view->width(), view->height())).block();
    const int last = bottom.position() + bottom.length();
    const auto from = std::lower_bound(m_matches.begin(), m_matches.end(), first,
        [](const TextRange &m, int position) { return m.start + m.length <= position; });
    const QPalette &pal = m_area->palette();
    QList<QTextEdit::ExtraSelection> marks;
    for (auto m = from; m != m_matches.end() && m->start < last; ++m) {
        QTextEdit::ExtraSelection mark;
        mark.cursor = selecting(*m);
        if (m - m_matches.begin() == m_current) {
            mark.format.setBackground(pal.color(QPalette::Active, QPalette::Highlight));
            mark.format.setForeground(pal.color(QPalette::Active, QPalette::HighlightedText));
        } else {
            mark.format.setBackground(kMatchBackground);
        }
        marks.append(mark);
    }
    m_edit.setExtra(marks);
}

void TextFindTarget::showMatch(int index)
{
    if (index < 0 || index >= m_matches.size())
        return;
    m_current = index;
    m_edit.setCursor(selecting(m_matches[index])); // scrolls it into sight
    mark();
}

int TextFindTarget::startMatch() const
{
    // The first match that does not end before the reader's place: typing on
    // keeps the match found so far when it still matches.
    const qsizetype place = m_edit.cursor().selectionStart();
    const auto first = std::lower_bound(m_matches.begin(), m_matches.end(), place,
        [](const TextRange &m, qsizetype position) { return m.start + m.length <= position; });
    return first == m_matches.end() ? 0 : int(first - m_matches.begin());
}

} // namespace tv
