// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/entry.h"
#include "search/query.h"

#include <QElapsedTimer>
#include <QList>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;

namespace tv::search {

class SearchService;

/// @short The window "Volltextsuche": a query field, the scope, and the results
/// as the user types.
///
/// A thin face over SearchService. It stays open beside the main window;
/// Enter or a double-click hands the chosen result to `open`, Escape closes.
class SearchWindow : public QWidget
{
    Q_OBJECT
public:
    /// Opens a result; the terms are the query's, folded, to mark in the part.
    using OpenHit = std::function<void(const Hit &hit, const QStringList &terms)>;

    SearchWindow(SearchService *service, std::function<QList<Section>()> sections, OpenHit open,
        QWidget *parent = nullptr);

    /// Reads the sections for the scope row again (after an update integration).
    void reloadSections();

    QLineEdit *queryField() const { return m_query; }
    QListWidget *resultList() const { return m_results; }
    QLabel *statusLabel() const { return m_status; }
    QComboBox *sectionBox() const { return m_section; }
    /// The check box of `kind`.
    QCheckBox *kindBox(Kind kind) const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void search();
    void showResults(const Results &results);
    void showProgress(int done, int total);
    void indexReady(int unreadable);
    void openCurrent();
    void updateStatus();

    SearchService *m_service;
    std::function<QList<Section>()> m_sections;
    OpenHit m_open;
    QLineEdit *m_query = nullptr;
    QComboBox *m_section = nullptr;
    QList<QPair<Kind, QCheckBox *>> m_kinds;
    QLabel *m_status = nullptr;
    QListWidget *m_results = nullptr;
    QList<Hit> m_hits;
    QStringList m_terms;
    quint64 m_generation = 0;
    int m_total = 0;
    bool m_moreThanTotal = false;
    QString m_progress;
    QString m_note;
    int m_unreadable = 0;
    QElapsedTimer m_renewed; // since the last query was renewed for the build's progress
};

} // namespace tv::search
