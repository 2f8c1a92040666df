// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringView>
#include <QTextCursor>
#include <QTextEdit>

#include <functional>

class QPlainTextEdit;
class QTextDocument;

/// @short What the find bar looks for, and the places it can look in.
namespace tv {

/// A word to find, folded as the full-text search folds ("Größe" finds
/// "Groesse"); with `matchCase` the letters keep their case ("Ä" is "Ae").
struct FindPattern
{
    QString term;
    bool matchCase = false;
};

/// A stretch of a text: `start` and `length` in the text's own characters.
struct TextRange
{
    qsizetype start = 0;
    qsizetype length = 0;
    bool operator==(const TextRange &) const = default;
};

/// Every match of `pattern` in `text`, left to right, none overlapping; none
/// for a term that folds to nothing or to a blank.
/// Example: "Maße und MASSE", "masse" -> {0, 4} and {9, 5}.
QList<TextRange> findMatches(QStringView text, const FindPattern &pattern);

/// @short Something the find bar searches: it marks every match, makes one
/// the current, and says when what it shows has changed.
class FindTarget : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    /// Marks every match of `pattern` and returns how many there are.
    virtual int highlight(const FindPattern &pattern) = 0;
    virtual void clearHighlight() = 0;
    /// Makes match `index` (of the last highlight) the current one: selected
    /// and scrolled into sight.
    virtual void showMatch(int index) = 0;
    /// The match a new search starts at: the first at or after the reader's place.
    virtual int startMatch() const = 0;
    /// Where the focus goes when the bar closes.
    virtual QWidget *focusWidget() const = 0;

signals:
    /// The text searched is another now: the matches are to be found again.
    void contentChanged();
};

/// @short The matches in a QTextEdit or QPlainTextEdit, block by block: all
/// of them as extra selections, the current one also as the selection.
class TextFindTarget : public FindTarget
{
    Q_OBJECT
public:
    TextFindTarget(QTextEdit *edit, QObject *parent);
    TextFindTarget(QPlainTextEdit *edit, QObject *parent);

    int highlight(const FindPattern &pattern) override;
    void clearHighlight() override;
    void showMatch(int index) override;
    int startMatch() const override;
    QWidget *focusWidget() const override { return m_widget; }

    /// The matches of the last highlight, as cursors that select them.
    const QList<QTextCursor> &matches() const { return m_matches; }

private:
    void mark(int current);

    QWidget *m_widget;
    std::function<QTextDocument *()> m_document;
    std::function<QTextCursor()> m_cursor;
    std::function<void(const QTextCursor &)> m_setCursor;
    std::function<void(const QList<QTextEdit::ExtraSelection> &)> m_setExtra;
    QList<QTextCursor> m_matches;
    int m_current = -1;
};

} // namespace tv
