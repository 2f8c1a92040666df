// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QList>
#include <QStringList>

#include <cstdio>

/// @short What every command's output is made of: bytes out, tables, sections as JSON.
namespace tv {
struct Section;
}

namespace tv::cli {

void write(std::FILE *to, const QByteArray &bytes);

/// Columns padded to their widest cell; `right` names the right-aligned ones.
QString table(const QStringList &header, const QList<QStringList> &rows, const QList<int> &right = {});

/// A section as every listing shows it: its tab caption and its Sections.dat line.
QJsonObject sectionJson(const QByteArray &caption, const QByteArray &line);
QJsonObject sectionJson(const Section &s);

} // namespace tv::cli
