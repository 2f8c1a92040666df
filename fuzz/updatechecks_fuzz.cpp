// SPDX-License-Identifier: GPL-3.0-or-later
// The checks an Update archive's names pass before they become file names and
// engine specs: the module name made of the archive's name, and the Section
// files named by the lines of its Sections.dat. A line taken as safe makes a
// bare file name in the Program directory and a spec that matches exactly
// that one member, never a pattern.

#include "catalogue/catalogue.h"
#include "catalogue/cp1252.h"
#include "catalogue/textlines.h"
#include "fuzzsupport.h"
#include "updates/modulupdate.h"
#include "zip/engines/membernames.h"

#include <QFile>

#include <fuzzer/FuzzedDataProvider.h>

#include <string>

using namespace tv;

namespace {

QByteArray take(FuzzedDataProvider &in, std::size_t maxLength)
{
    const std::string s = in.ConsumeRandomLengthString(maxLength);
    return QByteArray(s.data(), static_cast<qsizetype>(s.size()));
}

std::string lowerAscii(std::string text)
{
    for (char &c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

void checkModuleName(const QByteArray &rawName)
{
    const QString updateName = QFile::decodeName(rawName);
    const QString modul = moduleFileName(updateName);
    fuzz::check(modul.endsWith(QStringLiteral(".tvm")), "a module name ends with .tvm");
    fuzz::check(moduleFileName(modul) == modul, "a module's module name is itself");
    fuzz::check(updateName.contains(u'/') || !modul.contains(u'/'), "making the module name adds no folder");
}

void checkSectionLine(const QByteArray &line, const std::string &otherMember)
{
    if (!isSafeSectionName(line))
        return;
    const QByteArray file = sectionFileName(line);
    const QString diskName = fromCp1252(file);
    fuzz::check(!diskName.contains(u'/') && !diskName.contains(u'\\') && !diskName.contains(QChar(0)),
        "a safe line makes a bare file name");

    // The engines read specs as Windows-1252 and compare UTF-8 names.
    const std::string spec = engines::utf8FromCp1252(file.toStdString());
    if (!engines::matchesSpec(spec, spec))
        fuzz::fail("a safe line's Section file is extracted by its spec", file);
    if (engines::matchesSpec(otherMember, spec) != (lowerAscii(otherMember) == lowerAscii(spec)))
        fuzz::fail(
            "a safe line's spec matches no other member", file, QByteArray::fromStdString(otherMember));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    FuzzedDataProvider in(data, size);
    checkModuleName(take(in, 300));
    const QByteArray other = take(in, 80);
    const std::string otherMember = engines::utf8FromCp1252(other.toStdString());
    const QByteArray sections = QByteArray::fromStdString(in.ConsumeRemainingBytesAsString());
    for (const QByteArray &line : splitLines(sections))
        checkSectionLine(line, otherMember);
    return 0;
}
