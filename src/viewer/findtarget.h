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

/// @short The matches in a QTextEdit or QPlainTextEdit, over the whole text
/// (a term with a blank matches across a line break): those in sight as extra
/// selections, the current one also as the selection.
///
/// Only what is in sight is marked, anew after every scroll: a mark costs
/// the layout of its line, and a short word has hundreds of thousands of
/// matches in a text of megabytes.
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
    QWidget *focusWidget() const override { return m_area; }

    /// The matches of the last highlight, in positions of the document.
    const QList<TextRange> &matches() const { return m_matches; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void follow();
    void mark();
    QTextCursor selecting(const TextRange &range) const;

    QAbstractScrollArea *m_area;
    const QObject *m_viewport = nullptr;
    // QTextEdit and QPlainTextEdit share these calls, but no class that declares them.
    struct EditAccess {
        std::function<QTextDocument *()> document;
        std::function<QTextCursor()> cursor;
        std::function<QTextCursor(const QPoint &)> cursorAt;
        std::function<void(const QTextCursor &)> setCursor;
        std::function<void(const QList<QTextEdit::ExtraSelection> &)> setExtra;
    };
    template <typename Edit> static EditAccess accessOf(Edit *edit);
    TextFindTarget(QAbstractScrollArea *area, EditAccess edit, QObject *parent);

    EditAccess m_edit;
    QList<TextRange> m_matches;
    int m_current = -1;
};

} // namespace tv
