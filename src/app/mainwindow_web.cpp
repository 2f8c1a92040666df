// SPDX-License-Identifier: GPL-3.0-or-later
// TForm1's commands that leave the catalogue: the tool bar's web pages, the
// mail to the webmaster, and the module statistics.

#include "mainwindow.h"

#include "app/siteconfig.h"
#include "catalogue/errorreport.h"
#include "stats/statistikwindow.h"
#include "viewer/wwwpart.h"

#include <QToolButton>

#include <memory>

namespace tv {

void TForm1::SpeedbuttonClick(QToolButton *sender)
{
    // The tool tip is the one place that holds the address, so it always
    // names what is opened.
    openWebAddress(m_seam, sender->toolTip(), [this](const QString &text) { setStatusText(text); });
}

void TForm1::Mail1Click()
{
    openWebAddress(m_seam, QString::fromLatin1(site::kWebmasterMail),
        [this](const QString &text) { setStatusText(text); });
}

void TForm1::Modulstatistik1Click()
{
    std::unique_ptr<TForm2> form;
    {
        // The hourglass shows while the catalogue is counted, not while the window waits.
        const BusyCursor busy(m_seam);
        form = std::make_unique<TForm2>(this);
    }
    form->exec();
}

} // namespace tv
