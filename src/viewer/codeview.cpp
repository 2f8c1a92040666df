// SPDX-License-Identifier: GPL-3.0-or-later
#include "codeview.h"

#include <QContextMenuEvent>
#include <QFontDatabase>
#include <QMenu>
#include <QPainter>
#include <QTextBlock>

namespace tv {
namespace {

constexpr int kTabWidth = 4;
constexpr int kPadding = 4; // blank pixels on each side of the numbers

/// The margin beside the text; the view paints it.
class NumberMargin : public QWidget
{
public:
    explicit NumberMargin(CodeView *view)
        : QWidget(view)
        , m_view(view)
    {
    }
    QSize sizeHint() const override { return QSize(m_view->numberWidth(), 0); }

protected:
    void paintEvent(QPaintEvent *event) override { m_view->paintNumbers(event); }

private:
    CodeView *m_view;
};

} // namespace

CodeView::CodeView(QWidget *parent)
    : QPlainTextEdit(parent)
    , m_numbers(new NumberMargin(this))
{
    setReadOnly(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setLineWrapMode(QPlainTextEdit::NoWrap);
    setUndoRedoEnabled(false);
    const QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    setFont(fixed);
    document()->setDefaultFont(fixed);
    setTabStopDistance(kTabWidth * QFontMetricsF(fixed).horizontalAdvance(u' '));
    connect(this, &QPlainTextEdit::blockCountChanged, this, &CodeView::fitMargin);
    connect(this, &QPlainTextEdit::updateRequest, this, &CodeView::scrollMargin);
    fitMargin();
}

int CodeView::numberWidth() const
{
    const int digits = int(QString::number(std::max(1, blockCount())).size());
    return 2 * kPadding + fontMetrics().horizontalAdvance(u'9') * digits;
}

void CodeView::fitMargin()
{
    setViewportMargins(numberWidth(), 0, 0, 0);
}

void CodeView::scrollMargin(const QRect &rect, int dy)
{
    if (dy != 0)
        m_numbers->scroll(0, dy);
    else
        m_numbers->update(0, rect.y(), m_numbers->width(), rect.height());
}

void CodeView::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    const QRect r = contentsRect();
    m_numbers->setGeometry(QRect(r.left(), r.top(), numberWidth(), r.height()));
}

void CodeView::paintNumbers(QPaintEvent *event)
{
    QPainter painter(m_numbers);
    painter.fillRect(event->rect(), palette().color(QPalette::AlternateBase));
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.setFont(font());
    const int width = m_numbers->width() - kPadding;
    for (QTextBlock block = firstVisibleBlock(); block.isValid(); block = block.next()) {
        const QRectF box = blockBoundingGeometry(block).translated(contentOffset());
        if (box.top() > event->rect().bottom())
            break;
        if (box.bottom() >= event->rect().top()) {
            painter.drawText(QRect(0, int(box.top()), width, fontMetrics().height()), Qt::AlignRight,
                QString::number(block.blockNumber() + 1));
        }
    }
}

void CodeView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy)) {
        emit copyRequested(this);
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

void CodeView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    connect(menu.addAction(QStringLiteral("Alles markieren")), &QAction::triggered, this,
        &QPlainTextEdit::selectAll);
    QAction *copy = menu.addAction(QStringLiteral("&Kopieren"));
    copy->setEnabled(textCursor().hasSelection());
    connect(copy, &QAction::triggered, this, [this] { emit copyRequested(this); });
    menu.exec(event->globalPos());
}

} // namespace tv
