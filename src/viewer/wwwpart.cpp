// SPDX-License-Identifier: GPL-3.0-or-later
#include "wwwpart.h"

#include "catalogue/cp1252.h"
#include "catalogue/errorreport.h"
#include "catalogue/errors.h"
#include "catalogue/paths.h"
#include "catalogue/seam.h"
#include "catalogue/textlines.h"
#include "viewer/htmlpart.h"
#include "viewer/partcontext.h"
#include "widgets/imagelist.h"

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

WwwPage::WwwPage(const Part &part)
    : PartPage(part)
    , m_edit(new QLineEdit(this))
{
    createPageLabel(this,
        QStringLiteral("Dieser Teil ist leider aus lizenztechnischen Gründen nicht in der "
                       "Tipvault \n\rDatenbank enthalten.\n\rZum Anzeigen wird automatisch "
                       "Ihr Standardbrowser aufgerufen."));
    createPagePicture(this, QStringLiteral("WWW"));
    m_edit->setObjectName(QStringLiteral("WwwEdit%1").arg(part.number));
    m_edit->setReadOnly(true);
    m_edit->setAccessibleName(QStringLiteral("Webadresse"));
    m_edit->setGeometry(64, 78, 280 - 64, m_edit->sizeHint().height());
}

void WwwPage::setAddress(const QString &address)
{
    m_address = address;
    m_edit->setText(address);
    m_edit->setCursorPosition(0);
    m_show = createShowButton(this, ImgWww, QStringLiteral("WwwButton%1").arg(part().number));
    connect(m_show, &QPushButton::clicked, this, &WwwPage::showClicked);
}

WwwPartBuilder::WwwPartBuilder(const PartContext &context)
    : m_context(context)
{
}

PartPage *WwwPartBuilder::createPage(const Part &part)
{
    auto *page = new WwwPage(part);
    QObject::connect(page, &WwwPage::showClicked, page,
        [this, page] { guarded(m_context.seam(), [&] { WwwButtonClick(*page); }); });
    return page;
}

void WwwPartBuilder::fill(PartPage &page)
{
    auto &www = static_cast<WwwPage &>(page);
    www.setAddress(fromCp1252(readAddress(www.part())));
}

QByteArray WwwPartBuilder::readAddress(const Part &part)
{
    m_context.ExtractModulFile(part.modul, part.file);
    const QString path = workFile(part.file);
    if (path.isEmpty())
        throw IoError(2);
    const auto removeFile = qScopeGuard([&] { QFile::remove(path); });
    return splitLines(readFileBytes(path)).value(0);
}

void WwwPartBuilder::WwwButtonClick(const WwwPage &page)
{
    openWebAddress(
        m_context.seam(), page.address(), [this](const QString &text) { m_context.showStatus(text); });
}

} // namespace tv
