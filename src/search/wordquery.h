// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace tv::search {

class Database;

/// @short What the word index is asked for a query's long terms.
///
/// A term is a substring, but the index holds whole tokens: each term
/// becomes the tokens of the vocabulary that contain it ("speicher" ->
/// "arbeitsspeicher" OR "speicher"), a term with "::" or "<" the chunks that
/// contain it ("ptr<t" -> "std::unique_ptr<t>"). Such terms match exactly.
/// A term of several chunks (a phrase) matches through its chunks, and the
/// rows found must be checked against their texts.
struct WordQuery
{
    /// The FTS5 expression; empty when no term can be looked up (every row is a candidate).
    QString expression;
    /// For each phrase of the expression, the term it stands for.
    QList<int> phraseTerm;
    /// The rows found may not hold the terms as written: check them.
    bool verify = false;
    /// A term is in no row: nothing matches.
    bool nothing = false;
};

WordQuery wordQuery(Database &db, const QStringList &terms);

} // namespace tv::search
