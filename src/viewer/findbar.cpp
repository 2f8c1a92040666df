// SPDX-License-Identifier: GPL-3.0-or-later
#include "findbar.h"

#include "viewer/entryviewer.h"
#include "viewer/partpage.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QShortcut>
#include <QToolButton>

#include <algorithm>

namespace tv {
namespace {

const QColor kNotFound(255, 150, 150);

QPushButton *button(const QString &text, const QString &tip, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setToolTip(tip);
    b->setAccessibleName(text);
    b->setAccessibleDescription(tip);
    b->setAutoDefault(false);
    return b;
}

} // namespace

FindBar::FindBar(EntryViewer *viewer, QWidget *parent)
    : QWidget(parent)
    , m_field(new QLineEdit(this))
    , m_count(new QLabel(this))
    , m_next(button(QStringLiteral("Weiter"), QStringLiteral("Nächster Treffer (Eingabe, F3)"), this))
    , m_previous(button(
          QStringLiteral("Zurück"), QStringLiteral("Voriger Treffer (Umschalt+Eingabe, Umschalt+F3)"), this))
    , m_case(new QCheckBox(QStringLiteral("&Groß-/Kleinschreibung beachten"), this))
    , m_close(new QToolButton(this))
{
    setObjectName(QStringLiteral("FindBar1"));
    setAccessibleName(QStringLiteral("Suchleiste"));
    auto *label = new QLabel(QStringLiteral("Im &Text suchen:"), this);
    label->setBuddy(m_field);
    m_field->setObjectName(QStringLiteral("FindEdit1"));
    m_field->setPlaceholderText(QStringLiteral("Im Text suchen"));
    m_field->setAccessibleName(QStringLiteral("Im Text suchen"));
    m_field->installEventFilter(this);
    m_count->setObjectName(QStringLiteral("FindCount1"));
    m_count->setAccessibleName(QStringLiteral("Treffer"));
    m_count->setMinimumWidth(
        m_count->fontMetrics().horizontalAdvance(QStringLiteral("nichts zu durchsuchen")));
    m_case->setAccessibleName(QStringLiteral("Groß-/Kleinschreibung beachten"));
    m_close->setText(QStringLiteral("Schließen"));
    m_close->setToolTip(QStringLiteral("Suchleiste schließen (Esc)"));
    m_close->setAccessibleName(QStringLiteral("Suchleiste schließen"));
    m_close->setAutoRaise(true);

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 2);
    row->addWidget(label);
    row->addWidget(m_field, 1);
    row->addWidget(m_count);
    row->addWidget(m_next);
    row->addWidget(m_previous);
    row->addWidget(m_case);
    row->addWidget(m_close);

    connect(m_field, &QLineEdit::textChanged, this, [this] { search(true); });
    connect(m_case, &QCheckBox::toggled, this, [this] { search(true); });
    connect(m_next, &QPushButton::clicked, this, &FindBar::findNext);
    connect(m_previous, &QPushButton::clicked, this, &FindBar::findPrevious);
    connect(m_close, &QToolButton::clicked, this, &FindBar::close);
    // F3 wherever the focus is in the window, while the bar is shown.
    connect(new QShortcut(QKeySequence(Qt::Key_F3), this), &QShortcut::activated, this, &FindBar::findNext);
    connect(new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), this), &QShortcut::activated, this,
        &FindBar::findPrevious);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(escape, &QShortcut::activated, this, &FindBar::close);

    connect(viewer, &EntryViewer::pageShown, this,
        [this](PartPage *page) { setTarget(page ? page->findTarget() : nullptr); });
    hide();
    showCount();
}

void FindBar::setTarget(FindTarget *target)
{
    if (target == m_target)
        return;
    if (m_target) {
        disconnect(m_target, nullptr, this, nullptr);
        m_target->clearHighlight();
    }
    m_target = target;
    if (m_target)
        connect(m_target, &FindTarget::contentChanged, this, [this] { search(false); });
    if (isVisible())
        search(true);
}

void FindBar::open()
{
    show();
    m_field->setFocus();
    m_field->selectAll();
    search(true);
}

void FindBar::close()
{
    QWidget *text = m_target ? m_target->focusWidget() : nullptr;
    if (m_target)
        m_target->clearHighlight();
    hide();
    if (text)
        text->setFocus();
}

FindPattern FindBar::pattern() const
{
    return { m_field->text(), m_case->isChecked() };
}

void FindBar::search(bool show)
{
    m_matches = m_target && isVisible() ? m_target->highlight(pattern()) : 0;
    if (m_matches == 0)
        m_current = -1;
    else if (show)
        m_current = m_target->startMatch();
    else
        m_current = std::clamp(m_current, 0, m_matches - 1);
    if (show && m_current >= 0)
        m_target->showMatch(m_current);
    showCount();
}

void FindBar::step(int by)
{
    if (!m_target || !isVisible())
        return;
    if (m_matches == 0) {
        search(true);
        return;
    }
    m_current = m_current < 0 ? (by > 0 ? 0 : m_matches - 1) : (m_current + by + m_matches) % m_matches;
    m_target->showMatch(m_current);
    showCount();
}

void FindBar::findNext()
{
    step(1);
}

void FindBar::findPrevious()
{
    step(-1);
}

void FindBar::showCount()
{
    const bool term = !m_field->text().isEmpty();
    const bool missing = term && m_target && m_matches == 0;
    if (!m_target)
        m_count->setText(QStringLiteral("nichts zu durchsuchen"));
    else if (!term)
        m_count->clear();
    else if (missing)
        m_count->setText(QStringLiteral("nicht gefunden"));
    else
        m_count->setText(QStringLiteral("%1 von %2").arg(m_current + 1).arg(m_matches));
    m_field->setAccessibleDescription(m_count->text()); // heard while typing
    m_next->setEnabled(!m_target.isNull());
    m_previous->setEnabled(!m_target.isNull());
    QPalette pal;
    if (missing) {
        pal = m_field->palette();
        pal.setColor(QPalette::Base, kNotFound);
        pal.setColor(QPalette::Text, Qt::black);
    }
    m_field->setPalette(pal);
}

bool FindBar::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_field && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) {
            if (key->modifiers() & Qt::ShiftModifier)
                findPrevious();
            else
                findNext();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace tv
