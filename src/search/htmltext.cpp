// SPDX-License-Identifier: GPL-3.0-or-later
#include "htmltext.h"

#include "catalogue/cp1252.h"

#include <QHash>
#include <QSet>

namespace tv::search {
namespace {

// The Latin-1 entities of HTML 4 name U+00A0 ... U+00FF in order.
constexpr const char *kLatin1Entities[96] = { "nbsp", "iexcl", "cent", "pound", "curren", "yen", "brvbar",
    "sect", "uml", "copy", "ordf", "laquo", "not", "shy", "reg", "macr", "deg", "plusmn", "sup2", "sup3",
    "acute", "micro", "para", "middot", "cedil", "sup1", "ordm", "raquo", "frac14", "frac12", "frac34",
    "iquest", "Agrave", "Aacute", "Acirc", "Atilde", "Auml", "Aring", "AElig", "Ccedil", "Egrave", "Eacute",
    "Ecirc", "Euml", "Igrave", "Iacute", "Icirc", "Iuml", "ETH", "Ntilde", "Ograve", "Oacute", "Ocirc",
    "Otilde", "Ouml", "times", "Oslash", "Ugrave", "Uacute", "Ucirc", "Uuml", "Yacute", "THORN", "szlig",
    "agrave", "aacute", "acirc", "atilde", "auml", "aring", "aelig", "ccedil", "egrave", "eacute", "ecirc",
    "euml", "igrave", "iacute", "icirc", "iuml", "eth", "ntilde", "ograve", "oacute", "ocirc", "otilde",
    "ouml", "divide", "oslash", "ugrave", "uacute", "ucirc", "uuml", "yacute", "thorn", "yuml" };

const QHash<QString, char16_t> &entities()
{
    static const QHash<QString, char16_t> table = [] {
        QHash<QString, char16_t> t = { { QStringLiteral("amp"), u'&' }, { QStringLiteral("lt"), u'<' },
            { QStringLiteral("gt"), u'>' }, { QStringLiteral("quot"), u'"' },
            { QStringLiteral("apos"), u'\'' }, { QStringLiteral("euro"), u'€' },
            { QStringLiteral("ndash"), u'–' }, { QStringLiteral("mdash"), u'—' },
            { QStringLiteral("lsquo"), u'‘' }, { QStringLiteral("rsquo"), u'’' },
            { QStringLiteral("sbquo"), u'‚' }, { QStringLiteral("ldquo"), u'“' },
            { QStringLiteral("rdquo"), u'”' }, { QStringLiteral("bdquo"), u'„' },
            { QStringLiteral("hellip"), u'…' }, { QStringLiteral("bull"), u'•' },
            { QStringLiteral("trade"), u'™' } };
        for (int i = 0; i < 96; ++i)
            t.insert(QString::fromLatin1(kLatin1Entities[i]), char16_t(0xA0 + i));
        return t;
    }();
    return table;
}

// Tags that end a line or a cell: the words on either side are not one word.
bool breaksWords(const QString &tag)
{
    static const QSet<QString> tags = { QStringLiteral("br"), QStringLiteral("p"), QStringLiteral("div"),
        QStringLiteral("li"), QStringLiteral("ul"), QStringLiteral("ol"), QStringLiteral("tr"),
        QStringLiteral("td"), QStringLiteral("th"), QStringLiteral("table"), QStringLiteral("h1"),
        QStringLiteral("h2"), QStringLiteral("h3"), QStringLiteral("h4"), QStringLiteral("h5"),
        QStringLiteral("h6"), QStringLiteral("hr"), QStringLiteral("pre"), QStringLiteral("blockquote"),
        QStringLiteral("dd"), QStringLiteral("dt"), QStringLiteral("dl"), QStringLiteral("title"),
        QStringLiteral("option"), QStringLiteral("body"), QStringLiteral("img"), QStringLiteral("input"),
        QStringLiteral("section"), QStringLiteral("article") };
    return tags.contains(tag);
}

QString decodePage(QByteArrayView html)
{
    const QByteArray lower = html.first(qMin<qsizetype>(html.size(), 4096)).toByteArray().toLower();
    const qsizetype at = lower.indexOf("charset=");
    if (at >= 0) {
        QByteArray name = lower.mid(at + 8, 8);
        while (name.startsWith('"') || name.startsWith('\''))
            name.remove(0, 1);
        if (name.startsWith("utf-8") || name.startsWith("utf8"))
            return QString::fromUtf8(html);
    }
    return fromCp1252(html.toByteArray());
}

class HtmlText
{
public:
    explicit HtmlText(QString page)
        : m_page(std::move(page))
    {
    }

    QString run()
    {
        while (m_pos < m_page.size()) {
            const QChar c = m_page[m_pos];
            if (c == u'<')
                tag();
            else if (c == u'&')
                entity();
            else
                put(c), ++m_pos;
        }
        return m_title.isEmpty() ? m_text : m_title + u' ' + m_text;
    }

private:
    void put(QChar c)
    {
        if (m_skipUntil.isEmpty())
            (m_inTitle ? m_title : m_text) += c;
    }

    void tag()
    {
        if (m_page.mid(m_pos, 4) == u"<!--") {
            const qsizetype end = m_page.indexOf(u"-->", m_pos + 4);
            m_pos = end < 0 ? m_page.size() : end + 3;
            return;
        }
        const qsizetype end = m_page.indexOf(u'>', m_pos);
        const QString inner = m_page.mid(m_pos + 1, (end < 0 ? m_page.size() : end) - m_pos - 1);
        m_pos = end < 0 ? m_page.size() : end + 1;
        const bool closing = inner.startsWith(u'/');
        qsizetype nameEnd = closing ? 1 : 0;
        while (nameEnd < inner.size() && inner[nameEnd].isLetterOrNumber())
            ++nameEnd;
        const QString name = inner.mid(closing ? 1 : 0, nameEnd - (closing ? 1 : 0)).toLower();
        if (!m_skipUntil.isEmpty()) {
            if (closing && name == m_skipUntil)
                m_skipUntil.clear();
            return;
        }
        if (!closing && (name == u"script" || name == u"style"))
            m_skipUntil = name;
        else if (name == u"title")
            m_inTitle = !closing;
        else if (breaksWords(name))
            put(u' ');
    }

    // "&amp;", "&#228;", "&#xE4;"; anything else stays as written.
    void entity()
    {
        const qsizetype end = m_page.indexOf(u';', m_pos);
        if (end > m_pos + 1 && end - m_pos <= 10) {
            const QString name = m_page.mid(m_pos + 1, end - m_pos - 1);
            bool ok = false;
            uint code = 0;
            if (name.startsWith(u"#x") || name.startsWith(u"#X"))
                code = name.mid(2).toUInt(&ok, 16);
            else if (name.startsWith(u'#'))
                code = name.mid(1).toUInt(&ok, 10);
            else if (const auto it = entities().constFind(name); it != entities().constEnd())
                code = *it, ok = true;
            if (ok && code > 0 && code <= 0x10FFFF) {
                const char32_t ch = code;
                for (const QChar q : QString::fromUcs4(&ch, 1))
                    put(q);
                m_pos = end + 1;
                return;
            }
        }
        put(u'&');
        ++m_pos;
    }

    QString m_page;
    qsizetype m_pos = 0;
    QString m_text;
    QString m_title;
    QString m_skipUntil;
    bool m_inTitle = false;
};

} // namespace

QString htmlText(QByteArrayView html)
{
    return HtmlText(decodePage(html)).run();
}

} // namespace tv::search
