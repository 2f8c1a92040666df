// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "zip/zipaccess.h"

#include <QStringList>

namespace tv {

/// @short Collects what the engines say went wrong in one operation, told in
/// German with the real reason: encrypted, a packing method that cannot be
/// unpacked, damaged data, not a ZIP archive, a file kept or a name taken.
///
/// The component hands the engines' messages only to OnMessage; this hooks it
/// (and OnProgress, which names the member a message is about) for its
/// lifetime, chaining to the handlers that were set, and puts them back.
class EngineFailures
{
public:
    explicit EngineFailures(TZipAccess &zip);
    ~EngineFailures();
    EngineFailures(const EngineFailures &) = delete;
    EngineFailures &operator=(const EngineFailures &) = delete;

    /// One German sentence per failure, in the order they came.
    const QStringList &texts() const { return m_texts; }
    bool isEmpty() const { return m_texts.isEmpty(); }

    /// The German sentence for an engine message about `member` (empty when
    /// the message concerns no member); `entries` is the listing of the
    /// archive, which tells the member's packing method.
    static QString describe(
        int code, const QString &engineText, const QString &member, const QList<ZipDirEntry> &entries);
    /// "Deflate64", "LZMA", ... for a method number of the ZIP format.
    static QString methodName(int method);

private:
    TZipAccess &m_zip;
    TZipAccess::ProgressEvent m_previousProgress;
    TZipAccess::MessageEvent m_previousMessage;
    QString m_member; // the member the engine works on
    QStringList m_texts;
};

} // namespace tv
