// SPDX-License-Identifier: GPL-3.0-or-later
#include "progress.h"

#include <unistd.h>

namespace tv::cli {

Progress::Progress(std::FILE *out)
    : m_out(out)
    , m_shown(::isatty(::fileno(out)) == 1)
{
}

Progress::~Progress()
{
    clear();
}

void Progress::show(const QString &text)
{
    if (!m_shown)
        return;
    const QByteArray line = "\r" + text.left(79).toUtf8() + "\x1b[K";
    std::fwrite(line.constData(), 1, size_t(line.size()), m_out);
    std::fflush(m_out);
    m_dirty = true;
}

void Progress::clear()
{
    if (!m_dirty)
        return;
    std::fputs("\r\x1b[K", m_out);
    std::fflush(m_out);
    m_dirty = false;
}

} // namespace tv::cli
