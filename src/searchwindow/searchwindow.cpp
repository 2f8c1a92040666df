// SPDX-License-Identifier: GPL-3.0-or-later
#include "searchwindow.h"

#include "catalogue/cp1252.h"
#include "search/searchservice.h"

#include <QAbstractTextDocumentLayout>
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QLocale>
#include <QPainter>
#include <QStyledItemDelegate>
#include <QTextDocument>
#include <QVBoxLayout>

namespace tv::search {
namespace {

constexpr int kContextRole = Qt::UserRole + 1;
constexpr int kTitleRole = Qt::UserRole + 2;

QString partName(const Hit &hit)
{
    return hit.part == 0 ? QStringLiteral("Eintrag") : fromCp1252(hit.caption);
}

// "Größe" marked in bold: the context line as HTML.
QString markedHtml(const Hit &hit)
{
    QString html;
    int at = 0;
    for (const auto &[start, length] : hit.marks) {
        if (start < at)
            continue; // overlapping matches of two words
        html += hit.context.mid(at, start - at).toHtmlEscaped() + QStringLiteral("<b><u>")
            + hit.context.mid(start, length).toHtmlEscaped() + QStringLiteral("</u></b>");
        at = start + length;
    }
    return html + hit.context.mid(at).toHtmlEscaped();
}

/// Two lines per result: entry, section and part; below, the context with
/// the matches marked.
class HitDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt = option;
        initStyleOption(&opt, index);
        const QString html = index.data(kTitleRole).toString() + QStringLiteral("<br>")
            + index.data(kContextRole).toString();
        opt.text.clear();
        QWidget *widget = const_cast<QWidget *>(option.widget);
        QStyle *style = widget ? widget->style() : QApplication::style();
        style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);

        QTextDocument doc;
        doc.setDefaultFont(option.font);
        doc.setHtml(html);
        doc.setTextWidth(option.rect.width());
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette = option.palette;
        if (option.state & QStyle::State_Selected)
            context.palette.setColor(QPalette::Text, option.palette.color(QPalette::HighlightedText));
        painter->save();
        painter->translate(option.rect.topLeft());
        painter->setClipRect(option.rect.translated(-option.rect.topLeft()));
        doc.documentLayout()->draw(painter, context);
        painter->restore();
    }

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &) const override
    {
        return QSize(200, option.fontMetrics.height() * 2 + 6);
    }
};

} // namespace

SearchWindow::SearchWindow(
    SearchService *service, std::function<QList<Section>()> sections, OpenHit open, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_service(service)
    , m_sections(std::move(sections))
    , m_open(std::move(open))
{
    setObjectName(QStringLiteral("Volltextsuche"));
    setWindowTitle(QStringLiteral("Volltextsuche"));
    setAccessibleName(QStringLiteral("Volltextsuche"));
    resize(640, 480);

    m_query = new QLineEdit(this);
    m_query->setObjectName(QStringLiteral("Suchbegriff"));
    m_query->setAccessibleName(QStringLiteral("Suchbegriff"));
    m_query->setClearButtonEnabled(true);
    // Qt's clear button has only its icon; its action's text names it for a
    // screen reader and becomes its tool tip.
    for (QAction *clear : m_query->findChildren<QAction *>(Qt::FindDirectChildrenOnly))
        clear->setText(QStringLiteral("Suchbegriff löschen"));
    auto *queryLabel = new QLabel(QStringLiteral("&Suchbegriff:"), this);
    queryLabel->setBuddy(m_query);

    m_section = new QComboBox(this);
    m_section->setObjectName(QStringLiteral("Bereich"));
    m_section->setAccessibleName(QStringLiteral("Bereich"));
    auto *sectionLabel = new QLabel(QStringLiteral("&Bereich:"), this);
    sectionLabel->setBuddy(m_section);

    auto *scope = new QHBoxLayout;
    scope->addWidget(sectionLabel);
    scope->addWidget(m_section, 1);
    const QList<QPair<Kind, QString>> kinds = { { Kind::Entries, QStringLiteral("&Einträge") },
        { Kind::Texts, QStringLiteral("&Texte") }, { Kind::Archives, QStringLiteral("&Archive") },
        { Kind::HtmlPages, QStringLiteral("&HTML-Seiten") }, { Kind::Links, QStringLiteral("&Links") } };
    for (const auto &[kind, text] : kinds) {
        auto *box = new QCheckBox(text, this);
        box->setChecked(true);
        box->setObjectName(QString(text).remove(u'&'));
        box->setAccessibleName(QString(text).remove(u'&'));
        scope->addWidget(box);
        m_kinds.append({ kind, box });
        connect(box, &QCheckBox::toggled, this, &SearchWindow::search);
    }

    m_status = new QLabel(this);
    m_status->setObjectName(QStringLiteral("Suchstatus"));
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);

    m_results = new QListWidget(this);
    m_results->setObjectName(QStringLiteral("Suchergebnisse"));
    m_results->setAccessibleName(QStringLiteral("Suchergebnisse"));
    m_results->setItemDelegate(new HitDelegate(m_results));
    m_results->setUniformItemSizes(true);

    auto *queryRow = new QHBoxLayout;
    queryRow->addWidget(queryLabel);
    queryRow->addWidget(m_query, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(queryRow);
    layout->addLayout(scope);
    layout->addWidget(m_status);
    layout->addWidget(m_results, 1);

    m_query->installEventFilter(this);
    connect(m_query, &QLineEdit::textChanged, this, &SearchWindow::search);
    connect(m_query, &QLineEdit::returnPressed, this, &SearchWindow::openCurrent);
    connect(m_section, &QComboBox::currentIndexChanged, this, &SearchWindow::search);
    connect(m_results, &QListWidget::itemActivated, this, &SearchWindow::openCurrent);
    connect(m_service, &SearchService::results, this, &SearchWindow::showResults);
    connect(m_service, &SearchService::progress, this, &SearchWindow::showProgress);
    connect(m_service, &SearchService::indexReady, this, &SearchWindow::indexReady);
    connect(m_service, &SearchService::noteChanged, this, [this](const QString &note) {
        m_note = note;
        updateStatus();
    });

    reloadSections();
    const auto [done, total] = m_service->lastProgress();
    if (m_service->isIndexing() && total > 0)
        showProgress(done, total);
    else if (m_service->isIndexing())
        m_progress = QStringLiteral("Der Suchindex wird aufgebaut...");
    updateStatus();
}

QCheckBox *SearchWindow::kindBox(Kind kind) const
{
    for (const auto &[k, box] : m_kinds) {
        if (k == kind)
            return box;
    }
    return nullptr;
}

void SearchWindow::reloadSections()
{
    const QVariant chosen = m_section->currentData();
    const QSignalBlocker block(m_section);
    m_section->clear();
    m_section->addItem(QStringLiteral("Alle Bereiche"));
    for (const Section &section : m_sections())
        m_section->addItem(fromCp1252(section.caption), section.line);
    const int again = chosen.isValid() ? m_section->findData(chosen) : 0;
    m_section->setCurrentIndex(again < 0 ? 0 : again);
}

void SearchWindow::search()
{
    Query query;
    query.text = m_query->text();
    if (m_section->currentIndex() > 0)
        query.section = m_section->currentData().toByteArray();
    query.kinds = {};
    for (const auto &[kind, box] : m_kinds) {
        if (box->isChecked())
            query.kinds |= kind;
    }
    const ParsedQuery parsed = parseQuery(query.text);
    m_terms = parsed.longTerms + parsed.shortTerms;
    if (parsed.isEmpty()) {
        ++m_generation; // an answer still on its way is no longer wanted
        showResults({ m_generation, query.text, {}, 0 });
        return;
    }
    m_generation = m_service->search(query);
}

void SearchWindow::showResults(const Results &results)
{
    if (results.generation != m_generation)
        return; // an older query's answer
    m_hits = results.hits;
    m_total = results.total;
    m_moreThanTotal = results.moreThanTotal;
    m_results->clear();
    for (const Hit &hit : m_hits) {
        const QString title
            = QStringLiteral("%1 – %2 – %3")
                  .arg(fromCp1252(hit.entry), fromCp1252(hit.sectionCaption()), partName(hit));
        auto *item = new QListWidgetItem(m_results);
        item->setData(kTitleRole, QStringLiteral("<b>%1</b>").arg(title.toHtmlEscaped()));
        item->setData(kContextRole, markedHtml(hit));
        const QString plain = title + QStringLiteral(": ") + hit.context;
        item->setData(Qt::AccessibleTextRole, plain);
        item->setToolTip(plain);
    }
    if (!m_hits.isEmpty())
        m_results->setCurrentRow(0);
    updateStatus();
}

void SearchWindow::showProgress(int done, int total)
{
    const QLocale german(QLocale::German);
    m_progress = QStringLiteral("Index: %1 von %2 Teilen. Der Suchindex wird aufgebaut; gesucht wird im bereits "
                                "erfassten Teil.")
                     .arg(german.toString(done), german.toString(total));
    updateStatus();
    // More is indexed now: the query again, at most once a second, since each
    // answer costs the build a pause.
    if (!m_query->text().trimmed().isEmpty() && (!m_renewed.isValid() || m_renewed.elapsed() >= 1000)) {
        m_renewed.start();
        search();
    }
}

void SearchWindow::indexReady(int unreadable)
{
    m_progress.clear();
    m_unreadable = unreadable;
    updateStatus();
    search();
}

void SearchWindow::updateStatus()
{
    QStringList lines;
    if (!m_note.isEmpty())
        lines << m_note;
    if (!m_progress.isEmpty())
        lines << m_progress;
    if (m_unreadable == 1)
        lines << QStringLiteral("1 Teil konnte nicht gelesen werden.");
    else if (m_unreadable > 1)
        lines << QStringLiteral("%1 Teile konnten nicht gelesen werden.").arg(m_unreadable);
    if (!m_query->text().trimmed().isEmpty()) {
        if (m_total == 0)
            lines << QStringLiteral("Keine Treffer.");
        else if (m_moreThanTotal)
            lines << QStringLiteral("Die ersten %1 von mehr als %2 Treffern.")
                         .arg(m_hits.size())
                         .arg(QLocale(QLocale::German).toString(m_total));
        else if (m_total > m_hits.size())
            lines << QStringLiteral("Die ersten %1 von %2 Treffern.").arg(m_hits.size()).arg(m_total);
        else
            lines << (m_total == 1 ? QStringLiteral("1 Treffer.")
                                   : QStringLiteral("%1 Treffer.").arg(m_total));
    }
    m_status->setText(lines.join(u'\n'));
    m_status->setAccessibleName(m_status->text());
}

void SearchWindow::openCurrent()
{
    const int row = m_results->currentRow();
    if (row >= 0 && row < m_hits.size())
        m_open(m_hits[row], m_terms);
}

bool SearchWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_query && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down || key == Qt::Key_PageUp || key == Qt::Key_PageDown) {
            QApplication::sendEvent(m_results, event);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SearchWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace tv::search
