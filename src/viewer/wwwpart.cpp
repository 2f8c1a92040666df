// SPDX-License-Identifier: GPL-3.0-or-later
#include "wwwpart.h"

#include "catalogue/cp1252.h"
#include "catalogue/errorreport.h"
#include "catalogue/errors.h"
#include "catalogue/paths.h"
#include "catalogue/seam.h"
#include "catalogue/textlines.h"
#include "viewer/entryviewer.h"
#include "viewer/htmlpart.h"
#include "widgets/imagelist.h"

#include <QAbstractButton>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScopeGuard>
#include <QStringList>

#include <algorithm>

namespace tv {

namespace {

bool hasControlCharacter(const QString &text)
{
    return std::any_of(
        text.cbegin(), text.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; });
}

/// Keeps only the fields a mail program may fill in from an address; "attach"
/// and its kin would have it pick up a local file.
QString mailQuery(const QString &encodedQuery)
{
    QStringList kept;
    for (const QString &field : encodedQuery.split(u'&', Qt::SkipEmptyParts)) {
        const QString name
            = QUrl::fromPercentEncoding(field.section(u'=', 0, 0).toUtf8()).trimmed().toLower();
        if (name == u"subject" || name == u"body" || name == u"cc" || name == u"bcc")
            kept.append(field);
    }
    return kept.join(u'&');
}

} // namespace

QUrl webAddressUrl(const QString &address)
{
    QString text = address.trimmed();
    if (text.isEmpty() || hasControlCharacter(text))
        return QUrl();
    if (text.startsWith(QStringLiteral("www."), Qt::CaseInsensitive))
        text.prepend(QStringLiteral("http://"));
    // Tolerant parsing percent-encodes blanks and the other characters an
    // address may not hold as they are.
    QUrl url(text, QUrl::TolerantMode);
    if (!url.isValid())
        return QUrl();
    const QString scheme = url.scheme().toLower();
    const bool web = scheme == QStringLiteral("http") || scheme == QStringLiteral("https")
        || scheme == QStringLiteral("ftp");
    if (web && !url.host().isEmpty())
        return url;
    // A "?" hidden in the address as %3F would start fields after decoding.
    const QString mailbox = url.path(QUrl::FullyDecoded);
    if (scheme == QStringLiteral("mailto") && !mailbox.isEmpty() && !mailbox.contains(u'?')) {
        const QString query = mailQuery(url.query(QUrl::FullyEncoded));
        if (query.isEmpty())
            url.setQuery(QString());
        else
            url.setQuery(query, QUrl::StrictMode);
        url.setFragment(QString());
        return url.isValid() ? url : QUrl();
    }
    return QUrl();
}

void openWebAddress(Seam &seam, const QString &address, const std::function<void(const QString &)> &setStatus)
{
    const QUrl url = webAddressUrl(address);
    if (url.isValid()) {
        seam.openExternal(url); // a desktop that cannot open it stays silent, as a shell would
        return;
    }
    if (address.trimmed().isEmpty())
        setStatus(QStringLiteral("Dieser Link enthält keine Adresse."));
    else
        setStatus(QStringLiteral("Die Adresse \"%1\" wird nicht geöffnet: nur http-, https-, ftp- und "
                                 "mailto-Adressen sind erlaubt.")
                      .arg(address));
}

void WwwPartBuilder::build(EntryViewer &viewer, QWidget *sheet)
{
    CreateWwwPart(viewer, sheet);
}

void WwwPartBuilder::CreateWwwPart(EntryViewer &viewer, QWidget *sheet)
{
    const int n = viewer.info.CurrentPart;
    createPageLabel(sheet,
        QStringLiteral("Dieser Teil ist leider aus lizenztechnischen Gründen nicht in der "
                       "Tipvault \n\rDatenbank enthalten.\n\rZum Anzeigen wird automatisch "
                       "Ihr Standardbrowser aufgerufen."));
    createPagePicture(sheet, QStringLiteral("WWW"));
    auto *edit = new QLineEdit(sheet);
    edit->setObjectName(QStringLiteral("WwwEdit%1").arg(n));
    edit->setReadOnly(true);
    edit->setAccessibleName(QStringLiteral("Webadresse"));
    edit->setGeometry(64, 78, 280 - 64, edit->sizeHint().height());

    const QString address = fromCp1252(readAddress(viewer));
    edit->setText(address);
    edit->setCursorPosition(0);

    QPushButton *button = createShowButton(sheet, ImgWww, QStringLiteral("WwwButton%1").arg(n));
    button->setProperty(kAddressProperty, address);
    QObject::connect(button, &QPushButton::clicked, button,
        [&viewer, button] { guarded(viewer.seam(), [&] { WwwButtonClick(viewer, button); }); });
}

QByteArray WwwPartBuilder::readAddress(EntryViewer &viewer)
{
    const Part &part = viewer.currentPart();
    viewer.ExtractModulFile(part.modul, part.file);
    const QString path = workFile(part.file);
    if (path.isEmpty())
        throw IoError(2);
    const auto removeFile = qScopeGuard([&] { QFile::remove(path); });
    return splitLines(readFileBytes(path)).value(0);
}

void WwwPartBuilder::WwwButtonClick(EntryViewer &viewer, QAbstractButton *sender)
{
    openWebAddress(viewer.seam(), sender->property(kAddressProperty).toString(), viewer.host().setStatus);
}

} // namespace tv
