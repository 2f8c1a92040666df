// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "catalogue/partkind.h"

#include <QByteArray>
#include <QFlags>
#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <optional>

namespace tv::search {

/// What a result is about: the entry itself (its name) or one of its parts.
enum class Kind {
    Entries = 1 << 0, ///< entry names, and parts the viewer has no page for
    Texts = 1 << 1,
    Archives = 1 << 2,
    HtmlPages = 1 << 3,
    Links = 1 << 4,
};
Q_DECLARE_FLAGS(Kinds, Kind)
inline constexpr Kinds kAllKinds = Kinds(0x1F);

struct Query
{
    QString text;
    /// The Sections.dat line of the one section to search; nullopt: all sections.
    std::optional<QByteArray> section;
    Kinds kinds = kAllKinds;
};

/// @short A query split into what the substring index can look up and what it cannot.
///
/// Words and "phrases in quotes" are folded. The index finds substrings of at
/// least three characters; shorter words are looked up in entry names only:
///
///     Größe "std::move" ab   ->  long: "groesse", "std::move"; short: "ab"
struct ParsedQuery
{
    QStringList longTerms;
    QStringList shortTerms;
    bool isEmpty() const { return longTerms.isEmpty() && shortTerms.isEmpty(); }
};

ParsedQuery parseQuery(const QString &text);

/// One result. `part` is 0 for a match in the entry's name.
struct Hit
{
    QByteArray sectionLine;
    int sectionPosition = 0;
    QByteArray entry;
    int part = 0;
    QByteArray caption;
    PartKind kind = PartKind::None;
    /// The archive member whose text matched, with its folders; "" elsewhere.
    QString member;
    /// One line around the first match, and where the matches lie in it.
    QString context;
    QList<QPair<int, int>> marks;

    /// The section's tab caption ("Kaeltetechnik" -> "Kältetechnik").
    QByteArray sectionCaption() const;
};

struct Results
{
    quint64 generation = 0;
    QString query;
    QList<Hit> hits;
    /// All matches, at most kCountAtMost; hits holds the first kMaxHits of them.
    int total = 0;
    /// More than kCountAtMost matched: total tells only that many.
    bool moreThanTotal = false;
};

inline constexpr int kMaxHits = 200;
inline constexpr int kCountAtMost = 10000;

/// The line around the first match of a term in `original`, with every match
/// in it marked; "" when no term occurs.
/// Example: terms {"groesse"} in "... die Größe des Puffers ..." gives a line
/// holding "Größe" with the mark on those five characters.
QPair<QString, QList<QPair<int, int>>> contextLine(const QString &original, const QStringList &terms);

} // namespace tv::search

Q_DECLARE_OPERATORS_FOR_FLAGS(tv::search::Kinds)
