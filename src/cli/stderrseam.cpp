// SPDX-License-Identifier: GPL-3.0-or-later
#include "stderrseam.h"

#include "cli/progress.h"

#include <QMimeData>
#include <QRegularExpression>

namespace tv::cli {

StderrSeam::StderrSeam(std::FILE *out)
    : m_out(out)
{
}

QString StderrSeam::lineFor(const MessageRequest &request)
{
    static const QRegularExpression breaks(QStringLiteral("\\s*[\\r\\n]+\\s*"));
    QString text = request.text.trimmed();
    text.replace(breaks, QStringLiteral(" "));
    const QString title = request.title.isEmpty() ? titleFor(request.kind) : request.title;
    return title.isEmpty() ? text : title + QStringLiteral(": ") + text;
}

MessageButton StderrSeam::message(const MessageRequest &request)
{
    if (request.kind == MessageKind::Error)
        ++m_errors;
    if (m_progress)
        m_progress->clear();
    const QByteArray line = lineFor(request).toUtf8() + '\n';
    std::fwrite(line.constData(), 1, size_t(line.size()), m_out);
    std::fflush(m_out);
    if (request.buttons & Yes)
        return Yes;
    if (request.buttons & Ok)
        return Ok;
    return request.buttons & No ? No : Cancel;
}

QString StderrSeam::chooseFolder(const QString &)
{
    return QString();
}

SaveAnswer StderrSeam::chooseSaveFile(const SaveRequest &)
{
    return SaveAnswer();
}

bool StderrSeam::choosePrinter(QPrinter &)
{
    return false;
}

bool StderrSeam::openExternal(const QUrl &)
{
    return false;
}

void StderrSeam::setClipboard(QMimeData *data)
{
    delete data;
}

void StderrSeam::setBusy(bool) { }

} // namespace tv::cli
